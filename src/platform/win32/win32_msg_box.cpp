#include "platform/win32/win32_msg_box.h"

#include <string>

#include "platform/error.h"

namespace veltrano {

void Win32MsgBox::Show(std::string_view prompt, int style, std::string_view title) {
  constexpr int kButtonGroup = 0x0F;
  constexpr int kKnownStyles = kButtonGroup | 0x70;
  if ((style & kButtonGroup) != kOkOnly || (style & ~kKnownStyles) != 0) {
    throw Error("Invalid message box style " + std::to_string(style));
  }
  MessageBoxA(owner_, std::string(prompt).c_str(), std::string(title).c_str(),
              static_cast<UINT>(style) | MB_APPLMODAL);
}

}  // namespace veltrano
