#pragma once

#include "platform/win32/win32_api.h"

#include <string>

#include "platform/twips.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// The screen's resolution, from which twips and points become the screen's pixels by the rule of
// twips.h.
class ScreenUnits {
 public:
  // Reads the screen's dots per inch; the process must be DPI-aware first, or Windows reports 96
  // and stretches the window afterwards.
  ScreenUnits();
  explicit ScreenUnits(int dotsPerInch) : dotsPerInch_(dotsPerInch) {}

  int DotsPerInch() const { return dotsPerInch_; }
  int Pixels(int twips) const { return TwipsToPixels(twips, dotsPerInch_); }

  // A GDI font of the design's size at this resolution; the caller deletes it.
  HFONT MakeFont(const FontDesign& design) const;

 private:
  int dotsPerInch_ = kDeviceIndependentDotsPerInch;
};

}  // namespace veltrano
