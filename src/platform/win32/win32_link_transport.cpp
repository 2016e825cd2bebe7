#include "platform/win32/win32_link_transport.h"

#include "platform/win32/win32_api.h"

#include <memory>
#include <string>

#include "platform/win32/win32_handles.h"

namespace veltrano {

namespace {

template <class Probe>
void CALLBACK ProbeHandled(HWND, UINT, ULONG_PTR data, LRESULT) {
  // `data` is the report's own reference to the probe.
  const std::unique_ptr<std::shared_ptr<Probe>> reference(
      reinterpret_cast<std::shared_ptr<Probe>*>(data));
  (*reference)->answered = true;
}

}  // namespace

Win32LinkTransport::Win32LinkTransport(std::chrono::milliseconds answerTimeout)
    : answerTimeout_(answerTimeout) {}

std::uint32_t Win32LinkTransport::RegisterWindowMessageA(std::string_view name) {
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

WindowHandle Win32LinkTransport::FindWindowA(std::string_view className) {
  return ToWindowHandle(::FindWindowA(std::string(className).c_str(), nullptr));
}

MessageResult Win32LinkTransport::SendMessageA(WindowHandle window, std::uint32_t message,
                                               std::uint64_t wParam, std::int64_t lParam) {
  if (window == 0 || !IsWindow(ToHwnd(window))) return {Delivery::kNoWindow};
  if (Behind(window)) return {Delivery::kNoAnswerInTime};
  DWORD_PTR result = 0;
  const LRESULT delivered = ::SendMessageTimeoutA(
      ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
      SMTO_ABORTIFHUNG | SMTO_BLOCK, static_cast<UINT>(answerTimeout_.count()), &result);
  // The window procedure's LRESULT comes back whole; the caller judges its bits.
  if (delivered != 0) return {Delivery::kAnswered, static_cast<std::int64_t>(result)};
  if (!IsWindow(ToHwnd(window))) return {Delivery::kNoWindow};
  SendProbe(window);
  return {Delivery::kNoAnswerInTime};
}

bool Win32LinkTransport::Behind(WindowHandle window) {
  if (probe_ == nullptr) return false;
  if (probe_->window != window) {
    probe_.reset();  // another window now: the one that was behind has gone
    return false;
  }
  // Takes the desktop's reports of handled probes, and nothing else.
  MSG ignored{};
  PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  if (!probe_->answered) return true;
  probe_.reset();
  return false;
}

void Win32LinkTransport::SendProbe(WindowHandle window) {
  probe_ = std::make_shared<CatchUpProbe>(CatchUpProbe{window, false});
  auto* reference = new std::shared_ptr<CatchUpProbe>(probe_);
  if (SendMessageCallbackA(ToHwnd(window), WM_NULL, 0, 0, &ProbeHandled<CatchUpProbe>,
                           reinterpret_cast<ULONG_PTR>(reference)) == 0) {
    delete reference;
    probe_.reset();  // the window cannot be told: try it again with the next message
  }
}

int Win32LinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  return static_cast<int>(::GlobalGetAtomNameA(atom, buffer, size));
}

Atom Win32LinkTransport::GlobalDeleteAtom(Atom atom) { return ::GlobalDeleteAtom(atom); }

}  // namespace veltrano
