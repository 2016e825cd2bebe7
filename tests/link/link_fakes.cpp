#include "tests/link/link_fakes.h"

#include <algorithm>
#include <cstring>

namespace veltrano::testing {

std::string FloatReplyText(double value) {
  unsigned char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  std::string text = "00000000";
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (unsigned char byte : bytes) text += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  return text;
}

std::int64_t FakeLinkTransport::NewAtom(std::optional<std::string> name) {
  const Atom atom = nextAtom_++;
  atoms[atom] = std::move(name);
  return static_cast<std::int16_t>(atom);
}

std::optional<std::vector<MessageTicket>> FakeLinkTransport::SendMessagesAhead(
    WindowHandle window, std::span<const WindowMessage> messages) {
  if (window == 0 || window != serverWindow) return std::nullopt;
  std::vector<MessageTicket> tickets;
  for (const WindowMessage& message : messages) {
    requests.push_back(message.lParam);
    owed[++lastTicket_] = message;
    tickets.push_back(lastTicket_);
  }
  batches.push_back(messages.size());
  return tickets;
}

MessageResult FakeLinkTransport::TakeAnswer(MessageTicket ticket, Deadline /*deadline*/) {
  const auto found = owed.find(ticket);
  if (found == owed.end()) return {Delivery::kNoWindow};
  const WindowMessage message = found->second;
  const auto code = static_cast<std::int32_t>(message.lParam);
  const Delivery delivery = deliver ? deliver(code) : Delivery::kAnswered;
  if (delivery == Delivery::kNoAnswerInTime) return {delivery};
  if (delivery == Delivery::kNoWindow) {
    owed.clear();  // the window went with every answer it owed
    return {delivery};
  }
  owed.erase(found);
  // A message the server does not understand gets 0.
  if (message.message != messageId || message.wParam != 1 || !serve) return {delivery, 0};
  return {delivery, serve(code)};
}

int FakeLinkTransport::GlobalGetAtomNameA(Atom atom, char* buffer, int size) {
  const auto found = atoms.find(atom);
  if (found == atoms.end() || !found->second) return 0;
  const int count = std::min(static_cast<int>(found->second->size()), size - 1);
  std::memcpy(buffer, found->second->data(), static_cast<std::size_t>(count));
  buffer[count] = '\0';
  return count;
}

}  // namespace veltrano::testing
