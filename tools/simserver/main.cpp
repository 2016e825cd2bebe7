// The data-server emulator: serves the five flight variables to the control program on Linux.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "data_server.h"
#include "flight_source.h"
#include "replay_track.h"
#include "scripted_flight.h"
#include "signal_stopper.h"
#include "sim_options.h"
#include "version.h"

namespace veltrano::simserver {
namespace {

std::unique_ptr<FlightSource> MakeFlight(const SimOptions& options) {
  if (options.fixedValues) return std::make_unique<FixedFlight>(*options.fixedValues);
  if (!options.replayPath.empty()) {
    try {
      return std::make_unique<ReplayTrack>(ReplayTrack::Load(options.replayPath));
    } catch (const Error& error) {
      throw UsageError(std::string("--replay: ") + error.what());
    }
  }
  return std::make_unique<ScriptedFlight>();
}

int Main(const std::vector<std::string>& args) {
  if (args == std::vector<std::string>{"--version"}) {
    std::cout << "simserver " << kVersion << std::endl;
    return 0;
  }
  SignalStopper::BlockStopSignals();
  SimOptions options;
  std::unique_ptr<FlightSource> flight;
  try {
    options = ParseOptions(args);
    if (options.help) {
      std::cout << HelpText() << std::flush;
      return 0;
    }
    flight = MakeFlight(options);
  } catch (const UsageError& error) {
    std::cerr << "simserver: " << error.what() << "\nTry 'simserver --help'." << std::endl;
    return 2;
  }

  try {
    DataServer server(options, *flight, std::cout);
    {
      SignalStopper stopper([&server] { server.Stop(); });
      std::cout << "simserver ready: " << kServerWindowClass << std::endl;
      server.Run();
    }
    std::cout << "simserver stopped: " << server.LiveAtoms() << " atoms left" << std::endl;
    return 0;
  } catch (const Error& error) {
    std::cerr << "simserver: " << error.what() << std::endl;
    return 1;
  }
}

}  // namespace
}  // namespace veltrano::simserver

int main(int argc, char** argv) {
  return veltrano::simserver::Main(std::vector<std::string>(argv + 1, argv + argc));
}
