#include "platform/win32/win32_units.h"

#include "platform/win32/win32_error.h"

namespace veltrano {

ScreenUnits::ScreenUnits() {
  HDC screen = GetDC(nullptr);
  dotsPerInch_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dotsPerInch_ <= 0) dotsPerInch_ = kDeviceIndependentDotsPerInch;
}

HFONT ScreenUnits::MakeFont(const FontDesign& design) const {
  // A negative height asks for the character height without the internal leading: the point size.
  const int height = -PointsToPixels(design.points, dotsPerInch_);
  const std::string family(design.family);
  HFONT font =
      CreateFontA(height, 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL, design.italic ? TRUE : FALSE,
                  FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, family.c_str());
  if (font == nullptr) throw Win32Error("Cannot make the font " + family);
  return font;
}

}  // namespace veltrano
