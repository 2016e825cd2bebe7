#include "platform/win32/win32_link_transport.h"

#include "platform/win32/windows_api.h"

#include <string>

#include "platform/win32/win32_handles.h"

namespace veltrano {

Win32LinkTransport::Win32LinkTransport(std::chrono::milliseconds answerTimeout)
    : answerTimeout_(answerTimeout) {}

std::uint32_t Win32LinkTransport::RegisterWindowMessageA(std::string_view name) {
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

WindowHandle Win32LinkTransport::FindWindowA(std::string_view className) {
  return ToWindowHandle(::FindWindowA(std::string(className).c_str(), nullptr));
}

std::int64_t Win32LinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                              std::uint64_t wParam, std::int64_t lParam) {
  if (window == 0) return 0;
  DWORD_PTR result = 0;
  const LRESULT delivered = ::SendMessageTimeoutA(
      ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
      SMTO_ABORTIFHUNG | SMTO_BLOCK, static_cast<UINT>(answerTimeout_.count()), &result);
  if (delivered == 0) return 0;  // gone, hung, or no answer in time
  // The window procedure's LRESULT comes back whole; the caller judges its range.
  return static_cast<std::int64_t>(static_cast<LRESULT>(result));
}

int Win32LinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  return static_cast<int>(::GlobalGetAtomNameA(atom, buffer, size));
}

Atom Win32LinkTransport::GlobalDeleteAtom(Atom atom) { return ::GlobalDeleteAtom(atom); }

}  // namespace veltrano
