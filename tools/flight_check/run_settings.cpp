#include "run_settings.h"

#include <array>
#include <cstdint>
#include <optional>

#include "panel/settings_file.h"
#include "windowless_controls.h"

namespace veltrano::flight_check {
namespace {

bool IsOn(const CheckBox& box) { return box.Value() == 1; }

// The selected level of a group, if any: START keeps the loaded level for a group without one.
std::optional<std::int16_t> SelectedLevel(const std::array<OptionButton*, 5>& group) {
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (group[i]->Value()) return static_cast<std::int16_t>(i + 1);
  }
  return std::nullopt;
}

}  // namespace

RunSettings LoadRunSettings(const std::filesystem::path& file) {
  WindowlessControls windowless;
  PanelControls& controls = windowless.controls();
  RunSettings settings;
  LoadSettings(settings.state, controls, file);
  settings.effects = Effects{.pitching = IsOn(controls.check1),
                             .rolling = IsOn(controls.check2),
                             .acceleration = IsOn(controls.check3),
                             .slip = IsOn(controls.check4),
                             .vibration = IsOn(controls.check5)};
  // The load leaves the pitch centre as stored (inverted); START takes both from the scroll bars.
  settings.state.pitchCenter = static_cast<std::int16_t>(controls.vScroll1.Value());
  settings.state.rollCenter = static_cast<std::int16_t>(controls.hScroll1.Value());
  settings.state.pitchExpressLevel =
      SelectedLevel(controls.pitchLevels).value_or(settings.state.pitchExpressLevel);
  settings.state.rollExpressLevel =
      SelectedLevel(controls.rollLevels).value_or(settings.state.rollExpressLevel);
  return settings;
}

std::string PitchEffect(const Effects& effects) {
  return effects.pitching ? "PITCHING" : effects.acceleration ? "ACCELERATION" : "off";
}

std::string RollEffect(const Effects& effects) {
  return effects.rolling ? "ROLLING" : effects.slip ? "SLIP" : "off";
}

std::string VibrationEffect(const Effects& effects) {
  return effects.vibration ? "VIBRATION" : "off";
}

}  // namespace veltrano::flight_check
