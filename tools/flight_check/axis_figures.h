#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "flight_run.h"

namespace veltrano::flight_check {

// What a flight commands of one axis. Times are seconds of flight; where an extreme comes more
// than once, the first time. A limit is a cue of 0 or 255 as sent, after the packet's limit.
struct AxisFigures {
  std::string name;    // "pitch", "roll", "vibration"
  std::string effect;  // the effect that moves it, or "off"
  int rest = 0;        // the cue with its effects off
  int min = 0;
  double minAt = 0.0;
  int max = 0;
  double maxAt = 0.0;
  // Where the platform is sent: centre + cue - 128 within 0..255; the cue itself for vibration.
  int positionMin = 0;
  int positionMax = 0;
  // Time at an end of the travel with the cue short of its limit: the centre took it there.
  double atTravelEndSeconds = 0.0;
  std::optional<double> firstAtTravelEnd = std::nullopt;
  double atLowSeconds = 0.0;   // cue 0
  double atHighSeconds = 0.0;  // cue 255
  std::optional<double> firstAtLimit = std::nullopt;
  int largestStep = 0;  // from one packet to the next
  double largestStepAt = 0.0;
  // The pitch and roll axes' movement-speed level, and the most it lets the axis move in one
  // packet; none for vibration, which does not move.
  std::optional<int> level = std::nullopt;
  std::optional<double> stepAllowed = std::nullopt;
  std::size_t stepsTooLarge = 0;  // packets that change the cue by more than that

  double AtLimitSeconds() const { return atLowSeconds + atHighSeconds; }
};

struct FlightFigures {
  std::size_t ticks = 0;
  double seconds = 0.0;  // of flight, the ticks' periods added up
  AxisFigures pitch;
  AxisFigures roll;
  AxisFigures vibration;
};

FlightFigures Figure(const FlightRun& run, const Effects& effects);

}  // namespace veltrano::flight_check
