#include "platform/win32/win32_serial_port.h"

#include <utility>

#include "platform/error.h"
#include "platform/win32/win32_error.h"

namespace veltrano {

namespace {

// Long enough for any packet at any usual baud rate, short enough that a dead line ends the run
// instead of the window.
constexpr DWORD kWriteTimeoutMs = 500;

}  // namespace

Win32SerialPort::~Win32SerialPort() { Close(); }

void Win32SerialPort::SetCommPort(std::int16_t number) {
  if (PortOpen()) throw Error("Port already open");
  if (number < 1 || number > 255) throw Error("Invalid port number");
  commPort_ = number;
}

std::int16_t Win32SerialPort::CommPort() const { return commPort_; }

void Win32SerialPort::SetSettings(std::string_view settings) {
  DCB check{};
  check.DCBlength = sizeof check;
  const std::string text(settings);
  // The system's reader accepts a few more forms; a text with blanks is not one of ours.
  if (text.empty() || text.find(' ') != std::string::npos || !BuildCommDCBA(text.c_str(), &check)) {
    throw Error("Invalid property value");
  }
  if (PortOpen()) Apply(text);
  settings_ = text;
}

std::string Win32SerialPort::Settings() const { return settings_; }

bool Win32SerialPort::PortOpen() const { return port_ != INVALID_HANDLE_VALUE; }

std::string Win32SerialPort::DeviceName() const { return "\\\\.\\COM" + std::to_string(commPort_); }

void Win32SerialPort::SetPortOpen(bool open) {
  if (open == PortOpen()) return;
  if (!open) {
    Close();
    return;
  }
  const std::string device = DeviceName();
  port_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                      nullptr);
  if (port_ == INVALID_HANDLE_VALUE) throw Win32Error("Cannot open " + device.substr(4));
  try {
    Apply(settings_);
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(port_, &timeouts)) throw Win32Error("Cannot set the port's time-outs");
  } catch (...) {
    Close();
    throw;
  }
}

void Win32SerialPort::Apply(std::string_view settings) {
  DCB line{};
  line.DCBlength = sizeof line;
  if (!GetCommState(port_, &line)) throw Win32Error("Cannot read the line settings");
  if (!BuildCommDCBA(std::string(settings).c_str(), &line)) throw Error("Invalid property value");
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
    Close();
    throw Error("COM" + std::to_string(commPort_) + ": " + reason);
  }
}

void Win32SerialPort::OnFailure(std::function<void()> handler) { onFailure_ = std::move(handler); }

void Win32SerialPort::Close() {
  if (port_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(port_);
  port_ = INVALID_HANDLE_VALUE;
}

}  // namespace veltrano
