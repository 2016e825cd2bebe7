#pragma once

#include <string>

#include "axis_figures.h"

namespace veltrano::flight_check {

// Raises Error, saying why, in a build that draws no pictures: they need Qt, which the Windows
// build and the build of the logic alone do not have.
void CheckPicturesAvailable();

// Draws the three cues over the whole flight, each in a band from 0 to 255 with its limits
// marked and the time at a limit shown in red, and saves it as PNG. Raises Error when the file
// cannot be written, or as CheckPicturesAvailable does.
void SaveFlightPicture(const FlightRun& run, const FlightFigures& figures, const std::string& title,
                       const std::string& pngPath);

}  // namespace veltrano::flight_check
