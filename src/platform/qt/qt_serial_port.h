#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/serial_port.h"

class QSerialPort;

namespace veltrano {

// The serial port on Qt SerialPort. Port number N is the file COMN in the working directory when
// there is one (normally a link to the real device: `ln -s /dev/ttyACM0 COM3`), otherwise the
// system's serial device /dev/ttyS(N-1). Only the line settings are configured; the bytes go
// out raw and whatever arrives is discarded.
//
// Failure reports need an event loop (QCoreApplication) on the thread that uses the port.
class QtSerialPort final : public SerialPort {
 public:
  QtSerialPort();
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  // 1..255, and only while closed.
  void SetCommPort(std::int16_t number) override;

  // "baud,N,8,1" (see line_settings.h); takes effect at once on an open port. Default
  // "9600,N,8,1".
  void SetSettings(std::string_view settings) override;

  // Opening an open port or closing a closed one does nothing.
  void SetPortOpen(bool open) override;
  bool PortOpen() const override;

  void Output(std::string_view bytes) override;

  // A device that fails while open (read or write error, hang-up) closes the port at once; the
  // handler then runs once from the event loop, unless the program opens or closes the port first.
  void OnFailure(std::function<void()> handler) override;

 private:
  std::filesystem::path DevicePath() const;
  std::string Describe() const;
  void ApplyLineSettings(std::int32_t baud);
  void CloseAfterFailure();

  std::unique_ptr<QSerialPort> port_;
  std::int16_t commPort_ = 1;
  std::filesystem::path device_;  // the device of the latest open
  std::int32_t baud_ = 9600;
  std::function<void()> onFailure_;
  std::string lastError_;  // Qt's text for the latest error, which closing the port may clear
  // Counts the opens and closes the program asks for, so that a failure report still queued from
  // before one of them is dropped.
  std::uint64_t requests_ = 0;
};

}  // namespace veltrano
