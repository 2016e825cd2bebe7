// The virtual platform: its packet splitting on its own, and the program as a separate process fed
// through the real serial port code, over its pseudo-terminal.

#include <signal.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "packet_splitter.h"
#include "platform/qt/qt_serial_port.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using virtual_platform::ActuatorPacket;
using virtual_platform::PacketSplitter;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string AsText(const ActuatorPacket& packet) {
  return std::string(packet.begin(), packet.end());
}

// ---- The splitter on its own --------------------------------------------------------------

const std::string kDefaultPacket = Bytes({0x58, 0x80, 0x80, 0x00, 0x80, 0x80, 0x03, 0x03});
const std::string kAllSyncPacket = Bytes({0x58, 0x58, 0x58, 0x58, 0x58, 0x58, 0x01, 0x05});

struct SplitCase {
  const char* name;
  std::string stream;
  std::vector<std::string> packets;
  std::uint64_t dropped;
  std::size_t pending;
};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class SplitterTest : public ::testing::TestWithParam<SplitCase> {};

std::vector<std::string> FeedInChunks(PacketSplitter& splitter, const std::string& stream,
                                      std::size_t chunk) {
  std::vector<std::string> packets;
  for (std::size_t at = 0; at < stream.size(); at += chunk) {
    for (const auto& packet : splitter.Feed(std::string_view(stream).substr(at, chunk))) {
      packets.push_back(AsText(packet));
    }
  }
  return packets;
}

