#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano {

// Twips to pixels at 96 dpi: 15 twips make a pixel, rounded to the nearest.
int TwipsToPixels(int twips);
QRect TwipsToPixels(int left, int top, int width, int height);

// A font sized in pixels (points at 96 dpi), so the layout does not follow the screen's dpi. A
// family the system lacks falls back to Liberation Sans, whose widths fit rectangles designed for
// the desktop's own sans-serif, and failing that to the system's sans-serif.
QFont ToQFont(const FontDesign& design);

QString ToQString(std::string_view text);

}  // namespace veltrano
