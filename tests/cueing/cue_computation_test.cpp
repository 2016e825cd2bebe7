#include "cueing/cue_computation.h"

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

#include "tests/cueing/fake_clock.h"

namespace veltrano {
namespace {

using testing::FakeClock;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Each gives the cue for one flight value, with the effect named on and its partner's too.
double Pitching(double pitch) {
  PanelState state{.pitchCue = pitch};
  FakeClock clock;  // PITCHING wins: the clock is not read for a sample
  ComputePitchCue(state, true, true, SpeedReading::kSample, clock);
  return state.pitchCue;
}
double Rolling(double bank) {
  PanelState state{.rollCue = bank, .slipValue = 9000};
  ComputeRollCue(state, true, true);
  return state.rollCue;
}
double Slip(double slip) {
  PanelState state{.rollCue = 45, .slipValue = slip};
  ComputeRollCue(state, false, true);
  return state.rollCue;
}
double Vibration(double rpm) {
  PanelState state{.vibrationCue = rpm};
  ComputeVibrationCue(state, true);
  return state.vibrationCue;
}

void ExpectCues(const char* effect, double (*cueFor)(double),
                std::initializer_list<std::pair<double, double>> rows) {
  for (const auto& [input, cue] : rows)
    EXPECT_EQ(cueFor(input), cue) << effect << " from " << input;
}

// The odd-looking inputs land where another order of the same arithmetic would not (128 * p / 90,
// 255 * d / 180, 255 / 18000 * slip); the negative cues show that floor rounds down. Pitching has
// no limit; rolling follows the distance of the bank from 90 degrees.
TEST(CueTest, EachEffectFollowsItsFlightValue) {
  ExpectCues("pitching", Pitching,
             {{45, 64}, {-89.999, 255}, {8.437500000000005, 115}, {100, -15}, {-90, 256}});
  ExpectCues("rolling", Rolling, {{0, 127}, {135, 63}, {270, 255}, {350, 141}, {460, -15}});
  ExpectCues("rolling", Rolling, {{114.70588235294117, 35}, {258.70588235294116, 239}});
  ExpectCues("slip", Slip,
             {{0, 127}, {-1, 128}, {71, 126}, {3 * 18000.0 / 255.0, 124}, {10000, -14}});
  ExpectCues("vibration", Vibration, {{64, 0}, {65, 1}, {2700, 41}, {-1, -1}});
}

TEST(CueTest, AccelerationAddsTheSurgeAndKeepsTheSecondClockReading) {
  // pitch, speed, the last sample's time, the clock's first reading, the cue
  const std::tuple<double, double, float, float, double> cases[] = {
      {0, 105, 100.0f, 100.25f, 228},
      {0, 110, 100.0f, 100.25f, 255},  // limited to 0..255
      {0, 85, 100.0f, 100.25f, 0},
      {45, 105, 100.25f, 100.25f, 64},  // no time elapsed: no surge
      {0, 101, 86399.9f, 0.1f, 127},    // across midnight about minus one day elapses
      {0, kNaN, 100.0f, 100.25f, 128},  // a speed that is not a number: no surge either
      {0, kInfinity, 100.0f, 100.25f, 128},
  };
  for (const auto& [pitch, speed, lastTime, now, cue] : cases) {
    PanelState state{
        .pitchCue = pitch, .speedValue = speed, .lastSpeedTime = lastTime, .lastSpeed = 100};
    FakeClock clock{now, now + 0.125f};
    ComputePitchCue(state, false, true, SpeedReading::kSample, clock);
    EXPECT_EQ(state.pitchCue, cue) << speed;
    EXPECT_EQ(state.lastSpeedTime, now + 0.125f);
    // Bit for bit, so that a speed that is not a number counts as kept.
    EXPECT_EQ(std::bit_cast<std::uint64_t>(state.lastSpeed), std::bit_cast<std::uint64_t>(speed));
  }
}

TEST(CueTest, EffectsOffGiveNeutralCuesAndKeepTheSample) {
  // Each value here gives another cue with its effect on; the clock is not to be read.
  PanelState state{.pitchCue = 45, .rollCue = 270, .vibrationCue = 2700};
  state.lastSpeedTime = 30;
  state.lastSpeed = 40;
  FakeClock clock;
  ComputePitchCue(state, false, false, SpeedReading::kSample, clock);
  ComputeRollCue(state, false, false);
  ComputeVibrationCue(state, false);
  EXPECT_EQ(std::tuple(state.pitchCue, state.rollCue, state.vibrationCue), std::tuple(128, 128, 0));
  EXPECT_EQ(std::tuple(state.lastSpeedTime, state.lastSpeed), std::tuple(30, 40)) << "the sample";
}

}  // namespace
}  // namespace veltrano
