#include "options.h"

#include "command_line.h"

namespace veltrano::flight_check {
namespace {

constexpr const char* kDescription =
    "Shows what a recorded flight will command of the platform, before anyone sits in it.";

constexpr const char* kFooter =
    R"(FLIGHT.csv is a recording in the format that simserver --record writes and --replay plays:
rows time_s,pitch,bank,slip,rpm,speed. It runs through the control program's own cue
computation at a tick every 50 ms of flight time, from 0 up to the last row, as fast as it can,
with the effects, centres and levels of the settings file. ACCELERATION measures the change of
speed over the flight's own time; the flight starts at midnight on that clock, so the first
tick, having no earlier speed, adds no surge.

It prints a table, an axis a row: the smallest and largest cue and when each came, the
commanded positions (centre + cue - 128, within 0..255; the cue itself for vibration), the
seconds at a limit (a cue of 0 or 255 as sent), and the largest change from one packet to the
next and when it came. Then a line per axis warns when a cue sits at a limit or changes in one
packet by more than the axis's movement-speed level moves it in 50 ms (32 units a second at
level 1, doubling each level to 512 at level 5).

Exit status: 0 when the flight was checked (with or without warnings), 2 for bad options, a
missing or unreadable file, a malformed row (named by its line), an empty flight, or a file
that cannot be written.)";

void Describe(CLI::App& app, Options& options) {
  command_line::Describe(app, kDescription, kFooter, 30);
  app.add_option("FLIGHT.csv", options.flight, "the recorded flight")->required();
  app.add_option("--settings", options.settings,
                 "the settings file (default: SETUPSIM.CAP in the working\n"
                 "directory if there is one, otherwise the defaults)")
      ->type_name("SETUPSIM.CAP");
  app.add_option("--json", options.json, "also write the figures to FILE as JSON")
      ->type_name("FILE");
  app.add_option("--picture", options.picture,
                 "also draw the three cues over the whole flight as a PNG")
      ->type_name("FILE.png");
  app.add_flag("--version", options.version, "print the version and end");
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  if (args == std::vector<std::string>{"--version"}) {
    options.version = true;
    return options;
  }
  CLI::App app("", "flight-check");
  Describe(app, options);
  options.help = command_line::ParseAskingForHelp<UsageError>(app, args);
  for (const auto* file : {&options.settings, &options.json, &options.picture}) {
    if (*file && (*file)->empty()) throw UsageError("a file name may not be empty");
  }
  return options;
}

std::string HelpText() {
  Options options;
  CLI::App app("", "flight-check");
  Describe(app, options);
  return app.help();
}

}  // namespace veltrano::flight_check
