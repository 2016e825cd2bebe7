#include "platform/win32/win32_link_transport.h"

#include "platform/win32/win32_api.h"

#include <chrono>
#include <memory>
#include <string>

#include "platform/win32/win32_handles.h"

namespace veltrano {

namespace {

template <class Pending>
void CALLBACK AnswerReported(HWND, UINT, ULONG_PTR data, LRESULT result) {
  // `data` is the report's own reference to the message.
  const std::unique_ptr<std::shared_ptr<Pending>> reference(
      reinterpret_cast<std::shared_ptr<Pending>*>(data));
  Pending& pending = **reference;
  pending.answered = true;
  pending.result = static_cast<std::int64_t>(result);
  if (!pending.late) return;
  if (const auto atom = AtomHandedOverIn(pending.result)) ::GlobalDeleteAtom(*atom);
}

// Takes the desktop's reports of answered messages (and any message sent to this thread's
// windows meanwhile), and nothing from the posted queue.
void TakeReports() {
  MSG ignored{};
  PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
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
  const auto pending = std::make_shared<Pending>(Pending{window});
  auto* reference = new std::shared_ptr<Pending>(pending);
  if (SendMessageCallbackA(ToHwnd(window), message, static_cast<WPARAM>(wParam),
                           static_cast<LPARAM>(lParam), &AnswerReported<Pending>,
                           reinterpret_cast<ULONG_PTR>(reference)) == 0) {
    delete reference;
    return {IsWindow(ToHwnd(window)) ? Delivery::kNoAnswerInTime : Delivery::kNoWindow};
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + answerTimeout_;
  for (TakeReports(); !pending->answered; TakeReports()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_SENDMESSAGE,
                                MWMO_INPUTAVAILABLE);
  }
  // The window procedure's LRESULT comes back whole; the caller judges its bits.
  if (pending->answered) return {Delivery::kAnswered, pending->result};
  if (!IsWindow(ToHwnd(window))) return {Delivery::kNoWindow};
  pending->late = true;
  owed_ = pending;
  return {Delivery::kNoAnswerInTime};
}

bool Win32LinkTransport::Behind(WindowHandle window) {
  if (owed_ == nullptr) return false;
  if (owed_->window != window) {
    owed_.reset();  // another window now: the one that was behind has gone
    return false;
  }
  TakeReports();
  if (!owed_->answered) return true;
  owed_.reset();
  return false;
}

int Win32LinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  return static_cast<int>(::GlobalGetAtomNameA(atom, buffer, size));
}

Atom Win32LinkTransport::GlobalDeleteAtom(Atom atom) { return ::GlobalDeleteAtom(atom); }

}  // namespace veltrano
