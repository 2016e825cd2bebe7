// QtSerialPort against a real pseudo-terminal: the test holds the master end, which stands for the
// device's far side, and links the slave end as COMn in a temporary working directory.

#include "platform/qt/qt_serial_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

// Left in the cooked mode it is created in, so only the port's own configuration makes it raw.
// The test keeps a slave descriptor of its own to read the line settings back through.
struct PseudoTerminal {
  PseudoTerminal() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        (slave = open(ptsname(master), O_RDWR | O_NOCTTY)) < 0)
      throw std::runtime_error("cannot create a pseudo-terminal");
    fs::create_symlink(ptsname(master), "COM3");
  }
  ~PseudoTerminal() {
    close(slave);
    CloseMaster();
    fs::remove("COM3");
  }

  // What the port has sent, once `count` bytes have come (short if they do not); the Qt event
  // loop runs meanwhile so that bytes the port has queued get written.
  std::string Receive(std::size_t count) const {
    std::string got;
    (void)QTest::qWaitFor(
        [&] {
          char byte = 0;
          while (read(master, &byte, 1) == 1) got += byte;
          return got.size() >= count;
        },
        10000);
    return got;
  }

  // As a USB adapter pulled out: every open slave end is hung up.
  void CloseMaster() { close(std::exchange(master, -1)); }

  int master = -1;
  int slave = -1;
};

class QtSerialPortTest : public ::testing::Test {
 protected:
  QtSerialPortTest() {
    port_.OnFailure([this] { openAtEachFailure_.push_back(port_.PortOpen()); });
  }

  void OpenCom3() {
    port_.SetCommPort(3);
    port_.SetSettings("19200,N,8,1");
    port_.SetPortOpen(true);
  }

  PseudoTerminal device_;
  QtSerialPort port_;
  std::vector<bool> openAtEachFailure_;
};

TEST_F(QtSerialPortTest, EveryByteValueArrivesUnchangedAndInOrderAt19200) {
  OpenCom3();
  termios line{};
  ASSERT_EQ(tcgetattr(device_.slave, &line), 0);
  EXPECT_EQ(cfgetospeed(&line), B19200);
  std::string everyByte;
  for (int value = 0; value < 256; ++value) everyByte += static_cast<char>(value);
  port_.Output(everyByte);
  EXPECT_EQ(device_.Receive(everyByte.size()), everyByte);
}

TEST_F(QtSerialPortTest, SettingsTextsAreTakenInTheirPlainFormOrRefused) {
  // No plain form means refused, and the settings before stay.
  const std::pair<const char*, const char*> cases[] = {
      {"19200,n,8,1", "19200,N,8,1"}, {"110,e,7,2", "110,E,7,2"},
      {"300,O,5,1.5", "300,O,5,1.5"}, {"2147483647,S,8,2", "2147483647,S,8,2"},
      {"2147483648,N,8,1", nullptr},  {"", nullptr},
      {"19200,N,8", nullptr},         {"0,N,8,1", nullptr},
      {"19200,X,8,1", nullptr},       {"19200,N,9,1", nullptr},
      {"19200,N,8,3", nullptr},       {" 19200,N,8,1", nullptr},
  };
  for (const auto& [text, plain] : cases) {
    SCOPED_TRACE(text);
    port_.SetSettings("9600,N,8,1");
    if (plain) {
      port_.SetSettings(text);
    } else {
      EXPECT_THROW(port_.SetSettings(text), Error);
    }
    EXPECT_EQ(port_.Settings(), plain ? plain : "9600,N,8,1");
  }
}

TEST_F(QtSerialPortTest, PortNumbersOutside1To255AreRefused) {
  port_.SetCommPort(1);
  port_.SetCommPort(255);
  for (const int number : {0, -1, 256}) EXPECT_THROW(port_.SetCommPort(number), Error);
  EXPECT_EQ(port_.CommPort(), 255);
}

TEST_F(QtSerialPortTest, MissingDeviceOrDeviceInUseRaises) {
  // A link left behind by a device that has gone.
  fs::create_symlink("/dev/pts/no-such-terminal", "COM5");
  port_.SetCommPort(5);
  EXPECT_THROW(port_.SetPortOpen(true), Error);
  EXPECT_FALSE(port_.PortOpen());
  fs::remove("COM5");

  OpenCom3();
  QtSerialPort second;
  second.SetCommPort(3);
  EXPECT_THROW(second.SetPortOpen(true), Error);
  EXPECT_FALSE(second.PortOpen());
}

TEST_F(QtSerialPortTest, PulledDeviceIsReportedOnceWithThePortClosed) {
  OpenCom3();
  // No write follows: the hang-up alone must show.
  device_.CloseMaster();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !openAtEachFailure_.empty(); }, 10000));
  // Gives a device left open the chance to report again.
  for (int turn = 0; turn < 50; ++turn) QCoreApplication::processEvents();
  EXPECT_EQ(openAtEachFailure_, std::vector<bool>{false});
  EXPECT_THROW(port_.Output("X"), Error);
}

TEST_F(QtSerialPortTest, CloseAskedForByTheProgramIsNeverReportedAndStopsOutput) {
  EXPECT_THROW(port_.Output("X"), Error);
  OpenCom3();
  port_.SetPortOpen(false);
  EXPECT_THROW(port_.Output("X"), Error);
  device_.CloseMaster();
  for (int turn = 0; turn < 50; ++turn) QCoreApplication::processEvents();
  EXPECT_TRUE(openAtEachFailure_.empty());
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
