#include "cueing/tick_packet.h"

#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/cueing/fake_check_box.h"
#include "tests/cueing/fake_clock.h"
#include "tests/cueing/fake_serial_port.h"
#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

using testing::FakeCheckBox;
using testing::FakeClock;
using testing::FakeLinkTransport;
using testing::FakeMsgBox;
using testing::FakeSerialPort;
using testing::FloatReplyText;
using Reply = FakeLinkTransport::Reply;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes += static_cast<char>(value);
  return bytes;
}

// ---- BuildPacket ----

struct PacketCase {
  double pitchCue;
  double rollCue;
  double vibrationCue;
  std::int16_t pitchCenter;
  std::int16_t rollCenter;
  std::int16_t pitchLevel;
  std::int16_t rollLevel;
  Packet packet;
};

void PrintTo(const PacketCase& c, std::ostream* out) {
  *out << c.pitchCue << " " << c.rollCue << " " << c.vibrationCue;
}

class BuildPacketTest : public ::testing::TestWithParam<PacketCase> {};

TEST_P(BuildPacketTest, LaysOutSyncCuesAndSettings) {
  const PacketCase& c = GetParam();
  PanelState state;
  state.pitchCue = c.pitchCue;
  state.rollCue = c.rollCue;
  state.vibrationCue = c.vibrationCue;
  state.pitchCenter = c.pitchCenter;
  state.rollCenter = c.rollCenter;
  state.pitchExpressLevel = c.pitchLevel;
  state.rollExpressLevel = c.rollLevel;
  EXPECT_EQ(BuildPacket(state), c.packet);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, BuildPacketTest,
    ::testing::Values(
        PacketCase{128, 128, 0, 128, 128, 3, 3, {0x58, 0x80, 0x80, 0x00, 0x80, 0x80, 3, 3}},
        PacketCase{88, 0, 255, 0, 255, 1, 5, {0x58, 0x58, 0x00, 0xFF, 0x00, 0xFF, 1, 5}},
        // Nearest integer, ties to even.
        PacketCase{2.5, 3.5, 7.4, 10, 20, 2, 4, {0x58, 2, 4, 7, 10, 20, 2, 4}},
        // Out of range is limited, also where rounding would step over the edge.
        PacketCase{256, -15, 254.6, 300, -5, 0, 999, {0x58, 255, 0, 255, 255, 0, 0, 255}},
        PacketCase{-0.4, 255.4, -1e300, 128, 128, 3, 3, {0x58, 0, 255, 0, 128, 128, 3, 3}},
        // Not a number: the axis rests.
        PacketCase{kNaN, kInfinity, kNaN, 128, 128, 3, 3, {0x58, 128, 128, 0, 128, 128, 3, 3}},
        PacketCase{-kInfinity, kNaN, kInfinity, 1, 2, 3, 4, {0x58, 128, 128, 0, 1, 2, 3, 4}}));

// ---- RunTick ----

// A tick against a scripted data server, with real link and readers.
class RunTickTest : public ::testing::Test {
 protected:
  RunTickTest() {
    state.pitchCenter = 128;
    state.rollCenter = 128;
    state.pitchExpressLevel = 3;
    state.rollExpressLevel = 3;
  }

  void Serve(std::int32_t code, double value) {
    desktop.SetReply(code, Reply::NewAtom(FloatReplyText(value)));
  }

  void Tick(FakeClock& clock) {
    RunTick(state, readers, {check1, check2, check3, check4, check5}, clock, port);
  }

  PanelState state;
  FakeLinkTransport desktop;
  LinkClient link{desktop};
  FakeMsgBox boxes;
  VariableReaders readers{link, boxes};
  FakeCheckBox check1, check2, check3, check4, check5;
  FakeSerialPort port;
};

TEST_F(RunTickTest, ReadsAllFiveInOrderAndSendsOnePacket) {
  FakeClock clock;
  Tick(clock);
  std::vector<std::int64_t> codes;
  for (const auto& sent : desktop.sent) codes.push_back(sent.lParam);
  EXPECT_EQ(codes, (std::vector<std::int64_t>{77, 61, 79, 70, 135}));
  EXPECT_EQ(port.writes, std::vector<std::string>{Bytes({0x58, 128, 128, 0, 128, 128, 3, 3})});
}

TEST_F(RunTickTest, NoEffectOnSendsNeutralCuesWhateverTheFlight) {
  Serve(77, 45);
  Serve(79, 270);
  Serve(135, 2700);
  state.pitchExpressLevel = 1;
  state.rollCenter = 0;
  FakeClock clock;
  Tick(clock);
  EXPECT_EQ(port.writes, std::vector<std::string>{Bytes({0x58, 128, 128, 0, 128, 0, 1, 3})});
}

TEST_F(RunTickTest, MissingServerGivesZeroReadings) {
  desktop.serverWindow = 0;
  check1.SetValue(1);
  check2.SetValue(1);
  check5.SetValue(1);
  FakeClock clock;
  Tick(clock);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(port.writes[0].substr(0, 4), Bytes({0x58, 0x80, 0x7F, 0x00}));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RunTickTest, CuesFollowTheFlight) {
  Serve(77, 45);
  Serve(79, 350);
  Serve(135, 2700);
  check1.SetValue(1);
  check2.SetValue(1);
  check5.SetValue(1);
  FakeClock clock;
  Tick(clock);
  EXPECT_EQ(port.writes, std::vector<std::string>{Bytes({0x58, 64, 141, 41, 128, 128, 3, 3})});
}

TEST_F(RunTickTest, PartnerBoxIsNotReadWhileItsPartnerIsOn) {
  check1.SetValue(1);
  check2.SetValue(1);
  check3.SetValue(1);
  check4.SetValue(1);
  FakeClock clock;
  Tick(clock);
  EXPECT_EQ(check1.reads, 1);
  EXPECT_EQ(check3.reads, 0);
  EXPECT_EQ(check2.reads, 1);
  EXPECT_EQ(check4.reads, 0);
  EXPECT_EQ(check5.reads, 1);
}

TEST_F(RunTickTest, AccelerationAndSlipTakeOverWhenTheirPartnersAreOff) {
  Serve(61, 105);
  Serve(70, 71);
  state.lastSpeed = 100;
  state.lastSpeedTime = 100.0;
  check1.SetValue(-1);  // only a value of 1 counts as on
  check3.SetValue(1);
  check4.SetValue(1);
  FakeClock clock{100.25f, 100.5f};
  Tick(clock);
  EXPECT_EQ(check3.reads, 1);
  EXPECT_EQ(check4.reads, 1);
  EXPECT_EQ(port.writes, std::vector<std::string>{Bytes({0x58, 228, 126, 0, 128, 128, 3, 3})});
  EXPECT_EQ(state.lastSpeed, 105);
  EXPECT_EQ(state.lastSpeedTime, 100.5);
}

TEST_F(RunTickTest, FailedReadIsShownAndThePacketStillGoes) {
  desktop.SetReply(77, Reply::Answer(40000));
  Serve(135, 650);
  check5.SetValue(1);
  state.pitchCue = 12;
  FakeClock clock;
  Tick(clock);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].prompt, "Errore in routine BECCHEGGIO!\r\rOverflow");
  EXPECT_EQ(port.writes, std::vector<std::string>{Bytes({0x58, 128, 128, 10, 128, 128, 3, 3})});
}

TEST_F(RunTickTest, RefusedWriteReachesTheCaller) {
  port.SetPortOpen(false);
  FakeClock clock;
  EXPECT_THROW(Tick(clock), Error);
}

}  // namespace
}  // namespace veltrano
