#pragma once

#include "platform/win32/win32_api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

namespace veltrano {

// The serial port on the Win32 communications API: port number N is the device \\.\COMN. Only
// the line settings are configured (no flow control, buffer sizes or modem lines); the bytes go
// out raw and nothing is read. Lives on the window's thread, whose message loop brings the
// failure reports.
class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort();
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  // 1..255, and only while closed.
  void SetCommPort(std::int16_t number) override;

  // "baud,N,8,1" (see line_settings.h); takes effect at once on an open port. Default
  // "9600,N,8,1".
  void SetSettings(std::string_view settings) override;

  // Opening an open port or closing a closed one does nothing.
  void SetPortOpen(bool open) override;
  bool PortOpen() const override;

  // A write that the device refuses or does not finish in time closes the port and raises Error.
  void Output(std::string_view bytes) override;

  // A device that fails while open (a write refused, or an adapter pulled out between writes,
  // which the port looks for several times a second) closes the port at once; the handler then
  // runs once from the message loop, unless the program opens or closes the port first.
  void OnFailure(std::function<void()> handler) override;

 private:
  static LRESULT CALLBACK WatchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Apply(std::int32_t baud);
  std::string DeviceName() const;
  void Close();
  void CloseAfterFailure();

  HANDLE port_ = INVALID_HANDLE_VALUE;
  HWND watch_ = nullptr;  // a message-only window: its timer checks the device, and it brings
                          // the failure report
  std::int16_t commPort_ = 1;
  std::int32_t baud_ = 9600;
  std::function<void()> onFailure_;
  // Counts the opens and closes the program asks for, so that a failure report still queued from
  // before one of them is dropped.
  std::uint64_t requests_ = 0;
};

}  // namespace veltrano
