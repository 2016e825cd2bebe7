#pragma once

#include <filesystem>
#include <string_view>

#include "panel/panel_controls.h"
#include "panel/panel_state.h"

namespace veltrano {

// The settings live in this file in the working directory: ten CR LF lines, five effect flags
// "0"/"1", then the port number, 255 minus the pitch centre, the roll centre and the two levels,
// each number with a sign position and a trailing space.
inline constexpr std::string_view kSettingsFileName = "SETUPSIM.CAP";

// Restores the controls and the settings fields value by value, applying each at once. At the
// first value that cannot be had (no file, a short file, a line that is not a whole number in
// -32768..32767, a centre outside 0..255) the defaults are applied on top of what was restored.
// Never fails outward.
void LoadSettings(PanelState& state, PanelControls& controls,
                  const std::filesystem::path& file = kSettingsFileName);

// Writes the file from the controls and `state.comPort`, and fixes the centres and the selected
// levels in `state`. The file is replaced by a complete new one written beside it, keeping its
// permission bits; a symbolic link stays and the file it leads to is replaced. Where no new file
// can take its place (a folder that takes no new files), the file is rewritten in place. A file
// that this user may not write (read-only for them) is left as it is, and the save fails. A
// failure raises Error and leaves `state` as it was.
void SaveSettings(PanelState& state, PanelControls& controls,
                  const std::filesystem::path& file = kSettingsFileName);

}  // namespace veltrano
