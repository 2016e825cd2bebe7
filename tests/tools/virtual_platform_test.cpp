// The virtual platform: its packet splitting on its own, and the program as a separate process fed
// through the real serial port code, over its pseudo-terminal.

#include <signal.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "packet_splitter.h"
#include "platform/qt/qt_serial_port.h"

namespace veltrano {
namespace {

using testing::ChildProcess;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes += static_cast<char>(value);
  return bytes;
}

const std::string kPacket = Bytes({0x58, 0x80, 0x80, 0x00, 0x80, 0x80, 0x03, 0x03});
const std::string kAllSyncPacket = Bytes({0x58, 0x58, 0x58, 0x58, 0x58, 0x58, 0x01, 0x05});

// However the stream is cut into reads, the same packets come out and the same bytes drop.
TEST(PacketSplitterTest, GivesThePacketsWholeOrByteByByte) {
  struct Case {
    std::string stream;
    std::vector<std::string> packets;
    std::uint64_t dropped;
    std::size_t pending;
  };
  const Case cases[] = {
      {Bytes({0x01, 0xFF, 0x00}) + kPacket, {kPacket}, 3, 0},
      {kAllSyncPacket + kPacket, {kAllSyncPacket, kPacket}, 0, 0},
      // The first candidate reads the packet's own bytes as levels and fails.
      {"X" + kPacket, {kPacket}, 1, 0},
      {kPacket.substr(0, 6) + Bytes({0x00, 0x03}) + kPacket, {kPacket}, 8, 0},
      {kPacket.substr(0, 6) + Bytes({0x03, 0x06}) + kPacket, {kPacket}, 8, 0},
      {kPacket + kPacket.substr(0, 5), {kPacket}, 0, 5},
  };
  for (const Case& c : cases) {
    for (const std::size_t chunk : {c.stream.size(), std::size_t{1}}) {
      SCOPED_TRACE(::testing::PrintToString(c.stream) + " in reads of " + std::to_string(chunk));
      virtual_platform::PacketSplitter splitter;
      std::vector<std::string> packets;
      for (std::size_t at = 0; at < c.stream.size(); at += chunk) {
        for (const auto& packet : splitter.Feed(std::string_view(c.stream).substr(at, chunk))) {
          packets.emplace_back(packet.begin(), packet.end());
        }
      }
      EXPECT_EQ(packets, c.packets);
      EXPECT_EQ(splitter.DroppedBytes(), c.dropped);
      EXPECT_EQ(splitter.PendingBytes(), c.pending);
    }
  }
}

// The program links its terminal as COM7 in the working directory it shares with the test.
bool Com7Exists() { return std::filesystem::exists(std::filesystem::symlink_status("COM7")); }

TEST(VirtualPlatformTest, PrintsEachPacketAsOneLineOfHexAndEndsAfterTheCount) {
  ChildProcess platform(VIRTUAL_PLATFORM_PATH, {"--port", "7", "--print", "--count", "3"});
  const std::string ready = platform.ReadLine();
  EXPECT_TRUE(ready.starts_with("virtual-platform ready: COM7 -> /dev/pts/")) << ready;
  QtSerialPort port;
  port.SetCommPort(7);
  port.SetSettings("19200,N,8,1");
  port.SetPortOpen(true);
  // Line-control bytes in the data, and garbage before the second packet.
  port.Output(kPacket);
  port.Output(Bytes({0x13, 0x58, 0x00, 0xFF, 0x0A, 0x0D, 0xFF, 0x01, 0x05}));
  port.Output(Bytes({0x58, 0x80, 0x7F, 0x00, 0x11, 0x13, 0x05, 0x01}));

  EXPECT_EQ(platform.ReadLine(), "58 80 80 00 80 80 03 03");
  EXPECT_EQ(platform.ReadLine(), "58 00 FF 0A 0D FF 01 05");
  EXPECT_EQ(platform.ReadLine(), "58 80 7F 00 11 13 05 01");
  EXPECT_EQ(platform.Wait(), 0);
  EXPECT_EQ(platform.ReadRest(), "");
  EXPECT_FALSE(Com7Exists());
}

TEST(VirtualPlatformTest, RemovesTheLinkWhenStopped) {
  ChildProcess platform(VIRTUAL_PLATFORM_PATH, {"--port", "7", "--print"});
  ASSERT_TRUE(platform.ReadLine().starts_with("virtual-platform ready: COM7"));
  ASSERT_TRUE(Com7Exists());
  EXPECT_EQ(platform.Stop(SIGTERM), 0);
  EXPECT_FALSE(Com7Exists());
}

TEST(VirtualPlatformTest, BadOptionsExitWithStatus2AndNoLink) {
  const std::vector<std::vector<std::string>> badOptions = {
      {"--port"}, {"--port", "0"}, {"--port", "256"}, {"--count", "0"}, {"--bogus"}};
  for (const auto& args : badOptions) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(ChildProcess(VIRTUAL_PLATFORM_PATH, args).Wait(), 2);
    EXPECT_FALSE(Com7Exists());
  }
}

}  // namespace
}  // namespace veltrano

// The serial port needs a Qt event loop for its failure reports, and finds COM7 in the working
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
