#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/link_transport.h"

namespace veltrano {

// The desktop's own window messages and global atoms.
//
// A message is sent so that the desktop reports its answer whenever it comes
// (SendMessageCallbackA), and its answer is waited for by taking those reports until the
// caller's deadline. A message not answered by then stays in the server's queue and is owed; its
// report is kept for a later TakeAnswer. An answer given up (EndExchanges) has its atom deleted
// when the report comes, so a server that falls behind leaves no atom in the desktop's table,
// however long it stalls. The reports come while this thread takes its messages, as the window's
// message loop does; TakeAnswer also takes them when it comes to look.
class Win32LinkTransport final : public LinkTransport {
 public:
  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  std::optional<std::vector<MessageTicket>> SendMessagesAhead(
      WindowHandle window, std::span<const WindowMessage> messages) override;
  MessageResult TakeAnswer(MessageTicket ticket, Deadline deadline) override;
  void SendHeld() override {}  // nothing is held: atoms are deleted at once
  void EndExchanges() override;
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

 private:
  // A message on its way, shared with the desktop's report of its answer, which may come after
  // this transport has gone.
  struct Pending {
    WindowHandle window = 0;
    bool answered = false;
    bool late = false;  // given up on: the report deletes the atom it brings
    std::int64_t result = 0;
  };

  // Gives up a message's answer: its atom goes now if it has come, or when it comes.
  static void GiveUp(Pending& pending);

  MessageTicket lastTicket_ = 0;
  std::unordered_map<MessageTicket, std::shared_ptr<Pending>> sent_;
};

}  // namespace veltrano
