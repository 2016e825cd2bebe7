#include "flight_run.h"

#include "cueing/cue_computation.h"
#include "flight_clock.h"
#include "panel/form1_design.h"

namespace veltrano::flight_check {

FlightRun RunFlight(const simserver::FlightSource& flight, double length,
                    const RunSettings& settings) {
  const int periodMs = Form1Layout().timerIntervalMs;
  const Effects& effects = settings.effects;
  // PITCHING wins over ACCELERATION and ROLLING over SLIP, as in the tick.
  const bool acceleration = !effects.pitching && effects.acceleration;
  const bool slip = !effects.rolling && effects.slip;

  FlightRun run{.tickSeconds = periodMs / 1000.0, .packets = {}};
  PanelState state = settings.state;
  FlightClock clock;
  for (long tick = 0;; ++tick) {
    // From whole milliseconds, so that a long flight gathers no rounding in its tick times.
    const double seconds = static_cast<double>(tick * periodMs) / 1000.0;
    if (tick > 0 && seconds >= length) break;
    const simserver::FlightValues values = flight.At(seconds);
    clock.Set(seconds);
    // The readers' order: each value is in its field before its axis is computed.
    state.pitchCue = values.pitch;
    state.speedValue = values.speed;
    ComputePitchCue(state, effects.pitching, acceleration, SpeedReading::kSample, clock);
    state.rollCue = values.bank;
    state.slipValue = values.slip;
    ComputeRollCue(state, effects.rolling, slip);
    state.vibrationCue = values.rpm;
    ComputeVibrationCue(state, effects.vibration);
    run.packets.push_back(BuildPacket(state));
  }
  return run;
}

}  // namespace veltrano::flight_check
