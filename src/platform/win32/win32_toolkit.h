#pragma once

#include "platform/win32/win32_units.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// The window toolkit on the Win32 API's own controls. The process declares itself DPI-aware, so
// that Windows does not stretch the window blurry: the window is laid out for the screen's real
// resolution instead.
class Win32Toolkit final : public WindowToolkit {
 public:
  Win32Toolkit();

  std::unique_ptr<Window> NewWindow(const WindowDesign& design) override;

  // Pumps messages until the window is closed, with the keyboard handling of a dialog (Tab moves
  // the focus in tab order, Space presses).
  int Run() override;

  const ScreenUnits& Units() const { return units_; }

 private:
  ScreenUnits units_;
};

}  // namespace veltrano
