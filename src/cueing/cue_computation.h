#pragma once

#include "panel/panel_state.h"
#include "platform/clock.h"

namespace veltrano {

// The cue of an axis whose effects are off.
inline constexpr double kNeutralPitchCue = 128.0;
inline constexpr double kNeutralRollCue = 128.0;
inline constexpr double kNeutralVibrationCue = 0.0;

// Each replaces the flight value in its cue field by the cue, a whole number held as a double.

// Whether `speedValue` is a speed sample: read from the server this tick, not the 0.0 that stands
// in for a server that is missing, did not answer or failed.
enum class SpeedReading { kSample, kNoSample };

// PITCHING follows the pitch attitude; ACCELERATION adds a surge from the change of speed over
// time and keeps the speed sample in the state; neither gives the neutral 128. A speed that is no
// sample gives no surge and is not kept, so the next sample is compared with the last real one.
void ComputePitchCue(PanelState& state, bool pitching, bool acceleration, SpeedReading speed,
                     Clock& clock);

// ROLLING follows the bank (0..360 degrees), SLIP the slip indicator; neither gives 128.
void ComputeRollCue(PanelState& state, bool rolling, bool slip);

// VIBRATION follows the engine rpm; off gives 0.
void ComputeVibrationCue(PanelState& state, bool vibration);

}  // namespace veltrano
