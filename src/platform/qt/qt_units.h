#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <string_view>

#include "platform/window_toolkit.h"

namespace veltrano {

// Twips to Qt's device-independent pixels, by the rule of twips.h: 15 twips make a pixel.
int TwipsToPixels(int twips);
QRect TwipsToPixels(int left, int top, int width, int height);

// A font sized in device-independent pixels (points at 96 dpi), as the rectangles are. A
// family the system lacks falls back to Liberation Sans, whose widths fit rectangles designed for
// the desktop's own sans-serif, and failing that to the system's sans-serif.
QFont ToQFont(const FontDesign& design);

QString ToQString(std::string_view text);

}  // namespace veltrano