// However the stream is cut into reads, the same packets come out and the same bytes drop.
TEST_P(SplitterTest, GivesThePacketsWhateverTheReads) {
  const SplitCase& c = GetParam();
  for (const std::size_t chunk : {c.stream.size() + 1, std::size_t{1}, std::size_t{3}}) {
    SCOPED_TRACE("reads of " + std::to_string(chunk) + " bytes");
    PacketSplitter splitter;
    EXPECT_EQ(FeedInChunks(splitter, c.stream, chunk), c.packets);
    EXPECT_EQ(splitter.DroppedBytes(), c.dropped);
    EXPECT_EQ(splitter.PendingBytes(), c.pending);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SplitterTest,
    ::testing::Values(
        SplitCase{"OnePacket", kDefaultPacket, {kDefaultPacket}, 0, 0},
        SplitCase{"DataBytesEqualToTheSyncByte",
                  kAllSyncPacket + kDefaultPacket,
                  {kAllSyncPacket, kDefaultPacket},
                  0,
                  0},
        SplitCase{"NoSyncByteAtAll", Bytes({0x01, 0x02, 0x03}), {}, 3, 0},
        SplitCase{
            "GarbageBefore", Bytes({0x01, 0xFF, 0x00}) + kDefaultPacket, {kDefaultPacket}, 3, 0},
        SplitCase{"LevelZero",
                  Bytes({0x58, 0x80, 0x80, 0x00, 0x80, 0x80, 0x00, 0x03}) + kDefaultPacket,
                  {kDefaultPacket},
                  8,
                  0},
        SplitCase{"LevelSix",
                  Bytes({0x58, 0x80, 0x80, 0x00, 0x80, 0x80, 0x03, 0x06}) + kDefaultPacket,
                  {kDefaultPacket},
                  8,
                  0},
        // The tail of a packet whose data held sync bytes: two false starts before the real one.
        SplitCase{"FalseStartsInATail",
                  Bytes({0x00, 0x58, 0x58, 0x03, 0x03}) + kDefaultPacket,
                  {kDefaultPacket},
                  5,
                  0},
        // A stray sync byte just before a packet; the first candidate reads the packet's own
        // bytes as levels and fails.
        SplitCase{"StraySyncByteBeforeAPacket", "X" + kDefaultPacket, {kDefaultPacket}, 1, 0},
        SplitCase{"CutShortStaysPending",
                  kDefaultPacket + kDefaultPacket.substr(0, 5),
                  {kDefaultPacket},
                  0,
                  5},
        SplitCase{"GarbageAfterIsDroppedAtOnce",
                  kDefaultPacket + Bytes({0x01, 0x02}),
                  {kDefaultPacket},
                  2,
                  0},
        SplitCase{"SyncByteAtTheEndStaysPending", kDefaultPacket + "X", {kDefaultPacket}, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The program, fed through the serial port ----------------------------------------------

class VirtualPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDirectory_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "virtual-platform-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    // The serial port finds COM7 in the working directory, as the platform program does.
    fs::current_path(directory_);
  }

  void TearDown() override {
    port_.SetPortOpen(false);
    fs::current_path(previousDirectory_);
    fs::remove_all(directory_);
  }

  std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& args) {
    return std::make_unique<ChildProcess>(VIRTUAL_PLATFORM_PATH, args, directory_.string());
  }

  // Starts the program on COM7 and opens the port to it.
  std::unique_ptr<ChildProcess> StartAndConnect(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args = {"--port", "7"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    auto platform = Start(args);
    const std::string ready = platform->ReadLine();
    EXPECT_TRUE(ready.starts_with("virtual-platform ready: COM7 -> /dev/pts/")) << ready;
    EXPECT_EQ(fs::read_symlink(Com7()).string(), ready.substr(ready.find("/dev/pts/")));
    port_.SetCommPort(7);
    port_.SetSettings("19200,N,8,1");
    port_.SetPortOpen(true);
    return platform;
  }

  fs::path Com7() const { return directory_ / "COM7"; }
  bool Com7Exists() const { return fs::exists(fs::symlink_status(Com7())); }

  fs::path previousDirectory_;
  fs::path directory_;
  QtSerialPort port_;
};

TEST_F(VirtualPlatformTest, PrintsEachPacketAsOneLineOfHexAndEndsAfterTheCount) {
  auto platform = StartAndConnect({"--print", "--count", "3"});
  port_.Output(kDefaultPacket);
  port_.Output(Bytes({0x58, 0x00, 0xFF, 0x0A, 0x0D, 0xFF, 0x01, 0x05}));
  port_.Output(Bytes({0x58, 0x80, 0x7F, 0x00, 0x11, 0x13, 0x05, 0x01}));

  EXPECT_EQ(platform->ReadLine(), "58 80 80 00 80 80 03 03");
  EXPECT_EQ(platform->ReadLine(), "58 00 FF 0A 0D FF 01 05");
  EXPECT_EQ(platform->ReadLine(), "58 80 7F 00 11 13 05 01");
  EXPECT_EQ(platform->Wait(), 0);
  EXPECT_EQ(platform->ReadRest(), "");
  EXPECT_FALSE(Com7Exists());
}

TEST_F(VirtualPlatformTest, ResynchronisesAfterGarbage) {
  auto platform = StartAndConnect({"--print", "--count", "2"});
  // A stray sync byte among the garbage, followed by too little to be a packet with levels.
  port_.Output(Bytes({0x00, 0xFF, 0x58, 0x01, 0x02}) + kDefaultPacket);
  port_.Output(Bytes({0x13, 0x11}) + kAllSyncPacket);

  EXPECT_EQ(platform->ReadLine(), "58 80 80 00 80 80 03 03");
  EXPECT_EQ(platform->ReadLine(), "58 58 58 58 58 58 01 05");
  EXPECT_EQ(platform->Wait(), 0);
}

TEST_F(VirtualPlatformTest, ResynchronisesAfterThePartOfAPacketWithSyncBytesInItsData) {
  auto platform = StartAndConnect({"--print", "--count", "2"});
  // The last five bytes of a packet whose cues are all 0x58: each one looks like a start.
  port_.Output(kAllSyncPacket.substr(3));
  port_.Output(kDefaultPacket);
  port_.Output(kAllSyncPacket);

  EXPECT_EQ(platform->ReadLine(), "58 80 80 00 80 80 03 03");
  EXPECT_EQ(platform->ReadLine(), "58 58 58 58 58 58 01 05");
  EXPECT_EQ(platform->Wait(), 0);
}

TEST_F(VirtualPlatformTest, TakesAPacketSplitAcrossTwoWrites) {
  auto platform = StartAndConnect({"--print", "--count", "2"});
  port_.Output(kDefaultPacket + kAllSyncPacket.substr(0, 3));
  // The first packet's line shows that the platform has read the first write.
  EXPECT_EQ(platform->ReadLine(), "58 80 80 00 80 80 03 03");
  port_.Output(kAllSyncPacket.substr(3));

  EXPECT_EQ(platform->ReadLine(), "58 58 58 58 58 58 01 05");
  EXPECT_EQ(platform->Wait(), 0);
}

TEST_F(VirtualPlatformTest, KeepsListeningWhileTheProgramClosesAndReopensThePort) {
  auto platform = StartAndConnect({"--print", "--count", "2"});
  port_.Output(kDefaultPacket);
  EXPECT_EQ(platform->ReadLine(), "58 80 80 00 80 80 03 03");
  port_.SetPortOpen(false);
  port_.SetPortOpen(true);
  port_.Output(kAllSyncPacket);

  EXPECT_EQ(platform->ReadLine(), "58 58 58 58 58 58 01 05");
  EXPECT_EQ(platform->Wait(), 0);
}

TEST_F(VirtualPlatformTest, RemovesTheLinkWhenStopped) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    auto platform = Start({"--port", "7", "--print"});
    ASSERT_TRUE(platform->ReadLine().starts_with("virtual-platform ready: COM7"));
    ASSERT_TRUE(Com7Exists());
    EXPECT_EQ(platform->Stop(signal), 0);
    EXPECT_FALSE(Com7Exists());
  }
}

