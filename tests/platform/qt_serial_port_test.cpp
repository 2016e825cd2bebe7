// QtSerialPort against a real pseudo-terminal: the test holds the master end, which stands for the
// device's far side, and links the slave end as COMn in a temporary working directory.

#include "platform/qt/qt_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/error.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal left in the mode it is created in (cooked, with output translation), so that
// only the port's own configuration can make the line raw. The test also keeps a slave descriptor
// of its own to read the line settings back through.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      throw std::runtime_error("cannot create a pseudo-terminal");
    }
    slavePath_ = ptsname(master_);
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) throw std::runtime_error("cannot open " + slavePath_);
  }
  ~PseudoTerminal() {
    if (slave_ >= 0) close(slave_);
    CloseMaster();
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  void LinkAs(const fs::path& link) const { fs::create_symlink(slavePath_, link); }

  termios LineSettings() const {
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) throw std::runtime_error("tcgetattr failed");
    return settings;
  }

  // What the port has sent, once `count` bytes have come; the Qt event loop runs meanwhile so
  // that bytes the port has queued get written.
  std::string Receive(std::size_t count) {
    std::string got;
    // Comes back short when the bytes do not come, and the comparison shows what did.
    (void)QTest::qWaitFor(
        [&] {
          char chunk[512];
          ssize_t size = 0;
          while ((size = read(master_, chunk, sizeof chunk)) > 0) {
            got.append(chunk, static_cast<std::size_t>(size));
          }
          return got.size() >= count;
        },
        10000);
    return got;
  }

  // As a USB adapter pulled out: every open slave end is hung up.
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

class QtSerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDirectory_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "serial-port-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    fs::current_path(directory_);
    device_.LinkAs(directory_ / "COM3");
    port_.OnFailure([this] {
      ++failures_;
      openAtFailure_ = port_.PortOpen();
    });
  }

  void TearDown() override {
    port_.SetPortOpen(false);
    fs::current_path(previousDirectory_);
    fs::remove_all(directory_);
  }

  void OpenCom3() {
    port_.SetCommPort(3);
    port_.SetSettings("19200,N,8,1");
    port_.SetPortOpen(true);
  }

  // Lets every report already queued arrive, and gives a device left open the chance to report
  // again.
  static void RunEventLoopForAWhile() {
    for (int turn = 0; turn < 50; ++turn) QCoreApplication::processEvents();
  }

  static std::string ErrorText(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& error) {
      return error.what();
    }
    return "(no error)";
  }

  fs::path previousDirectory_;
  fs::path directory_;
  PseudoTerminal device_;
  QtSerialPort port_;
  int failures_ = 0;
  std::optional<bool> openAtFailure_;
};

TEST_F(QtSerialPortTest, EveryByteValueArrivesUnchangedAndInOrder) {
  OpenCom3();
  std::string everyByte;
  for (int value = 0; value < 256; ++value) everyByte += static_cast<char>(value);
  // Bytes that a terminal line translates or acts on unless the line is raw.
  const std::string lineControls("\n\r\x11\x13\x00\xff\x58\x03\x04\x1a", 10);

  port_.Output(everyByte);
  port_.Output(lineControls);

  EXPECT_EQ(device_.Receive(everyByte.size() + lineControls.size()), everyByte + lineControls);
}

TEST_F(QtSerialPortTest, LineIsSetFromTheSettingsTextAndNothingElse) {
  OpenCom3();
  const termios line = device_.LineSettings();

  EXPECT_EQ(cfgetospeed(&line), B19200);
  EXPECT_EQ(cfgetispeed(&line), B19200);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
}

TEST_F(QtSerialPortTest, SettingsChangedOnAnOpenPortReachTheLine) {
  // A pseudo-terminal carries only 8-bit characters without parity, so only the speed and the
  // stop bits can vary here.
  struct Case {
    const char* text;
    speed_t speed;
    bool twoStopBits;
  };
  const Case cases[] = {
      {"9600,N,8,2", B9600, true},
      {"115200,n,8,1", B115200, false},
      {"300,N,8,2", B300, true},
      {"19200,N,8,1", B19200, false},
  };
  OpenCom3();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    port_.SetSettings(c.text);
    const termios line = device_.LineSettings();
    EXPECT_EQ(cfgetospeed(&line), c.speed);
    EXPECT_EQ(cfgetispeed(&line), c.speed);
    EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.twoStopBits);
  }
}

