#include "platform/system_serial_devices.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <string>

namespace veltrano {
namespace {

class PosixSystemSerialDevices final : public SystemSerialDevices {
 public:
  std::filesystem::path DeviceOf(std::int16_t number) const override {
    return "/dev/ttyS" + std::to_string(number - 1);
  }

  // Drivers that are no UART ports refuse the question, or answer it with a type of their own
  // choosing (a USB modem's leaves it unknown too), which is why only the system's own devices
  // are asked.
  bool UartMissing(int descriptor) const override {
    serial_struct serial{};
    if (ioctl(descriptor, TIOCGSERIAL, &serial) != 0) return false;
    return serial.type == PORT_UNKNOWN;
  }
};

}  // namespace

std::unique_ptr<SystemSerialDevices> MakeSystemSerialDevices() {
  return std::make_unique<PosixSystemSerialDevices>();
}

}  // namespace veltrano
