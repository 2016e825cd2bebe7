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

std::uint32_t Win32LinkTransport::RegisterWindowMessageA(std::string_view name) {
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

WindowHandle Win32LinkTransport::FindWindowA(std::string_view className) {
  return ToWindowHandle(::FindWindowA(std::string(className).c_str(), nullptr));
}

std::optional<std::vector<MessageTicket>> Win32LinkTransport::SendMessagesAhead(
    WindowHandle window, std::span<const WindowMessage> messages) {
  if (window == 0 || !IsWindow(ToHwnd(window))) return std::nullopt;
  std::vector<std::shared_ptr<Pending>> sent;
  for (const WindowMessage& message : messages) {
    const auto pending = std::make_shared<Pending>(Pending{window});
    auto* reference = new std::shared_ptr<Pending>(pending);
    if (SendMessageCallbackA(ToHwnd(window), message.message, static_cast<WPARAM>(message.wParam),
                             static_cast<LPARAM>(message.lParam), &AnswerReported<Pending>,
                             reinterpret_cast<ULONG_PTR>(reference)) == 0) {
      // The window went (or the desktop refused): those sent before are owed to nobody.
      delete reference;
      for (const auto& earlier : sent) GiveUp(*earlier);
      return std::nullopt;
    }
    sent.push_back(pending);
  }
  std::vector<MessageTicket> tickets;
  for (auto& pending : sent) {
    if (++lastTicket_ == 0) ++lastTicket_;
    tickets.push_back(lastTicket_);
    sent_.emplace(lastTicket_, std::move(pending));
  }
  return tickets;
}

MessageResult Win32LinkTransport::TakeAnswer(MessageTicket ticket, Deadline deadline) {
  const auto found = sent_.find(ticket);
  if (found == sent_.end()) return {Delivery::kNoWindow};
  const std::shared_ptr<Pending> pending = found->second;
  using Clock = std::chrono::steady_clock;
  for (TakeReports(); !pending->answered; TakeReports()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_SENDMESSAGE,
                                MWMO_INPUTAVAILABLE);
  }
  // The window procedure's LRESULT comes back whole; the caller judges its bits.
  if (pending->answered) {
    sent_.erase(found);
    return {Delivery::kAnswered, pending->result};
  }
  if (IsWindow(ToHwnd(pending->window))) return {Delivery::kNoAnswerInTime};
  GiveUp(*pending);
  sent_.erase(found);
  return {Delivery::kNoWindow};
}

void Win32LinkTransport::EndExchanges() {
  TakeReports();
  for (const auto& [ticket, pending] : sent_) GiveUp(*pending);
  sent_.clear();
}

void Win32LinkTransport::GiveUp(Pending& pending) {
  if (!pending.answered) {
    pending.late = true;
  } else if (const auto atom = AtomHandedOverIn(pending.result)) {
    ::GlobalDeleteAtom(*atom);
  }
}

int Win32LinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  return static_cast<int>(::GlobalGetAtomNameA(atom, buffer, size));
}

Atom Win32LinkTransport::GlobalDeleteAtom(Atom atom) { return ::GlobalDeleteAtom(atom); }

}  // namespace veltrano
