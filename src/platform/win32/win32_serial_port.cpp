#include "platform/win32/win32_serial_port.h"

#include <utility>

#include "platform/error.h"
#include "platform/line_settings.h"
#include "platform/win32/win32_error.h"

namespace veltrano {

namespace {

// Long enough for any packet at any usual baud rate, short enough that a dead line ends the run
// instead of the window.
constexpr DWORD kWriteTimeoutMs = 500;

// How often an open port asks whether its device is still there. Windows reports a pulled
// adapter only to a call on its handle, and between the writes of a run nothing else asks.
constexpr UINT kCheckIntervalMs = 100;
constexpr UINT_PTR kCheckTimer = 1;

// The failure report; lParam is the count of requests when the device failed.
constexpr UINT kFailureMessage = WM_APP + 2;

constexpr const char* kWatchClass = "VeltranoSerialPortWatch";

}  // namespace

Win32SerialPort::Win32SerialPort() {
  WNDCLASSA watchClass{};
  watchClass.lpfnWndProc = &Win32SerialPort::WatchProcedure;
  watchClass.hInstance = GetModuleHandleA(nullptr);
  watchClass.lpszClassName = kWatchClass;
  if (RegisterClassA(&watchClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Win32Error("Cannot register the serial port's window class");
  }
  watch_ = CreateWindowExA(0, kWatchClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           watchClass.hInstance, nullptr);
  if (watch_ == nullptr) throw Win32Error("Cannot create the serial port's window");
  SetWindowLongPtrA(watch_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32SerialPort::~Win32SerialPort() {
  Close();
  DestroyWindow(watch_);
}

LRESULT CALLBACK Win32SerialPort::WatchProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* port = reinterpret_cast<Win32SerialPort*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (port == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_TIMER && wParam == kCheckTimer) {
    DWORD errors = 0;
    COMSTAT status{};
    if (port->PortOpen() && !ClearCommError(port->port_, &errors, &status)) {
      port->CloseAfterFailure();
    }
    return 0;
  }
  if (message == kFailureMessage) {
    port->ReportFailure(static_cast<std::uint64_t>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32SerialPort::PortOpen() const { return port_ != INVALID_HANDLE_VALUE; }

std::string Win32SerialPort::DeviceName() const {
  return "\\\\.\\COM" + std::to_string(CommPortNumber());
}

void Win32SerialPort::Open() {
  const std::string device = DeviceName();
  port_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                      nullptr);
  if (port_ == INVALID_HANDLE_VALUE) throw Win32Error("Cannot open " + device.substr(4));
  try {
    ChangeBaud(Baud());
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(port_, &timeouts)) throw Win32Error("Cannot set the port's time-outs");
    if (SetTimer(watch_, kCheckTimer, kCheckIntervalMs, nullptr) == 0) {
      throw Win32Error("Cannot watch the port");
    }
  } catch (...) {
    Close();
    throw;
  }
}

void Win32SerialPort::ChangeBaud(std::int32_t baud) {
  DCB line{};
  line.DCBlength = sizeof line;
  if (!GetCommState(port_, &line)) throw Win32Error("Cannot read the line settings");
  // The system's reader of mode texts sets the flow control and modem lines as a mode command
  // would, besides the four settings.
  if (!BuildCommDCBA(LineSettingsText(baud).c_str(), &line)) throw Error("Invalid property value");
  line.fBinary = TRUE;  // raw bytes, no end-of-file character
  if (!SetCommState(port_, &line)) throw Win32Error("The port refuses the line settings");
}

void Win32SerialPort::Output(std::string_view bytes) {
  if (!PortOpen()) throw Error("Port is closed");
  if (bytes.empty()) return;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (!ok || written != bytes.size()) {
    const std::string reason = ok ? "write timed out" : Win32Error::Describe(GetLastError());
    CloseAfterFailure();
    throw Error("COM" + std::to_string(CommPortNumber()) + ": " + reason);
  }
}

void Win32SerialPort::Close() {
  if (port_ == INVALID_HANDLE_VALUE) return;
  KillTimer(watch_, kCheckTimer);
  CloseHandle(port_);
  port_ = INVALID_HANDLE_VALUE;
}

void Win32SerialPort::CloseAfterFailure() {
  if (!PortOpen()) return;
  Close();
  // The handler may well stop the run and touch this port; it runs from the message loop instead.
  PostMessageA(watch_, kFailureMessage, 0, static_cast<LPARAM>(Requests()));
}

}  // namespace veltrano
