#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/link_transport.h"
#include "platform/posix/posix_desktop_window_protocol.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {

// The desktop's window messages and global atoms on Linux, spoken to servers that listen on
// abstract Unix sockets (the wire format is in posix_desktop_window_protocol.h). Finding a window
// opens a connection that later messages to that window reuse; the version handshake goes out with
// it and its answer is read with the first message's, so a server of another version is told apart
// (said once on standard error, and no window) without a round trip of its own. A window that
// breaks its connection is gone for good: its handle gives kNoWindow from then on, and only a new
// FindWindowA reaches a server again. A window that does not answer a message in time keeps its
// connection, which still owes that answer: later messages look, without waiting, whether it has
// come, and are sent only once it has (its atom, if it hands one over, is deleted then). A new
// connection to a class replaces the earlier one, whose handle is then dead too, so at most one
// connection per class stays open however often a server restarts. Used from one thread.
//
// An answer brings the name of the atom it hands over, so reading that name asks the server
// nothing, and deleting the atom sends the deletion without waiting for a reply: a value costs
// one exchange. The name is the one the atom had when the server answered; once this transport
// has deleted the atom, reading its name fails, as the desktop's does.
class PosixLinkTransport final : public LinkTransport {
 public:
  // `answerTimeout` bounds each exchange with a server, and the connect that finding it makes.
  explicit PosixLinkTransport(std::chrono::milliseconds answerTimeout = kAnswerWait);

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  MessageResult SendMessageA(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                             std::int64_t lParam) override;
  // Only atoms that an answer handed over are known: any other has no name and cannot be
  // deleted from here.
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

  // Connections still open, for watching that dead ones are closed.
  std::size_t OpenConnections() const { return connections_.size(); }

 private:
  // A message's answer as far as it has come, after the handshake's answer when that is still to
  // be read.
  struct PendingAnswer {
    std::size_t hello = 0;  // bytes of the handshake's answer that come first
    std::array<std::uint8_t, desktop_window::kHelloSize + desktop_window::kMaxMessageAnswerSize>
        bytes{};
    std::size_t received = 0;

    // The bytes that make the whole answer, as far as those that have come tell.
    std::size_t Wanted(std::size_t count) const;
  };
  struct Connection {
    UniqueFd socket;
    std::string className;
    bool greeted = false;               // the handshake's answer has been read
    std::optional<PendingAnswer> owed;  // a message's answer that did not come in time
    std::vector<std::uint8_t> ahead;    // what came past the last answer taken
  };
  // An atom that an answer handed over, with the window that owns it and its name then ("" when
  // the atom did not exist).
  struct HandedOver {
    WindowHandle window = 0;
    std::string name;
  };

  // Reads `answer` on until it is whole, waiting no later than `deadline`, and takes it: the
  // handshake checked, the atom of the result noted (or, for a late answer, deleted).
  Delivery Take(WindowHandle window, Connection& connection, PendingAnswer& answer,
                Deadline deadline, bool late, std::int64_t& result);
  // Whether the handshake's answer, if it came first, names this version; says what is wrong
  // otherwise.
  bool HandshakeAgrees(const Connection& connection, const PendingAnswer& answer,
                       bool connectionBroke);
  bool SendDelete(WindowHandle window, Atom atom);
  void Forget(WindowHandle window);

  std::chrono::milliseconds answerTimeout_;
  WindowHandle lastHandle_ = 0;
  bool versionReported_ = false;
  std::unordered_map<WindowHandle, Connection> connections_;
  std::unordered_map<Atom, HandedOver> handedOver_;
};

}  // namespace veltrano
