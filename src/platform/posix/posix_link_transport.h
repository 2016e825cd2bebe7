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

#include "platform/link_transport.h"
#include "platform/posix/posix_desktop_window_protocol.h"
#include "platform/posix/posix_socket_io.h"

namespace veltrano {

// The desktop's window messages and global atoms on Linux, spoken to servers that listen on
// abstract Unix sockets (the wire format is in posix_desktop_window_protocol.h). Finding a window
// opens a connection that later messages to that window reuse. A window that breaks its connection
// is gone for good: its handle gives kNoWindow from then on, and only a new FindWindowA reaches a
// server again. A window that does not answer a message in time keeps its connection, which
// still owes that answer: later messages look, without waiting, whether it has come, and are
// sent only once it has (its atom, if it hands one over, is deleted then). A new connection to a
// class replaces the earlier one, whose handle is then dead too, so at most one connection per
// class stays open however often a server restarts. Used from one thread.
class PosixLinkTransport final : public LinkTransport {
 public:
  // `answerTimeout` bounds each exchange with a server, and the connect that finding it makes.
  explicit PosixLinkTransport(std::chrono::milliseconds answerTimeout = kAnswerWait);

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  MessageResult SendMessageA(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                             std::int64_t lParam) override;
  // Asks the server that last answered with `atom`, since that server owns its atom table.
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

  // Connections still open, for watching that dead ones are closed.
  std::size_t OpenConnections() const { return connections_.size(); }

 private:
  // The answer to a message that did not come in time, as far as it has come since.
  struct OwedAnswer {
    std::array<std::uint8_t, desktop_window::kResultSize> bytes{};
    std::size_t received = 0;
  };
  struct Connection {
    UniqueFd socket;
    std::string className;
    std::optional<OwedAnswer> owed;
  };

  // Takes what has come of an owed answer, without waiting. kAnswered once it is all there and
  // its atom deleted, kNoAnswerInTime while it is not, kNoWindow when the connection broke.
  Delivery CatchUp(WindowHandle window, Connection& connection);
  // Sends `request` to the window and fills `answer`; on any failure closes the connection.
  bool Exchange(WindowHandle window, std::span<const std::uint8_t> request,
                std::span<std::uint8_t> answer);
  // The atom's name from the window that answered with it; 0 on failure.
  int ReadAtomName(WindowHandle window, Atom atom, char* buffer, int size);
  void Forget(WindowHandle window);

  std::chrono::milliseconds answerTimeout_;
  WindowHandle lastHandle_ = 0;
  std::unordered_map<WindowHandle, Connection> connections_;
  std::unordered_map<Atom, WindowHandle> atomOwners_;
};

}  // namespace veltrano
