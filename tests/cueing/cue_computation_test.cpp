#include "cueing/cue_computation.h"

#include <cmath>
#include <limits>
#include <ostream>

#include <gtest/gtest.h>

#include "tests/cueing/fake_clock.h"

namespace veltrano {
namespace {

using testing::FakeClock;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Case {
  double input;
  double cue;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.input << " -> " << c.cue; }

// ---- Pitch ----

class PitchingTest : public ::testing::TestWithParam<Case> {};

TEST_P(PitchingTest, FollowsTheAttitudeWithoutALimit) {
  PanelState state;
  state.pitchCue = GetParam().input;
  state.speedValue = 50;
  state.lastSpeed = 40;
  state.lastSpeedTime = 30;
  FakeClock clock;
  // ACCELERATION is on as well: PITCHING wins and the sample stays as it was.
  ComputePitchCue(state, true, true, clock);
  EXPECT_EQ(state.pitchCue, GetParam().cue);
  EXPECT_EQ(clock.reads, 0);
  EXPECT_EQ(state.lastSpeed, 40);
  EXPECT_EQ(state.lastSpeedTime, 30);
}

// 8.437500000000005 and -89.999 land where multiplying by 128 before dividing by 90 would not;
// 100 and -90 leave 0..255 (floor of a negative rounds down).
INSTANTIATE_TEST_SUITE_P(Attitudes, PitchingTest,
                         ::testing::Values(Case{0, 128}, Case{45, 64}, Case{90, 0}, Case{-45, 192},
                                           Case{-89.999, 255}, Case{8.437500000000005, 115},
                                           Case{100, -15}, Case{-90, 256}));

struct AccelerationCase {
  double pitch;
  double speed;
  double lastSpeed;
  float lastTime;
  float now;
  double cue;
};

void PrintTo(const AccelerationCase& c, std::ostream* out) {
  *out << "pitch " << c.pitch << " speed " << c.lastSpeed << " -> " << c.speed;
}

class AccelerationTest : public ::testing::TestWithParam<AccelerationCase> {};

TEST_P(AccelerationTest, AddsTheSurgeAndKeepsTheSample) {
  const AccelerationCase& c = GetParam();
  PanelState state;
  state.pitchCue = c.pitch;
  state.speedValue = c.speed;
  state.lastSpeed = c.lastSpeed;
  state.lastSpeedTime = c.lastTime;
  const float sampleTime = c.now + 0.125f;
  FakeClock clock{c.now, sampleTime};
  ComputePitchCue(state, false, true, clock);
  EXPECT_EQ(state.pitchCue, c.cue);
  EXPECT_EQ(clock.reads, 2);
  EXPECT_EQ(state.lastSpeedTime, sampleTime) << "the sample keeps the second clock reading";
  EXPECT_TRUE(state.lastSpeed == c.speed || (std::isnan(state.lastSpeed) && std::isnan(c.speed)))
      << state.lastSpeed;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, AccelerationTest,
    ::testing::Values(AccelerationCase{0, 105, 100, 100.0f, 100.25f, 228},
                      AccelerationCase{0, 110, 100, 100.0f, 100.25f, 255},
                      AccelerationCase{0, 85, 100, 100.0f, 100.25f, 0},
                      AccelerationCase{45, 100, 100, 100.0f, 100.25f, 64},
                      AccelerationCase{-100, 100, 100, 100.0f, 100.25f, 255},
                      // The first sample after the window loads measures from speed 0 at 0 s.
                      AccelerationCase{0, 120, 0, 0.0f, 10.0f, 188},
                      // Across midnight the elapsed time is about minus one day.
                      AccelerationCase{0, 101, 100, 86399.9f, 0.1f, 127},
                      // No time elapsed: no surge, whether the speed moved or not.
                      AccelerationCase{0, 105, 100, 100.25f, 100.25f, 128},
                      AccelerationCase{45, 100, 100, 100.25f, 100.25f, 64},
                      // A speed that is not a number gives no surge either.
                      AccelerationCase{0, kNaN, 100, 100.0f, 100.25f, 128},
                      AccelerationCase{0, kInfinity, 100, 100.0f, 100.25f, 128}));

TEST(PitchCueTest, NoPitchEffectIsNeutralAndKeepsTheSample) {
  PanelState state;
  state.pitchCue = 45;
  state.speedValue = 50;
  state.lastSpeed = 40;
  state.lastSpeedTime = 30;
  FakeClock clock;
  ComputePitchCue(state, false, false, clock);
  EXPECT_EQ(state.pitchCue, 128);
  EXPECT_EQ(clock.reads, 0);
  EXPECT_EQ(state.lastSpeed, 40);
  EXPECT_EQ(state.lastSpeedTime, 30);
}

// ---- Roll ----

class RollingTest : public ::testing::TestWithParam<Case> {};

TEST_P(RollingTest, FollowsTheDistanceOfTheBankFromNinety) {
  PanelState state;
  state.rollCue = GetParam().input;
  state.slipValue = 9000;
  ComputeRollCue(state, true, true);  // ROLLING wins over SLIP
  EXPECT_EQ(state.rollCue, GetParam().cue);
  EXPECT_EQ(state.slipValue, 9000);
}

// 114.70588235294117 and 258.70588235294116 land where 255 * d / 180 would not.
INSTANTIATE_TEST_SUITE_P(Banks, RollingTest,
                         ::testing::Values(Case{0, 127}, Case{10, 113}, Case{45, 63}, Case{90, 0},
                                           Case{135, 63}, Case{180, 127}, Case{181, 128},
                                           Case{225, 191}, Case{270, 255}, Case{315, 191},
                                           Case{350, 141}, Case{359, 128}, Case{360, 127},
                                           Case{114.70588235294117, 35},
                                           Case{258.70588235294116, 239}, Case{-100, 269},
                                           Case{460, -15}));

class SlipTest : public ::testing::TestWithParam<Case> {};

TEST_P(SlipTest, FollowsTheSlipIndicator) {
  PanelState state;
  state.rollCue = 45;
  state.slipValue = GetParam().input;
  ComputeRollCue(state, false, true);
  EXPECT_EQ(state.rollCue, GetParam().cue);
  EXPECT_EQ(state.slipValue, GetParam().input);
}

// 3 * 18000 / 255 gives 124 only when slip * 255 is formed before the division.
INSTANTIATE_TEST_SUITE_P(Slips, SlipTest,
                         ::testing::Values(Case{0, 127}, Case{1, 127}, Case{-1, 128}, Case{71, 126},
                                           Case{-71, 129}, Case{9000, 0}, Case{-9000, 255},
                                           Case{3 * 18000.0 / 255.0, 124}, Case{10000, -14}));

TEST(RollCueTest, NoRollEffectIsNeutral) {
  PanelState state;
  state.rollCue = 45;
  state.slipValue = 71;
  ComputeRollCue(state, false, false);
  EXPECT_EQ(state.rollCue, 128);
}

// ---- Vibration ----

class VibrationTest : public ::testing::TestWithParam<Case> {};

TEST_P(VibrationTest, FollowsTheRpm) {
  PanelState state;
  state.vibrationCue = GetParam().input;
  ComputeVibrationCue(state, true);
  EXPECT_EQ(state.vibrationCue, GetParam().cue);
}

INSTANTIATE_TEST_SUITE_P(Rpms, VibrationTest,
                         ::testing::Values(Case{0, 0}, Case{64, 0}, Case{65, 1}, Case{2700, 41},
                                           Case{16639, 255}, Case{16640, 256}, Case{-1, -1}));

TEST(VibrationCueTest, OffIsZero) {
  PanelState state;
  state.vibrationCue = 2700;
  ComputeVibrationCue(state, false);
  EXPECT_EQ(state.vibrationCue, 0);
}

}  // namespace
}  // namespace veltrano
