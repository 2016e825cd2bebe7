#include "cueing/cue_computation.h"

#include <cmath>

namespace veltrano {

// The order of the arithmetic below is part of the behaviour: the cues must come out byte for
// byte as the established formulas give them, and reordering (e.g. 128 * p / 90 instead of
// (128 / 90) * p) moves some of them by one.

namespace {

double PitchAttitude(double pitch) { return 128.0 - (128.0 / 90.0) * pitch; }

// Speed change per second, scaled. A zero elapsed time (two samples within the clock's
// resolution) or a speed that is not a number gives no surge rather than a non-finite cue.
double Surge(double speed, double lastSpeed, double elapsed) {
  if (elapsed == 0.0) return 0.0;
  const double surge = ((speed - lastSpeed) / elapsed) * 5.0;
  return std::isfinite(surge) ? surge : 0.0;
}

// How far the bank is from 90 degrees, walking the circle so that the cue has no jumps.
double DistanceFromNinety(double bank) {
  if (bank <= 90.0) return 90.0 - bank;
  if (bank <= 180.0) return bank - 90.0;
  if (bank <= 270.0) return (bank - 180.0) + 90.0;
  return (360.0 - bank) + 90.0;
}

}  // namespace

void ComputePitchCue(PanelState& state, bool pitching, bool acceleration, SpeedReading speed,
                     Clock& clock) {
  if (pitching) {
    state.pitchCue = std::floor(PitchAttitude(state.pitchCue));
  } else if (acceleration) {
    const bool sample = speed == SpeedReading::kSample;
    const double surge = sample ? Surge(state.speedValue, state.lastSpeed,
                                        clock.SecondsSinceMidnight() - state.lastSpeedTime)
                                : 0.0;
    const double attitude = PitchAttitude(state.pitchCue);
    double cue = std::floor(surge + attitude);
    if (cue > 255.0) {
      cue = 255.0;
    } else if (cue < 0.0) {
      cue = 0.0;
    }
    state.pitchCue = cue;
    if (sample) {
      // The sample time is taken after the computation, not the one used in it.
      state.lastSpeedTime = clock.SecondsSinceMidnight();
      state.lastSpeed = state.speedValue;
    }
  } else {
    state.pitchCue = kNeutralPitchCue;
  }
}

void ComputeRollCue(PanelState& state, bool rolling, bool slip) {
  if (rolling) {
    state.rollCue = std::floor((255.0 / 180.0) * DistanceFromNinety(state.rollCue));
  } else if (slip) {
    state.rollCue = 255.0 - (std::floor(state.slipValue * 255.0 / 18000.0) + 128.0);
  } else {
    state.rollCue = kNeutralRollCue;
  }
}

void ComputeVibrationCue(PanelState& state, bool vibration) {
  state.vibrationCue = vibration ? std::floor(state.vibrationCue / 65.0) : kNeutralVibrationCue;
}

}  // namespace veltrano
