#pragma once

#include <QRect>

#include "platform_state.h"

class QPainter;

namespace veltrano::virtual_platform {

// Draws the platform's state at `now` into `area`: the platform from the side (pitch) and from
// behind (roll), each tilted to where its axis has got to, with the commanded position as a
// dashed outline; the vibration as a meter and a shake of both drawings; a strip chart of the
// three cues over the last ten seconds; and a status bar that says how the line fares and turns
// red with "no packets" when the line is silent.
void DrawPlatform(QPainter& painter, const QRect& area, const PlatformState& state,
                  PlatformState::Clock::time_point now);

// The tilt that an axis position (0..255, 128 level) stands for, in degrees, at the scale of the
// cues: 128 units are 90 degrees of pitch (nose up positive) and 255 units are 180 degrees of
// roll (right side down positive), so the drawing shows the attitude that produced the cue.
double PitchDegrees(double position);
double RollDegrees(double position);

}  // namespace veltrano::virtual_platform