TEST_F(QtSerialPortTest, SettingsTheDeviceRefusesLeaveTheLineAsItWas) {
  OpenCom3();
  port_.SetSettings("19200,N,8,2");
  // The speed is taken before the 7-bit characters that a pseudo-terminal cannot carry.
  const std::string text = ErrorText([&] { port_.SetSettings("9600,E,7,1"); });

  EXPECT_NE(text.find("refuses the settings 9600,E,7,1"), std::string::npos) << text;
  EXPECT_EQ(port_.Settings(), "19200,N,8,2");
  const termios line = device_.LineSettings();
  EXPECT_EQ(cfgetospeed(&line), B19200);
  EXPECT_NE(line.c_cflag & CSTOPB, 0u);
  EXPECT_TRUE(port_.PortOpen());
  port_.Output("still");
  EXPECT_EQ(device_.Receive(5), "still");
}

TEST_F(QtSerialPortTest, SettingsTextsAreTakenInTheirPlainFormOrRefused) {
  EXPECT_EQ(port_.Settings(), "9600,N,8,1");
  const std::pair<const char*, const char*> accepted[] = {
      {"19200,N,8,1", "19200,N,8,1"},  {"19200,n,8,1", "19200,N,8,1"},
      {"110,e,7,2", "110,E,7,2"},      {"300,O,5,1.5", "300,O,5,1.5"},
      {"1,m,6,1", "1,M,6,1"},          {"2147483647,S,8,2", "2147483647,S,8,2"},
      {"019200,N,8,1", "19200,N,8,1"},
  };
  for (const auto& [text, plain] : accepted) {
    SCOPED_TRACE(text);
    port_.SetSettings(text);
    EXPECT_EQ(port_.Settings(), plain);
  }

  port_.SetSettings("19200,N,8,1");
  const char* refused[] = {
      "",
      "19200",
      "19200,N,8",
      "19200,N,8,1,",
      ",19200,N,8,1",
      "0,N,8,1",
      "-9600,N,8,1",
      "+9600,N,8,1",
      "19200.0,N,8,1",
      "2147483648,N,8,1",
      "19200,X,8,1",
      "19200,NN,8,1",
      "19200,,8,1",
      "19200,N,4,1",
      "19200,N,9,1",
      "19200,N,08,1",
      "19200,N,8,0",
      "19200,N,8,3",
      "19200,N,8,1.0",
      "19200,N,8,2.5",
      " 19200,N,8,1",
      "19200, N,8,1",
      "19200,N,8,1 ",
      "19200;N;8;1",
      "abc,N,8,1",
  };
  for (const char* text : refused) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ErrorText([&] { port_.SetSettings(text); }), "Invalid property value");
    EXPECT_EQ(port_.Settings(), "19200,N,8,1");
  }
}

TEST_F(QtSerialPortTest, OneAndAHalfStopBitsNeedFiveDataBits) {
  port_.SetCommPort(3);
  port_.SetSettings("19200,N,8,1.5");
  EXPECT_NE(ErrorText([&] { port_.SetPortOpen(true); }).find("1.5 stop bits"), std::string::npos);
  EXPECT_FALSE(port_.PortOpen());

  OpenCom3();
  EXPECT_THROW(port_.SetSettings("19200,N,7,1.5"), Error);
  EXPECT_EQ(port_.Settings(), "19200,N,8,1");
  EXPECT_EQ(device_.LineSettings().c_cflag & (CSIZE | CSTOPB), static_cast<tcflag_t>(CS8));
}

TEST_F(QtSerialPortTest, PortNumbersOutside1To255AreRefused) {
  for (const std::int16_t number : {std::int16_t{1}, std::int16_t{255}}) {
    port_.SetCommPort(number);
    EXPECT_EQ(port_.CommPort(), number);
  }
  port_.SetCommPort(3);
  for (const std::int16_t number :
       {std::int16_t{0}, std::int16_t{-1}, std::int16_t{256}, std::numeric_limits<int16_t>::max(),
        std::numeric_limits<int16_t>::min()}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(ErrorText([&] { port_.SetCommPort(number); }), "Invalid port number");
    EXPECT_EQ(port_.CommPort(), 3);
  }
}

TEST_F(QtSerialPortTest, PortNumberCannotChangeWhileOpen) {
  OpenCom3();
  EXPECT_EQ(ErrorText([&] { port_.SetCommPort(4); }), "Port already open");
  EXPECT_EQ(port_.CommPort(), 3);
  port_.SetPortOpen(false);
  port_.SetCommPort(4);
  EXPECT_EQ(port_.CommPort(), 4);
}

