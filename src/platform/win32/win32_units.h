#pragma once

#include "platform/win32/win32_api.h"

#include <string>

#include "platform/window_toolkit.h"

namespace veltrano {

// The screen's resolution, from which twips and points become pixels. At 96 dots per inch a pixel
// is 15 twips.
class ScreenUnits {
 public:
  // Reads the screen's dots per inch; the process must be DPI-aware first, or Windows reports 96
  // and stretches the window afterwards.
  ScreenUnits();
  explicit ScreenUnits(int dotsPerInch) : dotsPerInch_(dotsPerInch) {}

  int DotsPerInch() const { return dotsPerInch_; }
  int Pixels(int twips) const { return MulDiv(twips, dotsPerInch_, 1440); }

  // A GDI font of the design's size at this resolution; the caller deletes it.
  HFONT MakeFont(const FontDesign& design) const;

 private:
  int dotsPerInch_ = 96;
};

}  // namespace veltrano
