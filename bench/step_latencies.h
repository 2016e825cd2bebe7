#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "packet_stream.h"

namespace veltrano::bench {

// How the benchmark's sources move the pitch: through three levels, a step every kStepEvery
// seconds, a spacing that is no multiple of the period, so the steps fall on every phase of the
// tick. No level is 0, the reading of a request that got no value.
inline constexpr double kStepEvery = 0.1537;
inline constexpr double kPitchLevels[] = {5.0, 15.0, 25.0};
inline double PitchAfterStep(std::size_t step) { return kPitchLevels[step % 3]; }

// The byte that the program sends for a pitch, by the program's own arithmetic.
std::uint8_t PitchByte(double pitch);

// A moment at which the source's pitch became a new level, and the byte that carries it.
struct LevelChange {
  BenchClock::time_point when;
  std::uint8_t carried;
};

// For each change that falls inside the run: from the change to the arrival of the first packet
// that carries the new level. A level that never arrives before the change after next counts as
// lost; the last two changes, which have no change after next inside the run, are not measured.
struct Latencies {
  std::vector<double> ms;
  std::size_t lost = 0;
};

Latencies StepLatencies(const std::vector<Arrival>& arrivals,
                        const std::vector<LevelChange>& changes);

}  // namespace veltrano::bench
