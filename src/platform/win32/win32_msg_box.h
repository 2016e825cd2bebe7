#pragma once

#include "platform/win32/win32_api.h"

#include "platform/msg_box.h"

namespace veltrano {

// MessageBoxA owned by a window, so that the window is disabled while the box stands open.
class Win32MsgBox final : public MsgBox {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }

  // The style's icon group is the system's own (16 stop, 32 question, 48 exclamation, 64
  // information); only an OK button is offered, other button groups are refused with an Error.
  // Carriage returns in the prompt break the line.
  void Show(std::string_view prompt, int style, std::string_view title) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace veltrano
