#pragma once

#include "platform/win32/win32_api.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/serial_port_base.h"

namespace veltrano {

// The serial port on the Win32 communications API: port number N is the device \\.\COMN. Only
// the line settings are configured (no flow control, buffer sizes or modem lines); the bytes go
// out raw and nothing is read. Lives on the window's thread, whose message loop brings the
// failure reports.
class Win32SerialPort final : public SerialPortBase {
 public:
  Win32SerialPort();
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  bool PortOpen() const override;

  // A write that the device refuses or does not finish in time is a failure of the device, and so
  // is an adapter pulled out between writes, which the port looks for several times a second.
  void Output(std::string_view bytes) override;

 private:
  static LRESULT CALLBACK WatchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Open() override;
  void Close() override;
  void ChangeBaud(std::int32_t baud) override;
  std::string DeviceName() const;
  void CloseAfterFailure();

  HANDLE port_ = INVALID_HANDLE_VALUE;
  // A message-only window: its timer checks the device, and it brings the failure report.
  HWND watch_ = nullptr;
};

}  // namespace veltrano
