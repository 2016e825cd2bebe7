#pragma once

#include "platform/win32/windows_api.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/frame_schedule.h"
#include "platform/link_transport.h"

namespace veltrano {

// Owns a hidden top-level window of a class and answers the messages that programs send to it;
// the atoms of the answers are the desktop's real global atoms. The window is there from
// construction on; Run pumps its messages until Stop. Construction and Run belong on one thread.
//
// With a frame schedule the thread runs a game loop: during a frame it waits without pumping, so
// that messages from other programs wait as they do for a server inside a simulator, and at each
// boundary it handles every message that is there. Stop ends a frame at once.
class DesktopWindowServer {
 public:
  // The window procedure for application and registered messages: the result of one message. No
  // value means that the procedure never returns for that sender: the sender waits until its own
  // time-out while messages from others are still answered. Runs on the thread of Run.
  using Handler = std::function<std::optional<std::int64_t>(
      std::uint32_t message, std::uint64_t wParam, std::int64_t lParam)>;

  // The system-wide message id for `name`.
  static std::uint32_t RegisterWindowMessageA(std::string_view name);

  // Raises Error when a window of the class exists already, or when the window cannot be made.
  // `frames`, when given, must outlive the server; Run asks it for each frame.
  DesktopWindowServer(std::string_view className, Handler handler, FrameSchedule* frames = nullptr);
  ~DesktopWindowServer();
  DesktopWindowServer(const DesktopWindowServer&) = delete;
  DesktopWindowServer& operator=(const DesktopWindowServer&) = delete;

  const std::string& ClassName() const { return className_; }

  // Serves until Stop, or until the window is closed (WM_CLOSE).
  void Run();

  // Makes Run return, now or as soon as it starts. Safe from any thread.
  void Stop() noexcept;

  Atom AddAtom(std::string_view name);
  // A number in the atom range that no global atom has now.
  Atom UnusedAtom() const;
  std::optional<std::string> AtomName(Atom atom) const;
  // The atoms added here that still exist: those the clients have not deleted.
  std::size_t LiveAtoms() const;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam);
  // Handles messages as they come, or at the boundaries of the frames, until Stop. Run calls it,
  // and so does a procedure that does not return, to serve other senders meanwhile.
  void PumpUntilStopped();
  // Waits for the next message, or for the end of a frame that starts now; false after Stop.
  bool WaitForMessages();

  std::string className_;
  Handler handler_;
  FrameSchedule* frames_;
  HWND window_ = nullptr;  // set once by the constructor
  bool destroyed_ = false;
  std::atomic<bool> stopped_ = false;
  HANDLE stopEvent_ = nullptr;  // signalled by Stop: ends any wait of the pump
  mutable std::mutex atomsMutex_;
  std::set<Atom> added_;
};

}  // namespace veltrano
