#pragma once

#include <filesystem>
#include <string>

#include "panel/panel_state.h"

namespace veltrano::flight_check {

// The effect boxes as a tick reads them.
struct Effects {
  bool pitching = false;
  bool rolling = false;
  bool acceleration = false;
  bool slip = false;
  bool vibration = false;
};

// What a run goes with when the window has loaded the settings and START has been pressed.
struct RunSettings {
  Effects effects;
  // The centres and levels as START takes them from the controls; the rest as the window loads.
  PanelState state;
};

// Loads `file` with the window's own loader, so that a short or garbled file ends in the
// defaults as it does there, and a missing one gives the defaults outright.
RunSettings LoadRunSettings(const std::filesystem::path& file);

// The effect that moves each axis, PITCHING and ROLLING winning over their partners, or "off".
std::string PitchEffect(const Effects& effects);
std::string RollEffect(const Effects& effects);
std::string VibrationEffect(const Effects& effects);

}  // namespace veltrano::flight_check
