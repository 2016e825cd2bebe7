#include "cueing/tick_packet.h"

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/cueing/fake_clock.h"
#include "tests/link/link_fakes.h"
#include "tests/support/recording_serial_port.h"

namespace veltrano {
namespace {

// A check box that holds any value, so that the "on exactly when 1" rule can be probed, and
// counts how often its value is asked for.
struct FakeCheckBox final : CheckBox {
  std::string_view Name() const override { return "Check"; }
  bool Enabled() const override { return true; }
  void SetEnabled(bool) override {}
  int Value() const override { return ++reads, value; }
  void SetValue(int newValue) override { value = newValue; }
  void OnClick(std::function<void()>) override {}

  int value = 0;
  mutable int reads = 0;
};

TEST(BuildPacketTest, LaysOutSyncCuesAndSettings) {
  const auto packet = [](double pitch, double roll, double vibration) {
    return BuildPacket({.pitchCue = pitch, .rollCue = roll, .vibrationCue = vibration});
  };
  // A data byte equal to 'X' goes unchanged; cues go to the nearest integer, ties to even.
  EXPECT_EQ(packet(88, 0, 255), (PlatformPacket{0x58, 0x58, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(packet(2.5, 3.5, 7.4), (PlatformPacket{0x58, 2, 4, 7, 0, 0, 0, 0}));
  // Out of range is limited, also where rounding would step over the edge.
  EXPECT_EQ(packet(256, -15, 254.6), (PlatformPacket{0x58, 255, 0, 255, 0, 0, 0, 0}));
  EXPECT_EQ(packet(-0.4, 255.4, -1e300), (PlatformPacket{0x58, 0, 255, 0, 0, 0, 0, 0}));
  // A cue that is not a number: the axis rests.
  EXPECT_EQ(packet(NAN, INFINITY, NAN), (PlatformPacket{0x58, 128, 128, 0, 0, 0, 0, 0}));
  EXPECT_EQ(packet(-INFINITY, NAN, INFINITY), (PlatformPacket{0x58, 128, 128, 0, 0, 0, 0, 0}));
  const PanelState settings{
      .pitchCenter = 300, .rollCenter = -5, .pitchExpressLevel = 88, .rollExpressLevel = 999};
  EXPECT_EQ(BuildPacket(settings), (PlatformPacket{0x58, 0, 0, 0, 255, 0, 0x58, 255}));
}

// A tick against a scripted data server, with the real link and readers.
struct RunTickTest : ::testing::Test {
  void Tick() {
    // A variable missing from the flight gets 0, as from a server that has nothing for it.
    desktop.serve = [this](std::int32_t code) -> std::int64_t {
      if (statuses.contains(code)) return statuses[code];
      return flight.contains(code) ? desktop.NewAtom(testing::FloatReplyText(flight[code])) : 0;
    };
    RunTick(state, readers, {pitching, rolling, acceleration, slip, vibration}, clock, port);
  }

  // Pitch, speed, bank, slip and rpm, by their variable codes.
  std::map<std::int32_t, double> flight = {{77, 45}, {61, 105}, {79, 350}, {70, 71}, {135, 2700}};
  std::map<std::int32_t, std::int64_t> statuses;  // the server's own answer instead of a value
  PanelState state;
  testing::FakeLinkTransport desktop;
  LinkClient link{desktop};
  testing::FakeMsgBox boxes;
  VariableReaders readers{link, boxes};
  FakeCheckBox pitching, rolling, acceleration, slip, vibration;
  testing::FakeClock clock;
  testing::RecordingSerialPort port;
};

TEST_F(RunTickTest, ReadsInOrderAndSkipsPartnersOfBoxesThatAreOn) {
  pitching.value = rolling.value = acceleration.value = slip.value = vibration.value = 1;
  Tick();
  EXPECT_EQ(desktop.requests, (std::vector<std::int64_t>{77, 61, 79, 70, 135}));
  EXPECT_EQ(acceleration.reads + slip.reads, 0) << "the partners of boxes that are on";
  EXPECT_EQ(port.writes, std::vector<std::string>{std::string("\x58\x40\x8D\x29\0\0\0\0", 8)});
}

TEST_F(RunTickTest, AServerGoneIsNotAskedAndItsZeroSpeedIsNoSample) {
  desktop.serverWindow = 0;
  pitching.value = -1;  // only a value of 1 counts as on
  acceleration.value = 1;
  state = {.lastSpeedTime = 100, .lastSpeed = 120};
  Tick();
  Tick();  // the clock is not read: no sample is taken
  EXPECT_TRUE(desktop.requests.empty());
  EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(100, 120));
  EXPECT_EQ(port.writes.back(), std::string("\x58\x80\x80\0\0\0\0\0", 8)) << "a level platform";
}

// A server that is there but has nothing for a code (0), or a status of its own: that value reads
// 0.0, is no sample, and the other values are asked as usual.
TEST_F(RunTickTest, AnAnswerOfZeroOrAStatusIsNoSampleYetTheOtherValuesAreAsked) {
  for (const std::int64_t answer : {0, 1}) {
    acceleration.value = rolling.value = 1;
    statuses = {{61, answer}, {79, answer}};
    state = {.lastSpeedTime = 100, .lastSpeed = 120};
    desktop.requests.clear();
    Tick();
    EXPECT_EQ(desktop.requests, (std::vector<std::int64_t>{77, 61, 79, 70, 135}));
    EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(100, 120));
    EXPECT_EQ(port.writes.back().substr(1, 2), "\x40\x7F") << "pitch 45, bank 0.0";
  }
}

// A server that has fallen behind (a game loop's frame, a stall): the tick's five requests go
// together, the packet carries the readings held from the last answers, ACCELERATION takes no
// sample from a speed it did not get, and nothing owed is asked again. An answer that comes
// later is the reading of the next tick; a server that goes in the middle of a tick is no server
// for the rest of it.
TEST_F(RunTickTest, LateAnswersHoldTheReadingsUntilTheyComeAndAreNotAskedAgainMeanwhile) {
  acceleration.value = rolling.value = vibration.value = 1;
  state = {.lastSpeedTime = 9, .lastSpeed = 105};  // steady speed: no surge
  clock.readings = {10, 10};
  Tick();
  const std::string served = port.writes.back();
  EXPECT_EQ(served, std::string("\x58\x40\x8D\x29\0\0\0\0", 8));
  EXPECT_EQ(desktop.batches, std::vector<std::size_t>{5}) << "sent at once";

  std::set<std::int32_t> late = {77, 61, 79, 70, 135};
  desktop.deliver = [&](std::int32_t code) {
    return late.contains(code) ? Delivery::kNoAnswerInTime : Delivery::kAnswered;
  };
  flight = {{77, 0}, {61, 300}, {79, 90}, {70, 0}, {135, 0}};  // what it says when it answers
  for (int tick = 0; tick < 2; ++tick) {
    desktop.requests.clear();
    Tick();
    const std::vector<std::int64_t> sent = {77, 61, 79, 70, 135};
    EXPECT_EQ(desktop.requests, tick == 0 ? sent : std::vector<std::int64_t>());
    EXPECT_EQ(port.writes.back(), served);
    EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(10, 105));
  }

  // All but the bank have answered since: their answers are this tick's readings, a speed
  // sample among them, and they are asked again; the bank is still owed and held.
  late = {79};
  flight[61] = 105;
  clock.readings = {11, 11};
  desktop.requests.clear();
  Tick();
  EXPECT_EQ(desktop.requests, (std::vector<std::int64_t>{77, 61, 70, 135}));
  EXPECT_EQ(port.writes.back(), std::string("\x58\x80\x8D\0\0\0\0\0", 8));
  EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(11, 105));
  EXPECT_EQ(desktop.owed.size(), 1u);

  // The server goes while the bank's answer is taken: the bank and what follows read 0.0.
  late.clear();
  desktop.deliver = [](std::int32_t code) {
    return code == 79 ? Delivery::kNoWindow : Delivery::kAnswered;
  };
  flight = {{77, 45}, {61, 105}, {79, 350}, {70, 71}, {135, 2700}};
  clock.readings = {12, 12};
  Tick();
  EXPECT_EQ(port.writes.back(), std::string("\x58\x40\x7F\0\0\0\0\0", 8));
  EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace veltrano
