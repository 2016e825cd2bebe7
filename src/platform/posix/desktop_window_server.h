#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frame_schedule.h"
#include "platform/link_transport.h"
#include "platform/posix/atom_table.h"
#include "platform/posix/desktop_window_protocol.h"
#include "platform/posix/socket_io.h"

namespace veltrano {

// Owns a window class and serves its messages and the global atoms to any number of clients at
// once (the wire format is in desktop_window_protocol.h). The window is there from construction
// on; Run serves until Stop. An atom that an answer hands to a client belongs to that client until
// it deletes it: a client that goes without doing so (it gave up waiting for the answer, or died)
// can never name it again, so the server deletes it then. Other atoms that nobody deletes stay in
// the table and are counted.
//
// With a frame schedule the window procedure runs only between the frames of a game loop: at each
// boundary it answers the one message that each client has waiting then, and a message that comes
// during a frame waits for the next boundary, with the client's later requests behind it. Reading
// and deleting atoms is the desktop's work, not the window's, and is answered at once.
class DesktopWindowServer {
 public:
  // The window procedure: the result of one message. No value means that the procedure never
  // returns for that client: neither this request nor any later one on its connection is
  // answered, while other clients are served as before. It runs on the thread of Run.
  using Handler = std::function<std::optional<std::int64_t>(
      std::uint32_t message, std::uint64_t wParam, std::int64_t lParam)>;

  // The system-wide message id for `name`, the one clients get for it.
  static std::uint32_t RegisterWindowMessageA(std::string_view name) {
    return desktop_window::MessageIdFor(name);
  }

  // Raises Error when another server owns the class already, or when the socket cannot be made.
  // `frames`, when given, must outlive the server; Run asks it for each frame.
  DesktopWindowServer(std::string_view className, Handler handler, FrameSchedule* frames = nullptr);
  ~DesktopWindowServer();
  DesktopWindowServer(const DesktopWindowServer&) = delete;
  DesktopWindowServer& operator=(const DesktopWindowServer&) = delete;

  const std::string& ClassName() const { return className_; }

  // Serves on the calling thread until Stop. An error of the handler ends it and propagates.
  void Run();

  // Makes Run return, now or as soon as it starts. Safe from any thread and from a signal
  // handler.
  void Stop() noexcept;

  // The atom table, usable from any thread (the handler adds the atoms of its replies).
  Atom AddAtom(std::string_view name);
  Atom UnusedAtom() const;
  std::optional<std::string> AtomName(Atom atom) const;
  // The atoms that exist now: those added and not yet deleted as often as added.
  std::size_t LiveAtoms() const;

 private:
  struct Client;

  void AcceptClients(std::vector<Client>& clients);
  // Reads what the client sent and answers the complete requests that may be answered now; false
  // when it is done.
  bool Receive(Client& client);
  // Answers the client's requests in order, up to `messages` window messages among them.
  bool HandleRequests(Client& client, std::size_t messages);
  // How many window messages of a client may be answered outside a frame boundary.
  std::size_t MessagesBetweenBoundaries() const;
  bool Flush(Client& client);
  void AnswerAtomName(Client& client, Atom atom);
  // The atom that an answer names, when it is one that exists.
  std::optional<Atom> LiveAtomIn(std::int64_t result) const;
  void DeleteUnclaimedAtoms(Client& client);

  std::string className_;
  Handler handler_;
  FrameSchedule* frames_;
  UniqueFd listener_;
  UniqueFd wake_;  // an eventfd: readable once Stop has been called
  mutable std::mutex atomsMutex_;
  AtomTable atoms_;
};

}  // namespace veltrano
