#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace veltrano {

// The system's own serial devices as the kernel knows them: the device of port number N when no
// COMN link names another, and whether a chip is behind it. A /dev/ttyS device exists on most PCs
// whether or not a UART is fitted, and one without takes the packets into nothing.
class SystemSerialDevices {
 public:
  virtual ~SystemSerialDevices() = default;

  // The device of port `number` (1 is the first).
  virtual std::filesystem::path DeviceOf(std::int16_t number) const = 0;

  // Whether the kernel reports that no UART is behind the open device `descriptor` (a UART port
  // of unknown type). A device that is no UART port at all, such as a USB adapter or a
  // pseudo-terminal, is not missing one.
  virtual bool UartMissing(int descriptor) const = 0;
};

// The kernel's own answers: /dev/ttyS(N-1), and the UART type that the kernel reports for it.
std::unique_ptr<SystemSerialDevices> MakeSystemSerialDevices();

}  // namespace veltrano
