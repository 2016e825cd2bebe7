#include "cueing/tick_packet.h"

#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cueing/fake_check_box.h"
#include "tests/cueing/fake_clock.h"
#include "tests/cueing/fake_serial_port.h"
#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

using namespace std::string_literals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(BuildPacketTest, LaysOutSyncCuesAndSettings) {
  struct Case {
    double pitch, roll, vibration;
    Packet packet;
  };
  const Case cases[] = {
      {88, 0, 255, {0x58, 0x58, 0, 255, 0, 0, 0, 0}},  // a data byte equal to 'X' goes unchanged
      {2.5, 3.5, 7.4, {0x58, 2, 4, 7, 0, 0, 0, 0}},    // nearest integer, ties to even
      // Out of range is limited, also where rounding would step over the edge.
      {256, -15, 254.6, {0x58, 255, 0, 255, 0, 0, 0, 0}},
      {-0.4, 255.4, -1e300, {0x58, 0, 255, 0, 0, 0, 0, 0}},
      // A cue that is not a number: the axis rests.
      {kNaN, kInfinity, kNaN, {0x58, 128, 128, 0, 0, 0, 0, 0}},
      {-kInfinity, kNaN, kInfinity, {0x58, 128, 128, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const PanelState state{.pitchCue = c.pitch, .rollCue = c.roll, .vibrationCue = c.vibration};
    EXPECT_EQ(BuildPacket(state), c.packet) << c.pitch << " " << c.roll << " " << c.vibration;
  }
  const PanelState settings{
      .pitchCenter = 300, .rollCenter = -5, .pitchExpressLevel = 88, .rollExpressLevel = 999};
  EXPECT_EQ(BuildPacket(settings), (Packet{0x58, 0, 0, 0, 255, 0, 0x58, 255}));
}

// A tick against a scripted data server, with the real link and readers.
class RunTickTest : public ::testing::Test {
 protected:
  RunTickTest() {
    // A variable missing from the flight gets an answer beyond 16 bits: its read fails.
    desktop.serve = [this](std::int32_t code) -> std::int64_t {
      return flight.contains(code) ? desktop.NewAtom(testing::FloatReplyText(flight.at(code)))
                                   : 40000;
    };
  }

  void Tick() {
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
  EXPECT_EQ(acceleration.reads, 0);
  EXPECT_EQ(slip.reads, 0);
  EXPECT_EQ(port.writes, std::vector<std::string>{"\x58\x40\x8D\x29\0\0\0\0"s});
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
  EXPECT_EQ(port.writes, std::vector<std::string>{"\x58\xA4\x81\x29\0\0\0\0"s});
}

}  // namespace
}  // namespace veltrano
