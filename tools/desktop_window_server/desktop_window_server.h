#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "desktop_window_server/frame_schedule.h"
#include "platform/link_transport.h"

namespace veltrano {

// The server end of the desktop operations that the link client is made of: owns a top-level
// window of a class from construction on, answers the messages that clients send to it, and
// keeps the global atoms that its answers name. Run serves until Stop.
//
// With a frame schedule the window procedure runs only between the frames of a game loop, as it
// does for a server inside a simulator: a message that comes during a frame waits for the next
// boundary. Reading and deleting atoms is the desktop's work, not the window's, and is answered
// at once.
class DesktopWindowServer {
 public:
  // The window procedure: the result of one message. No value means that the procedure never
  // returns for that sender: the sender waits until its own time-out, while other senders are
  // served as before. It runs on the thread of Run.
  using Handler = std::function<std::optional<std::int64_t>(
      std::uint32_t message, std::uint64_t wParam, std::int64_t lParam)>;

  virtual ~DesktopWindowServer() = default;

  // Serves on the calling thread until Stop. An error of the handler ends it and propagates.
  virtual void Run() = 0;

  // Makes Run return, now or as soon as it starts. Safe from any thread and from a signal
  // handler.
  virtual void Stop() noexcept = 0;

  // The atom table, usable from any thread (the handler adds the atoms of its replies).
  virtual Atom AddAtom(std::string_view name) = 0;
  // A number in the atom range that no atom has now.
  virtual Atom UnusedAtom() const = 0;
  virtual std::optional<std::string> AtomName(Atom atom) const = 0;
  // The atoms added here that exist now: those the clients have not deleted.
  virtual std::size_t LiveAtoms() const = 0;
};

// The system-wide message id for `name`, the one clients get for it.
std::uint32_t ServerMessageId(std::string_view name);

// The server of the system built for. Raises Error when another server owns the class already,
// or when the server cannot be made. `frames`, when given, must outlive the server; Run asks it
// for each frame. Construction and Run belong on one thread.
std::unique_ptr<DesktopWindowServer> NewDesktopWindowServer(std::string_view className,
                                                            DesktopWindowServer::Handler handler,
                                                            FrameSchedule* frames = nullptr);

}  // namespace veltrano
