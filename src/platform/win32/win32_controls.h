#pragma once

#include "platform/win32/win32_api.h"

#include <memory>
#include <vector>

#include "platform/win32/win32_units.h"
#include "platform/window_toolkit.h"

namespace veltrano {

// What the window needs of each of its native controls: the child window, and a say in the
// notifications that the child sends to the window.
class Win32Child {
 public:
  virtual ~Win32Child() = default;
  virtual HWND Handle() const = 0;
  virtual void Command(WORD /*notification*/) {}
  virtual void Scroll(WORD /*request*/) {}
  virtual void Draw(const DRAWITEMSTRUCT& /*item*/) {}
};

// The option buttons of one frame, which select one another out.
using OptionSet = std::vector<class Win32OptionButtonBase*>;

class Win32OptionButtonBase {
 public:
  virtual ~Win32OptionButtonBase() = default;
  virtual void Clear() = 0;
};

struct Win32ControlParts {
  std::unique_ptr<Control> control;
  Win32Child* child = nullptr;  // the same object
};

// Makes the native control for `design` in `window` at `bounds` (pixels in the client area).
// `options` is the set of the frame that holds an option button, and nothing otherwise.
Win32ControlParts MakeWin32Control(const ControlDesign& design, HWND window, RECT bounds,
                                   HFONT font, OptionSet* options);

}  // namespace veltrano
