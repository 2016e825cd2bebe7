#include "flight_check.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "axis_figures.h"
#include "flight_picture.h"
#include "flight_run.h"
#include "options.h"
#include "panel/settings_file.h"
#include "replay_track.h"
#include "report.h"
#include "run_settings.h"
#include "version.h"

namespace veltrano::flight_check {
namespace {

constexpr int kBadInput = 2;

void CheckReadable(const std::filesystem::path& file) {
  // A directory opens like a file and would read as empty.
  if (std::filesystem::is_directory(file)) {
    throw Error(file.string() + ": is a directory, not a settings file");
  }
  if (!std::ifstream(file)) throw Error(file.string() + ": cannot be read");
}

// The settings file to load and how to name where the settings came from. A file named on the
// command line must be there; SETUPSIM.CAP in the working directory only when it is there.
std::pair<std::filesystem::path, std::string> SettingsSource(const Options& options) {
  if (options.settings) {
    CheckReadable(*options.settings);
    return {*options.settings, *options.settings};
  }
  const std::filesystem::path here(kSettingsFileName);
  std::error_code ignored;
  if (!std::filesystem::exists(std::filesystem::symlink_status(here, ignored))) {
    return {here, "the defaults (no " + here.string() + " here)"};
  }
  CheckReadable(here);
  return {here, here.string()};
}

std::string DescribeSettings(const std::string& source, const PanelState& state) {
  return "settings: " + source + "; pitch centre " + std::to_string(state.pitchCenter) +
         ", level " + std::to_string(state.pitchExpressLevel) + "; roll centre " +
         std::to_string(state.rollCenter) + ", level " + std::to_string(state.rollExpressLevel);
}

std::string DescribeFlight(const std::string& flight, const FlightFigures& figures) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", figures.seconds);
  return flight + ": " + std::to_string(figures.ticks) + " ticks, " + seconds + " s of flight";
}

void WriteJson(const std::string& path, const FlightFigures& figures) {
  std::ofstream file(path, std::ios::binary);
  file << FiguresJson(figures);
  file.close();
  if (!file) throw Error("--json: cannot write " + path);
}

int Check(const Options& options, std::ostream& out) {
  if (options.picture) CheckPicturesAvailable();
  const auto flight = simserver::ReplayTrack::Load(options.flight);
  const auto [settingsFile, settingsSource] = SettingsSource(options);
  const RunSettings settings = LoadRunSettings(settingsFile);

  const FlightRun run = RunFlight(flight, flight.Length(), settings);
  const FlightFigures figures = Figure(run, settings.effects);
  const std::string flightLine = DescribeFlight(options.flight, figures);
  const std::string settingsLine = DescribeSettings(settingsSource, settings.state);
  out << flightLine << '\n' << settingsLine << "\n\n";
  PrintTable(out, figures);
  out << '\n';
  PrintVerdicts(out, figures);
  out.flush();

  if (options.json) WriteJson(*options.json, figures);
  if (options.picture) {
    SaveFlightPicture(run, figures, flightLine + "\n" + settingsLine, *options.picture);
  }
  return 0;
}

}  // namespace

int RunFlightCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options options;
  try {
    options = ParseOptions(args);
  } catch (const UsageError& error) {
    err << "flight-check: " << error.what() << "\nTry 'flight-check --help'." << std::endl;
    return kBadInput;
  }
  if (options.help) {
    out << HelpText() << std::flush;
    return 0;
  }
  if (options.version) {
    out << "flight-check " << kVersion << std::endl;
    return 0;
  }
  try {
    return Check(options, out);
  } catch (const Error& error) {
    // Every failure here is of an input or output file, or of a picture this build cannot draw.
    err << "flight-check: " << error.what() << std::endl;
    return kBadInput;
  }
}

}  // namespace veltrano::flight_check
