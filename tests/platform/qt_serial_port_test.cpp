// QtSerialPort against a real pseudo-terminal: the test holds the master end, which stands for the
// device's far side, and links the slave end as COM3 in a temporary working directory, or has it
// stand for the system's own device, with the kernel's answer about a UART behind it scripted.

#include "platform/qt/qt_serial_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/system_serial_devices.h"

namespace veltrano {
namespace {

// The terminal is left in the cooked mode it is created in, so only the port's own configuration
// makes it raw.
struct QtSerialPortTest : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0);
    std::filesystem::create_symlink(ptsname(master_), "COM3");
  }
  void TearDown() override {
    close(master_);
    std::filesystem::remove("COM3");
  }

  void OpenCom3() {
    port_.SetCommPort(3);
    port_.SetSettings("19200,N,8,1");
    port_.SetPortOpen(true);
  }

  int master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  QtSerialPort port_;
};

TEST_F(QtSerialPortTest, EveryByteValueArrivesUnchangedAndInOrderAt19200) {
  OpenCom3();
  termios line{};  // the master end reads back the slave end's line settings
  ASSERT_EQ(tcgetattr(master_, &line), 0);
  EXPECT_EQ(cfgetospeed(&line), B19200);
  std::string everyByte, got;
  for (int value = 0; value < 256; ++value) everyByte += static_cast<char>(value);
  port_.Output(everyByte);
  // The Qt event loop runs meanwhile, so that bytes the port has queued get written.
  const auto arrived = [&] {
    for (char byte = 0; read(master_, &byte, 1) == 1;) got += byte;
    return got.size() >= everyByte.size();
  };
  (void)QTest::qWaitFor(arrived, 10000);
  EXPECT_EQ(got, everyByte);
}

TEST_F(QtSerialPortTest, ADeviceInUseRaises) {
  OpenCom3();
  QtSerialPort second;
  second.SetCommPort(3);
  EXPECT_THROW(second.SetPortOpen(true), Error);
  EXPECT_FALSE(second.PortOpen());
}

// The system's device for every port is the test's terminal; the kernel's answer is the test's.
struct ScriptedSerialDevices final : SystemSerialDevices {
  ScriptedSerialDevices(std::filesystem::path device, bool uartMissing)
      : device(std::move(device)), uartMissing(uartMissing) {}
  std::filesystem::path DeviceOf(std::int16_t) const override { return device; }
  bool UartMissing(int) const override { return uartMissing; }
  std::filesystem::path device;
  bool uartMissing;
};

// A system device without a UART is missing; a COMN link is taken as it is, whatever the kernel
// says of the device, and the system's device is used only when there is no link.
TEST_F(QtSerialPortTest, ASystemDeviceWithoutAUartIsRefusedUnlessALinkNamesADevice) {
  const struct {
    bool linked, uartMissing, opens;
  } cases[] = {{false, true, false}, {false, false, true}, {true, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "linked " << c.linked << ", UART missing " << c.uartMissing);
    if (!c.linked) std::filesystem::remove("COM3");
    QtSerialPort port(std::make_unique<ScriptedSerialDevices>(ptsname(master_), c.uartMissing));
    port.SetCommPort(3);
    port.SetSettings("19200,N,8,1");
    try {
      port.SetPortOpen(true);
    } catch (const Error&) {
    }
    EXPECT_EQ(port.PortOpen(), c.opens);
    if (!c.linked) std::filesystem::create_symlink(ptsname(master_), "COM3");
  }
}

// A pseudo-terminal is no UART port: the kernel's real answer must not take it for a missing one.
TEST_F(QtSerialPortTest, TheKernelDoesNotTakeADeviceThatIsNoUartPortForAMissingUart) {
  EXPECT_FALSE(MakeSystemSerialDevices()->UartMissing(master_));
  EXPECT_EQ(MakeSystemSerialDevices()->DeviceOf(1), "/dev/ttyS0");
}

}  // namespace
}  // namespace veltrano

// The port's failure reports travel through the Qt event loop. The tests run in a temporary
// working directory, where each device links itself as COM3.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  std::string directory = (std::filesystem::temp_directory_path() / "serial-port-test-XXXXXX");
  if (mkdtemp(directory.data()) == nullptr) return 1;
  std::filesystem::current_path(directory);
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(directory);
  return result;
}
