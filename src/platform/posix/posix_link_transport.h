#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/link_transport.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {

// The desktop's window messages and global atoms on Linux, spoken to servers that listen on
// abstract Unix sockets (the wire format is in posix_desktop_window_protocol.h). Finding a window
// opens a connection that later messages to that window reuse; the version handshake goes out with
// it and its answer is read ahead of the first message's, so a server of another version is told
// apart (said once on standard error, and no window) without a round trip of its own. A window
// that breaks its connection is gone for good: its handle gives kNoWindow from then on, and only
// a new FindWindowA reaches a server again. A new connection to a class replaces the earlier one,
// whose handle is then dead too, so at most one connection per class stays open however often a
// server restarts. Used from one thread.
//
// Messages sent ahead go out in one write; the server answers them in order, and whatever has
// come is read at once and taken apart, so that a batch answered together costs one read. An
// answer brings the name of the atom it hands over, so reading that name asks the server nothing;
// deleting the atom needs no reply either, and the deletions are held until the next write or
// SendHeld, so that a tick's five go in one write. Once this transport has deleted an atom,
// reading its name fails, as the desktop's does. EndExchanges closes a connection that still owes
// answers, which its server takes as a client that has gone: it deletes the atoms it handed to it.
class PosixLinkTransport final : public LinkTransport {
 public:
  // `connectTimeout` bounds the connect that finding a window makes, and each write to it.
  explicit PosixLinkTransport(std::chrono::milliseconds connectTimeout = kAnswerWait);
  ~PosixLinkTransport() override;
  PosixLinkTransport(const PosixLinkTransport&) = delete;
  PosixLinkTransport& operator=(const PosixLinkTransport&) = delete;

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  std::optional<std::vector<MessageTicket>> SendMessagesAhead(
      WindowHandle window, std::span<const WindowMessage> messages) override;
  MessageResult TakeAnswer(MessageTicket ticket, Deadline deadline) override;
  void SendHeld() override;
  void EndExchanges() override;
  // Only atoms that an answer handed over are known: any other has no name and cannot be
  // deleted from here.
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

  // Connections still open, for watching that dead ones are closed.
  std::size_t OpenConnections() const { return connections_.size(); }

 private:
  struct Connection {
    UniqueFd socket;
    std::string className;
    bool greeted = false;                // the handshake's answer has been read
    std::deque<MessageTicket> awaiting;  // sent, in order, whose answers have not been read
    std::vector<std::uint8_t> received;  // read and not yet taken apart
    std::vector<std::uint8_t> held;      // deletions that go out with the next write
  };
  // An answer read from its connection, not yet taken.
  struct Answer {
    WindowHandle window = 0;
    std::int64_t result = 0;
    std::string atomName;  // "" when the result hands over no atom that existed
  };
  // An atom that a taken answer handed over, with the window that owns it and its name then.
  struct HandedOver {
    WindowHandle window = 0;
    std::string name;
  };

  // Takes the whole answers that have been read apart; false when the handshake failed.
  bool TakeApart(WindowHandle window, Connection& connection);
  // Reads what has come, waiting for something no later than `deadline`.
  Received ReadMore(Connection& connection, Deadline deadline);
  // Whether the handshake's answer names this version; says what is wrong otherwise.
  bool HandshakeAgrees(const Connection& connection, bool connectionBroke);
  bool Write(Connection& connection, std::span<const std::uint8_t> bytes);
  // Holds the deletion of an atom for the connection's next write.
  static void HoldDeletion(Connection& connection, Atom atom);
  void Forget(WindowHandle window);

  std::chrono::milliseconds connectTimeout_;
  WindowHandle lastHandle_ = 0;
  MessageTicket lastTicket_ = 0;
  bool versionReported_ = false;
  std::unordered_map<WindowHandle, Connection> connections_;
  std::unordered_map<MessageTicket, WindowHandle> owed_;  // sent, answer not yet read
  std::unordered_map<MessageTicket, Answer> read_;        // read, not yet taken
  std::unordered_map<Atom, HandedOver> handedOver_;
};

}  // namespace veltrano
