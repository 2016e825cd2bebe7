#pragma once

#include "platform/win32/win32_api.h"

#include <cstdint>

#include "platform/link_transport.h"

namespace veltrano {

// Window handles cross process boundaries as 32-bit numbers, also in 64-bit Windows, which
// sign-extends them when it widens them again.
inline WindowHandle ToWindowHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

}  // namespace veltrano
