#include "platform/win32/win32_api.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "desktop_window_server/desktop_window_server.h"
#include "platform/error.h"
#include "platform/win32/win32_error.h"

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

namespace {

constexpr Atom kFirstAtom = 0xC000;
constexpr Atom kLastAtom = 0xFFFF;
constexpr int kAtomNameBufferSize = 255;

}  // namespace

std::uint32_t ServerMessageId(std::string_view name) {
  return ::RegisterWindowMessageA(std::string(name).c_str());
}

std::unique_ptr<DesktopWindowServer> NewDesktopWindowServer(std::string_view className,
                                                            DesktopWindowServer::Handler handler,
                                                            FrameSchedule* frames) {
  return std::make_unique<Win32DesktopWindowServer>(className, std::move(handler), frames);
}

Win32DesktopWindowServer::Win32DesktopWindowServer(std::string_view className, Handler handler,
                                                   FrameSchedule* frames)
    : className_(className), handler_(std::move(handler)), frames_(frames) {
  if (FindWindowA(className_.c_str(), nullptr) != nullptr) {
    throw Error("Another server owns the window class " + className_);
  }
  stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (stopEvent_ == nullptr) throw Win32Error("Cannot create an event");
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &Win32DesktopWindowServer::WindowProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className_.c_str();
  if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Win32Error("Cannot register the window class " + className_);
  }
  // Top-level, so that FindWindowA finds it, and never shown.
  window_ = CreateWindowExA(0, className_.c_str(), className_.c_str(), WS_OVERLAPPED, 0, 0, 0, 0,
                            nullptr, nullptr, windowClass.hInstance, this);
  if (window_ == nullptr) {
    CloseHandle(stopEvent_);
    throw Win32Error("Cannot create the window " + className_);
  }
}

Win32DesktopWindowServer::~Win32DesktopWindowServer() {
  if (!destroyed_) DestroyWindow(window_);
  UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
  CloseHandle(stopEvent_);
}

void Win32DesktopWindowServer::Run() {
  PumpUntilStopped();
  // Gone from the desktop before the caller reports: a client that asks now finds no server.
  DestroyWindow(window_);
  destroyed_ = true;
}

void Win32DesktopWindowServer::Stop() noexcept {
  stopped_ = true;
  // Wakes the pump, whether it waits for messages or for the end of a frame.
  SetEvent(stopEvent_);
}

LRESULT CALLBACK Win32DesktopWindowServer::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                           LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* server =
      reinterpret_cast<Win32DesktopWindowServer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (server == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_CLOSE) {
    server->Stop();
    return 0;
  }
  if (message < WM_USER) return DefWindowProcA(window, message, wParam, lParam);
  return server->Answer(message, wParam, lParam);
}

LRESULT Win32DesktopWindowServer::Answer(UINT message, WPARAM wParam, LPARAM lParam) {
  const std::optional<std::int64_t> answer =
      handler_(message, static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam));
  if (answer) return static_cast<LRESULT>(*answer);
  PumpUntilStopped();
  return 0;
}

void Win32DesktopWindowServer::PumpUntilStopped() {
  MSG message{};
  while (WaitForMessages()) {
    // Peeking also delivers messages that other threads and processes send.
    while (!stopped_ && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        Stop();
        break;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

bool Win32DesktopWindowServer::WaitForMessages() {
  if (frames_ == nullptr) {
    MsgWaitForMultipleObjectsEx(1, &stopEvent_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return !stopped_;
  }
  // Not a message wait: what other programs send stays queued until the frame is over.
  const auto end = frames_->FrameEnd(std::chrono::steady_clock::now());
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (stopped_ || left.count() <= 0) return !stopped_;
    WaitForSingleObject(stopEvent_, static_cast<DWORD>(left.count()));
  }
}

Atom Win32DesktopWindowServer::AddAtom(std::string_view name) {
  const Atom atom = GlobalAddAtomA(std::string(name).c_str());
  if (atom == 0) throw Win32Error("Cannot add a global atom");
  std::lock_guard lock(atomsMutex_);
  added_.insert(atom);
  return atom;
}

Atom Win32DesktopWindowServer::UnusedAtom() const {
  char name[kAtomNameBufferSize];
  for (unsigned number = kLastAtom; number >= kFirstAtom; --number) {
    if (GlobalGetAtomNameA(static_cast<Atom>(number), name, kAtomNameBufferSize) == 0) {
      return static_cast<Atom>(number);
    }
  }
  return 0;
}

std::optional<std::string> Win32DesktopWindowServer::AtomName(Atom atom) const {
  char name[kAtomNameBufferSize];
  const UINT length = GlobalGetAtomNameA(atom, name, kAtomNameBufferSize);
  if (length == 0) return std::nullopt;
  return std::string(name, length);
}

std::size_t Win32DesktopWindowServer::LiveAtoms() const {
  std::lock_guard lock(atomsMutex_);
  std::size_t live = 0;
  for (const Atom atom : added_) live += AtomName(atom).has_value() ? 1 : 0;
  return live;
}

}  // namespace veltrano
