#pragma once

#include <cmath>

namespace veltrano {

// The window is designed in twips (1/1440 inch) and its fonts in points (1/72 inch). Both
// toolkits turn them into pixels by one rule: at the dots per inch of the pixels that the toolkit
// draws in, rounded to the nearest. Qt draws in device-independent pixels, 96 to the inch, which
// it scales to the screen itself; the Win32 toolkit, DPI-aware so that Windows does not stretch a
// blurred bitmap, draws in the screen's own pixels at the screen's dots per inch. Either way the
// window has its designed size in inches on the screen it is shown on.
inline constexpr int kDeviceIndependentDotsPerInch = 96;

inline int TwipsToPixels(int twips, int dotsPerInch) {
  return static_cast<int>(std::lround(twips * static_cast<double>(dotsPerInch) / 1440.0));
}

inline int PointsToPixels(double points, int dotsPerInch) {
  return static_cast<int>(std::lround(points * dotsPerInch / 72.0));
}

}  // namespace veltrano
