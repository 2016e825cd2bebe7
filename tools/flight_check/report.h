#pragma once

#include <ostream>
#include <string>

#include "axis_figures.h"

namespace veltrano::flight_check {

// The table, an axis a row: the cue's extremes and when they came, the commanded positions, the
// seconds at a limit and the largest step from one packet to the next.
void PrintTable(std::ostream& out, const FlightFigures& figures);

// A line per axis: what to look at (a cue at a limit, a centre that sends the axis to an end of
// its travel, steps faster than the axis's level moves), or that there is nothing.
void PrintVerdicts(std::ostream& out, const FlightFigures& figures);

// The same figures as a JSON object: "ticks", "seconds", and "pitch", "roll", "vibration".
std::string FiguresJson(const FlightFigures& figures);

}  // namespace veltrano::flight_check
