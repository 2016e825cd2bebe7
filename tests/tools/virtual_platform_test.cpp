// The virtual platform: its packet splitting on its own, and the program as a separate process fed
// through the real serial port code, over its pseudo-terminal.

#include <signal.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QImage>
#include <QSet>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "child_process/child_process.h"
#include "packet_splitter.h"
#include "platform/qt/qt_serial_port.h"
#include "platform_window.h"

namespace veltrano {
namespace {

using namespace std::string_literals;
using namespace std::chrono_literals;

const std::string kPacket = "\x58\x80\x80\x00\x80\x80\x03\x03"s;
const std::string kAllSyncPacket = "\x58\x58\x58\x58\x58\x58\x01\x05"s;

// However the stream is cut into reads, the same packets come out and the same bytes drop.
TEST(PacketSplitterTest, GivesThePacketsWholeOrByteByByte) {
  // The stream, the packets, the bytes dropped and the bytes left waiting.
  const std::tuple<std::string, std::vector<std::string>, std::uint64_t, std::size_t> cases[] = {
      {"\x01\xFF\x00"s + kPacket, {kPacket}, 3, 0},
      {kAllSyncPacket + kPacket, {kAllSyncPacket, kPacket}, 0, 0},
      // The first candidate reads the packet's own bytes as levels and fails.
      {"X" + kPacket, {kPacket}, 1, 0},
      {kPacket.substr(0, 6) + "\x00\x03"s + kPacket, {kPacket}, 8, 0},
      {kPacket.substr(0, 6) + "\x03\x06"s + kPacket, {kPacket}, 8, 0},
      {kPacket + kPacket.substr(0, 5), {kPacket}, 0, 5},
  };
  for (const auto& [stream, expected, dropped, pending] : cases) {
    for (const std::size_t chunk : {stream.size(), std::size_t{1}}) {
      SCOPED_TRACE(::testing::PrintToString(stream) + " in reads of " + std::to_string(chunk));
      virtual_platform::PacketSplitter splitter;
      std::vector<std::string> packets;
      for (std::size_t at = 0; at < stream.size(); at += chunk) {
        for (const auto& packet : splitter.Feed(std::string_view(stream).substr(at, chunk))) {
          packets.emplace_back(packet.begin(), packet.end());
        }
      }
      EXPECT_EQ(packets, expected);
      EXPECT_EQ(splitter.DroppedBytes(), dropped);
      EXPECT_EQ(splitter.PendingBytes(), pending);
    }
  }
}

// Both output streams of a virtual platform printing what comes in on COM5, in the working
// directory that it shares with the test.
struct PlatformOnCom5 : testing::ChildProcess {
  PlatformOnCom5()
      : ChildProcess("/bin/sh",
                     {"-c", "exec \"$0\" --port 5 --print 2>&1", VIRTUAL_PLATFORM_PATH}) {}
};

TEST(VirtualPlatformTest, PrintsPacketsAsHexAndTakesOverOnlyTheLinkOfAKilledRun) {
  const std::string ready = "virtual-platform ready: COM5 -> /dev/pts/";
  {
    PlatformOnCom5 killed;
    ASSERT_TRUE(killed.ReadLine().starts_with(ready));
    EXPECT_EQ(killed.Stop(SIGKILL), 128 + SIGKILL);
  }
  PlatformOnCom5 live;  // most likely on the very terminal number that the killed one had
  EXPECT_TRUE(live.ReadLine().starts_with(ready));
  PlatformOnCom5 second;
  EXPECT_NE(second.ReadLine().find("COM5 is the port of another virtual-platform"),
            std::string::npos);
  EXPECT_EQ(second.Wait(), 1);

  QtSerialPort port;  // the program's own serial port code
  port.SetCommPort(5);
  port.SetSettings("19200,N,8,1");
  port.SetPortOpen(true);
  // Line-control bytes in the data, and garbage before the second packet.
  port.Output(kPacket);
  port.Output("\x13\x58\x00\xFF\x0A\x0D\xFF\x01\x05"s);
  port.Output("\x58\x80\x7F\x00\x11\x13\x05\x01"s);
  EXPECT_EQ(live.ReadLine(), "58 80 80 00 80 80 03 03");
  EXPECT_EQ(live.ReadLine(), "58 00 FF 0A 0D FF 01 05");
  EXPECT_EQ(live.ReadLine(), "58 80 7F 00 11 13 05 01");
  EXPECT_EQ(live.Stop(SIGTERM), 0);
  EXPECT_EQ(live.ReadRest(), "virtual-platform: packets: 3, dropped bytes: 1\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("COM5")));

  std::ofstream("COM5") << "someone's file";
  PlatformOnCom5 third;
  EXPECT_NE(third.ReadLine().find("COM5 exists already and is not a link"), std::string::npos);
  EXPECT_EQ(third.Wait(), 1);
}

// Headless, the window is drawn offscreen and saved once the count is reached, while the run
// goes on as text on the output.
TEST(VirtualPlatformTest, SavesAPictureOfTheWindowAfterTheCount) {
  testing::ChildProcess platform(VIRTUAL_PLATFORM_PATH,
                                 {"--port", "6", "--picture", "platform.png", "--count", "3"});
  ASSERT_TRUE(platform.ReadLine().starts_with("virtual-platform ready: COM6"));
  QtSerialPort port;
  port.SetCommPort(6);
  port.SetSettings("19200,N,8,1");
  port.SetPortOpen(true);
  for (int i = 0; i < 3; ++i) port.Output("\x58\x40\xC0\x60\x80\x80\x02\x04"s);

  const std::string output = platform.ReadRest();
  EXPECT_EQ(platform.Wait(), 0);
  EXPECT_TRUE(output.ends_with("virtual-platform: packets: 3, dropped bytes: 0\n")) << output;
  const QImage picture("platform.png");
  EXPECT_EQ(picture.size(), virtual_platform::PlatformWindow::kDefaultSize);
  QSet<QRgb> colours;
  for (int y = 0; y < picture.height(); y += 4) {
    for (int x = 0; x < picture.width(); x += 4) colours.insert(picture.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 100);
}

}  // namespace
}  // namespace veltrano

// The serial port needs a Qt event loop for its failure reports, and finds COM5 in the working
// directory, as the program does; the tests run in a temporary one.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  std::string directory = std::filesystem::temp_directory_path() / "virtual-platform-test-XXXXXX";
  if (mkdtemp(directory.data()) == nullptr) return 1;
  std::filesystem::current_path(directory);
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(directory);
  return result;
}
