#pragma once

#include "platform/win32/win32_api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

namespace veltrano {

// The serial port on the Win32 communications API: port number N is the device \\.\COMN. Only
// the four line settings are configured (no flow control, buffer sizes or modem lines); the
// bytes go out raw and nothing is read.
class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort() = default;
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  // 1..255, and only while closed.
  void SetCommPort(std::int16_t number) override;
  std::int16_t CommPort() const override;

  // Anything the system's own reader of mode texts takes ("19200,N,8,1"). Takes effect at once on
  // an open port. Default "9600,N,8,1".
  void SetSettings(std::string_view settings) override;
  std::string Settings() const override;

  // Opening an open port or closing a closed one does nothing.
  void SetPortOpen(bool open) override;
  bool PortOpen() const override;

  // A write that the device refuses or does not finish in time (an adapter pulled out) closes the
  // port and raises Error, which is how the failure reaches the run.
  void Output(std::string_view bytes) override;

  // Failures show only when writing, so they come through Output; the handler is kept for the
  // interface's sake and never called by this port.
  void OnFailure(std::function<void()> handler) override;

 private:
  void Apply(std::string_view settings);
  std::string DeviceName() const;
  void Close();

  HANDLE port_ = INVALID_HANDLE_VALUE;
  std::int16_t commPort_ = 1;
  std::string settings_ = "9600,N,8,1";
  std::function<void()> onFailure_;
};

}  // namespace veltrano
