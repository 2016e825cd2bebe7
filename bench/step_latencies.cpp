#include "step_latencies.h"

#include <chrono>

#include "cueing/cue_computation.h"
#include "platform/posix/posix_system_clock.h"

namespace veltrano::bench {

std::uint8_t PitchByte(double pitch) {
  PanelState state;
  state.pitchCue = pitch;
  PosixSystemClock unused;
  ComputePitchCue(state, /*pitching=*/true, /*acceleration=*/false, SpeedReading::kSample, unused);
  return static_cast<std::uint8_t>(state.pitchCue);
}

Latencies StepLatencies(const std::vector<Arrival>& arrivals,
                        const std::vector<LevelChange>& changes) {
  using Ms = std::chrono::duration<double, std::milli>;
  Latencies found;
  if (arrivals.empty()) return found;
  for (std::size_t i = 0; i + 2 < changes.size() && changes[i + 2].when < arrivals.back().when;
       ++i) {
    const LevelChange& change = changes[i];
    if (change.when < arrivals.front().when) continue;
    const auto giveUp = changes[i + 2].when;
    auto arrival = arrivals.begin();
    while (arrival != arrivals.end() && arrival->when < change.when) ++arrival;
    while (arrival != arrivals.end() && arrival->when < giveUp &&
           arrival->packet[kPitchCueByte] != change.carried) {
      ++arrival;
    }
    if (arrival == arrivals.end() || arrival->when >= giveUp ||
        arrival->packet[kPitchCueByte] != change.carried) {
      ++found.lost;
    } else {
      found.ms.push_back(Ms(arrival->when - change.when).count());
    }
  }
  return found;
}

}  // namespace veltrano::bench
