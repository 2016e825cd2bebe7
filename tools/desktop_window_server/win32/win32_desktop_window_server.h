#pragma once

#include "platform/win32/win32_api.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "desktop_window_server/desktop_window_server.h"

namespace veltrano {

// The Windows server: a hidden top-level window whose answers name the desktop's real global
// atoms. With a frame schedule the thread runs a game loop: during a frame it waits without
// pumping, so that messages from other programs wait as they do for a server inside a simulator,
// and at each boundary it handles every message that is there. Stop ends a frame at once, and so
// does closing the window (WM_CLOSE).
class Win32DesktopWindowServer final : public DesktopWindowServer {
 public:
  Win32DesktopWindowServer(std::string_view className, Handler handler,
                           FrameSchedule* frames = nullptr);
  ~Win32DesktopWindowServer() override;
  Win32DesktopWindowServer(const Win32DesktopWindowServer&) = delete;
  Win32DesktopWindowServer& operator=(const Win32DesktopWindowServer&) = delete;

  void Run() override;
  void Stop() noexcept override;
  Atom AddAtom(std::string_view name) override;
  Atom UnusedAtom() const override;
  std::optional<std::string> AtomName(Atom atom) const override;
  std::size_t LiveAtoms() const override;

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
