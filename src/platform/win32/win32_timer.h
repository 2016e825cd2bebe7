#pragma once

#include "platform/win32/win32_api.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/window_toolkit.h"

namespace veltrano {

// A periodic timer whose ticks run on the window's thread. The plain window timer follows the
// system tick (about 15.6 ms), so a thread of its own waits on a high-resolution waitable timer
// for deadlines counted from the start (no drift) and posts each tick to the window. A tick that
// is already waiting in the queue is not posted twice, and one that arrives while the handler
// runs (a modal box pumps messages) is kept as one pending tick, run after the handler returns.
class Win32Timer final : public Timer {
 public:
  // The message that carries the ticks; wParam is this timer, lParam the run it belongs to.
  static constexpr UINT kTickMessage = WM_APP + 1;

  Win32Timer(HWND window, std::string_view name, int intervalMs);
  ~Win32Timer() override;
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  void OnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

  // The window procedure hands each tick message to its timer.
  void Deliver(LPARAM run);

 private:
  void Count(std::uint64_t run, HANDLE waitable);
  void Tick();

  HWND window_;
  std::string name_;
  int intervalMs_;
  std::function<void()> handler_;
  bool enabled_ = false;
  bool running_ = false;  // the handler is on the stack
  bool pending_ = false;
  std::uint64_t run_ = 0;  // counts the starts, so ticks of an earlier run are dropped
  std::atomic<bool> posted_ = false;
  HANDLE stop_ = nullptr;
  std::thread counter_;
};

}  // namespace veltrano
