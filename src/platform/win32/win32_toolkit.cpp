#include "platform/win32/win32_toolkit.h"

#include "platform/win32/win32_window.h"

namespace veltrano {

namespace {

// Before anything asks for the screen's resolution.
ScreenUnits DpiAwareUnits() {
  SetProcessDPIAware();
  return ScreenUnits();
}

}  // namespace

Win32Toolkit::Win32Toolkit() : units_(DpiAwareUnits()) {}

std::unique_ptr<Window> Win32Toolkit::NewWindow(const WindowDesign& design) {
  return std::make_unique<Win32Window>(design, units_);
}

int Win32Toolkit::Run() {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    if (top != nullptr && IsDialogMessageA(top, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace veltrano