TEST_F(VirtualPlatformTest, SummarisesInPlainLinesWhenNotOnATerminal) {
  auto platform = StartAndConnect({"--count", "1"});
  port_.Output(Bytes({0x01}) + kDefaultPacket);
  EXPECT_EQ(platform->Wait(), 0);
  const std::string rest = platform->ReadRest();
  EXPECT_TRUE(rest.ends_with("virtual-platform: packets: 1, dropped bytes: 1\n")) << rest;
  EXPECT_EQ(rest.find('\x1b'), std::string::npos) << "terminal control on a pipe";
}

TEST_F(VirtualPlatformTest, BadOptionsExitWithStatus2AndNoLink) {
  const std::vector<std::vector<std::string>> badOptions = {
      {"--port"},       {"--port", "0"},  {"--port", "256"},    {"--port", "x"}, {"--port", "-3"},
      {"--port", "7x"}, {"--count", "0"}, {"--count", "-1"},    {"--count"},     {"--print=yes"},
      {"--bogus"},      {"COM7"},         {"--port=7", "extra"}};
  for (const auto& args : badOptions) {
    SCOPED_TRACE(::testing::PrintToString(args));
    auto platform = Start(args);
    EXPECT_EQ(platform->Wait(), 2);
    EXPECT_EQ(platform->ReadRest(), "");
    EXPECT_FALSE(Com7Exists());
  }
}

TEST_F(VirtualPlatformTest, HelpDescribesTheOptions) {
  auto platform = Start({"--help"});
  EXPECT_EQ(platform->Wait(), 0);
  const std::string help = platform->ReadRest();
  for (const char* option : {"--port", "--print", "--count"}) {
    EXPECT_NE(help.find(option), std::string::npos) << help;
  }
}

TEST_F(VirtualPlatformTest, LeavesAnythingButAStaleLinkAlone) {
  {
    std::ofstream(Com7()) << "notes";
    auto platform = Start({"--port", "7"});
    EXPECT_EQ(platform->Wait(), 1);
    EXPECT_EQ(platform->ReadRest(), "");
    std::string kept;
    std::ifstream(Com7()) >> kept;
    EXPECT_EQ(kept, "notes");
    fs::remove(Com7());
  }
  {
    // A link to a device that is there, as a person would make for a real adapter.
    fs::create_symlink("/dev/null", Com7());
    auto platform = Start({"--port", "7"});
    EXPECT_EQ(platform->Wait(), 1);
    EXPECT_EQ(fs::read_symlink(Com7()), "/dev/null");
    fs::remove(Com7());
  }
  {
    // A link to a pseudo-terminal that has gone, as a killed run leaves it.
    fs::create_symlink("/dev/pts/no-such-terminal", Com7());
    auto platform = Start({"--port", "7", "--print"});
    const std::string ready = platform->ReadLine();
    EXPECT_EQ(fs::read_symlink(Com7()).string(), ready.substr(ready.find("/dev/pts/")));
    EXPECT_EQ(platform->Stop(SIGTERM), 0);
    EXPECT_FALSE(Com7Exists());
  }
}

}  // namespace
}  // namespace veltrano

// The serial port needs a Qt event loop for its failure reports.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
