#include "cueing/tick_packet.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cueing/fake_check_box.h"
#include "tests/cueing/fake_clock.h"
#include "tests/cueing/fake_serial_port.h"
#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

TEST(BuildPacketTest, LaysOutSyncCuesAndSettings) {
  const auto packet = [](double pitch, double roll, double vibration) {
    return BuildPacket({.pitchCue = pitch, .rollCue = roll, .vibrationCue = vibration});
  };
  // A data byte equal to 'X' goes unchanged; cues go to the nearest integer, ties to even.
  EXPECT_EQ(packet(88, 0, 255), (Packet{0x58, 0x58, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(packet(2.5, 3.5, 7.4), (Packet{0x58, 2, 4, 7, 0, 0, 0, 0}));
  // Out of range is limited, also where rounding would step over the edge.
  EXPECT_EQ(packet(256, -15, 254.6), (Packet{0x58, 255, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(packet(-0.4, 255.4, -1e300), (Packet{0x58, 0, 255, 0, 0, 0, 0, 0}));
  // A cue that is not a number: the axis rests.
  EXPECT_EQ(packet(NAN, INFINITY, NAN), (Packet{0x58, 128, 128, 0, 0, 0, 0, 0}));
  EXPECT_EQ(packet(-INFINITY, NAN, INFINITY), (Packet{0x58, 128, 128, 0, 0, 0, 0, 0}));
  const PanelState settings{
      .pitchCenter = 300, .rollCenter = -5, .pitchExpressLevel = 88, .rollExpressLevel = 999};
  EXPECT_EQ(BuildPacket(settings), (Packet{0x58, 0, 0, 0, 255, 0, 0x58, 255}));
}

// A tick against a scripted data server, with the real link and readers.
struct RunTickTest : ::testing::Test {
  void Tick() {
    // A variable missing from the flight gets an answer beyond 16 bits: its read fails.
    if (!desktop.serve) {
      desktop.serve = [this](std::int32_t code) -> std::int64_t {
        return flight.contains(code) ? desktop.NewAtom(testing::FloatReplyText(flight[code]))
                                     : 40000;
      };
    }
    RunTick(state, readers, {pitching, rolling, acceleration, slip, vibration}, clock, port);
  }

  // Pitch, speed, bank, slip and rpm, by their variable codes.
  std::map<std::int32_t, double> flight = {{77, 45}, {61, 105}, {79, 350}, {70, 71}, {135, 2700}};
  PanelState state;
  testing::FakeLinkTransport desktop;
  LinkClient link{desktop};
  testing::FakeMsgBox boxes;
  VariableReaders readers{link, boxes};
  testing::FakeCheckBox pitching, rolling, acceleration, slip, vibration;
  testing::FakeClock clock;
  testing::FakeSerialPort port;
};

TEST_F(RunTickTest, ReadsInOrderAndSkipsPartnersOfBoxesThatAreOn) {
  pitching.value = rolling.value = acceleration.value = slip.value = vibration.value = 1;
  Tick();
  EXPECT_EQ(desktop.requests, (std::vector<std::int64_t>{77, 61, 79, 70, 135}));
  EXPECT_EQ(acceleration.reads + slip.reads, 0) << "the partners of boxes that are on";
  EXPECT_EQ(port.writes, std::vector<std::string>{std::string("\x58\x40\x8D\x29\0\0\0\0", 8)});
}

TEST_F(RunTickTest, FailedReadIsShownAndThePacketStillGoes) {
  flight.erase(70);
  state = {.slipValue = -71, .lastSpeedTime = 100, .lastSpeed = 100};  // the slip read leaves -71
  clock = testing::FakeClock{100.25f, 100.5f};
  pitching.value = -1;  // only a value of 1 counts as on
  acceleration.value = slip.value = vibration.value = 1;
  Tick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].prompt, "Errore in routine SBANDOMETRO!\r\rOverflow");
  EXPECT_EQ(port.writes, std::vector<std::string>{std::string("\x58\xA4\x81\x29\0\0\0\0", 8)});
}

TEST_F(RunTickTest, AServerWithoutAnswerIsAskedOncePerTickAndItsZeroSpeedIsNoSample) {
  desktop.serve = [](std::int32_t) { return 0; };  // what a time-out gives, too
  acceleration.value = 1;
  state = {.lastSpeedTime = 100, .lastSpeed = 120};
  Tick();
  Tick();  // the clock is not read: no sample is taken
  EXPECT_EQ(desktop.requests, (std::vector<std::int64_t>{77, 77}));
  EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(100, 120));
  EXPECT_EQ(port.writes.back(), std::string("\x58\x80\x80\0\0\0\0\0", 8)) << "a level platform";
}

}  // namespace
}  // namespace veltrano