TEST_F(QtSerialPortTest, MissingDeviceIsRefusedNamingItsPath) {
  // A link left behind by a device that has gone.
  fs::create_symlink("/dev/pts/no-such-terminal", directory_ / "COM5");
  port_.SetCommPort(5);
  const std::string linked = ErrorText([&] { port_.SetPortOpen(true); });
  EXPECT_NE(linked.find((directory_ / "COM5").string()), std::string::npos) << linked;
  EXPECT_NE(linked.find("no such device"), std::string::npos) << linked;
  EXPECT_FALSE(port_.PortOpen());

  // Without a COMn file the port number names a system serial device.
  if (fs::exists("/dev/ttyS254")) GTEST_SKIP() << "this machine has a /dev/ttyS254";
  port_.SetCommPort(255);
  const std::string system = ErrorText([&] { port_.SetPortOpen(true); });
  EXPECT_NE(system.find("/dev/ttyS254"), std::string::npos) << system;
  EXPECT_NE(system.find("no such device"), std::string::npos) << system;
  EXPECT_FALSE(port_.PortOpen());
}

TEST_F(QtSerialPortTest, DeviceInUseIsRefusedNamingItsPath) {
  OpenCom3();
  QtSerialPort second;
  second.SetCommPort(3);

  const std::string text = ErrorText([&] { second.SetPortOpen(true); });
  EXPECT_NE(text.find("in use"), std::string::npos) << text;
  EXPECT_NE(text.find((directory_ / "COM3").string()), std::string::npos) << text;
  EXPECT_FALSE(second.PortOpen());

  port_.SetPortOpen(false);
  second.SetPortOpen(true);
  EXPECT_TRUE(second.PortOpen());
}

TEST_F(QtSerialPortTest, OpeningTwiceOrClosingTwiceIsHarmless) {
  port_.SetPortOpen(false);
  OpenCom3();
  port_.SetPortOpen(true);
  EXPECT_TRUE(port_.PortOpen());
  port_.Output("ab");
  port_.SetPortOpen(false);
  port_.SetPortOpen(false);
  EXPECT_FALSE(port_.PortOpen());
  EXPECT_EQ(device_.Receive(2), "ab");
}

TEST_F(QtSerialPortTest, OutputOnAClosedPortIsRefused) {
  EXPECT_EQ(ErrorText([&] { port_.Output("X"); }), "Port is closed");
  OpenCom3();
  port_.SetPortOpen(false);
  EXPECT_EQ(ErrorText([&] { port_.Output("X"); }), "Port is closed");
}

TEST_F(QtSerialPortTest, PulledDeviceIsReportedOnceWithThePortClosed) {
  OpenCom3();
  port_.Output("X");
  ASSERT_EQ(device_.Receive(1), "X");

  // No write follows: the hang-up alone must show.
  device_.CloseMaster();
  fs::remove(directory_ / "COM3");
  EXPECT_TRUE(QTest::qWaitFor([&] { return failures_ > 0; }, 10000));
  RunEventLoopForAWhile();

  EXPECT_EQ(failures_, 1);
  EXPECT_EQ(openAtFailure_, false);
  EXPECT_FALSE(port_.PortOpen());
  EXPECT_EQ(ErrorText([&] { port_.Output("X"); }), "Port is closed");
}

TEST_F(QtSerialPortTest, WriteToAPulledDeviceRaisesAndIsReportedOnce) {
  OpenCom3();
  device_.CloseMaster();

  const std::string text = ErrorText([&] { port_.Output("X"); });
  EXPECT_NE(text.find("write failed"), std::string::npos) << text;
  EXPECT_FALSE(port_.PortOpen());
  EXPECT_EQ(failures_, 0) << "reported from inside the write";
  RunEventLoopForAWhile();

  EXPECT_EQ(failures_, 1);
  EXPECT_EQ(openAtFailure_, false);
}

TEST_F(QtSerialPortTest, CloseAskedForByTheProgramIsNeverReported) {
  OpenCom3();
  port_.SetPortOpen(false);
  device_.CloseMaster();
  RunEventLoopForAWhile();
  EXPECT_EQ(failures_, 0);
}

TEST_F(QtSerialPortTest, FailureOvertakenByTheProgramsOwnCloseIsNotReported) {
  OpenCom3();
  device_.CloseMaster();
  EXPECT_THROW(port_.Output("X"), Error);
  port_.SetPortOpen(false);
  RunEventLoopForAWhile();
  EXPECT_EQ(failures_, 0);
}

TEST_F(QtSerialPortTest, PortOpensAgainAfterAFailureWithoutStaleBytes) {
  OpenCom3();
  device_.CloseMaster();
  EXPECT_THROW(port_.Output("stale"), Error);
  RunEventLoopForAWhile();
  ASSERT_EQ(failures_, 1);

  fs::remove(directory_ / "COM3");
  PseudoTerminal replugged;
  replugged.LinkAs(directory_ / "COM3");
  port_.SetPortOpen(true);
  port_.Output("fresh");
  EXPECT_EQ(replugged.Receive(5), "fresh");
}

}  // namespace
}  // namespace veltrano

// The port's failure reports travel through the Qt event loop.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
