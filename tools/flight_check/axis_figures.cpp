#include "axis_figures.h"

#include <algorithm>
#include <cstdlib>

#include "axis_motion.h"
#include "cueing/cue_computation.h"

namespace veltrano::flight_check {
namespace {

using virtual_platform::AxisMotion;

// Where an axis's bytes are in the packet.
struct AxisBytes {
  PlatformPacketByte cue;
  // None for vibration: it has no motion, so neither a centre nor a level.
  std::optional<PlatformPacketByte> centre;
  std::optional<PlatformPacketByte> level;
};

AxisFigures FigureAxis(const FlightRun& run, AxisBytes bytes, AxisFigures axis) {
  const std::vector<PlatformPacket>& packets = run.packets;
  const PlatformPacket& first = packets.front();
  if (bytes.centre) {
    // The levels stay the same for the whole run: START took them.
    AxisMotion motion;
    motion.Command(first[bytes.cue], first[*bytes.centre], first[*bytes.level]);
    axis.level = motion.Level();
    axis.stepAllowed = AxisMotion::UnitsPerSecond(motion.Level()) * run.tickSeconds;
  }
  axis.min = axis.max = first[bytes.cue];
  axis.positionMin = 255;
  axis.positionMax = 0;
  std::size_t ticksAtLow = 0;
  std::size_t ticksAtHigh = 0;
  std::size_t ticksAtTravelEnd = 0;
  for (std::size_t tick = 0; tick < packets.size(); ++tick) {
    const PlatformPacket& packet = packets[tick];
    const int cue = packet[bytes.cue];
    const double at = static_cast<double>(tick) * run.tickSeconds;
    if (cue < axis.min) {
      axis.min = cue;
      axis.minAt = at;
    }
    if (cue > axis.max) {
      axis.max = cue;
      axis.maxAt = at;
    }

    int position = cue;
    if (bytes.centre) {
      AxisMotion motion;
      motion.Command(packet[bytes.cue], packet[*bytes.centre], packet[*bytes.level]);
      position = motion.Commanded();
    }
    axis.positionMin = std::min(axis.positionMin, position);
    axis.positionMax = std::max(axis.positionMax, position);

    const bool cueAtLimit = cue == 0 || cue == 255;
    if (cue == 0) ++ticksAtLow;
    if (cue == 255) ++ticksAtHigh;
    if (cueAtLimit && !axis.firstAtLimit) axis.firstAtLimit = at;
    if ((position == 0 || position == AxisMotion::kTravelEnd) && !cueAtLimit) {
      ++ticksAtTravelEnd;
      if (!axis.firstAtTravelEnd) axis.firstAtTravelEnd = at;
    }

    if (tick == 0) continue;
    const int step = std::abs(cue - packets[tick - 1][bytes.cue]);
    if (step > axis.largestStep) {
      axis.largestStep = step;
      axis.largestStepAt = at;
    }
    if (axis.stepAllowed && step > *axis.stepAllowed) ++axis.stepsTooLarge;
  }
  // Counted, not summed, so that no rounding gathers over a long flight.
  axis.atLowSeconds = static_cast<double>(ticksAtLow) * run.tickSeconds;
  axis.atHighSeconds = static_cast<double>(ticksAtHigh) * run.tickSeconds;
  axis.atTravelEndSeconds = static_cast<double>(ticksAtTravelEnd) * run.tickSeconds;
  return axis;
}

}  // namespace

FlightFigures Figure(const FlightRun& run, const Effects& effects) {
  return FlightFigures{
      .ticks = run.packets.size(),
      .seconds = static_cast<double>(run.packets.size()) * run.tickSeconds,
      .pitch = FigureAxis(
          run, {.cue = kPitchCueByte, .centre = kPitchCentreByte, .level = kPitchLevelByte},
          {.name = "pitch",
           .effect = PitchEffect(effects),
           .rest = static_cast<int>(kNeutralPitchCue)}),
      .roll =
          FigureAxis(run, {.cue = kRollCueByte, .centre = kRollCentreByte, .level = kRollLevelByte},
                     {.name = "roll",
                      .effect = RollEffect(effects),
                      .rest = static_cast<int>(kNeutralRollCue)}),
      .vibration =
          FigureAxis(run, {.cue = kVibrationCueByte, .centre = std::nullopt, .level = std::nullopt},
                     {.name = "vibration",
                      .effect = VibrationEffect(effects),
                      .rest = static_cast<int>(kNeutralVibrationCue)}),
  };
}

}  // namespace veltrano::flight_check
