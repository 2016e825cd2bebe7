#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/serial_port_base.h"
#include "platform/system_serial_devices.h"

class QSerialPort;

namespace veltrano {

// The serial port on Qt SerialPort. Port number N is the file COMN in the working directory when
// there is one (normally a link to the real device: `ln -s /dev/ttyUSB0 COM3`), otherwise the
// system's serial device /dev/ttyS(N-1), which is refused as missing when the kernel knows no
// UART behind it. Only the line settings are configured; the bytes go out raw and whatever
// arrives is discarded.
//
// Failure reports need an event loop (QCoreApplication) on the thread that uses the port.
class QtSerialPort final : public SerialPortBase {
 public:
  explicit QtSerialPort(std::unique_ptr<SystemSerialDevices> devices = MakeSystemSerialDevices());
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  bool PortOpen() const override;

  // A write error or a hang-up, while writing or between writes, is a failure of the device.
  void Output(std::string_view bytes) override;

 private:
  void Open() override;
  void Close() override;
  void ChangeBaud(std::int32_t baud) override;

  std::filesystem::path LinkPath() const;
  std::string Describe() const;
  void ApplyLineSettings(std::int32_t baud);
  void CloseAfterFailure();

  std::unique_ptr<SystemSerialDevices> devices_;
  std::unique_ptr<QSerialPort> port_;
  std::filesystem::path device_;  // the device of the latest open
  std::string lastError_;  // Qt's text for the latest error, which closing the port may clear
};

}  // namespace veltrano
