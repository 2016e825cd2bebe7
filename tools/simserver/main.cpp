// The data-server emulator: serves the five flight variables to the control program on Linux.

#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "emulated_data_server.h"
#include "flight_recorder.h"
#include "flight_source.h"
#include "flightgear_protocol.h"
#include "live_flight.h"
#include "protocol/data_server_requests.h"
#include "replay_track.h"
#include "scripted_flight.h"
#include "signal_stopper.h"
#include "sim_options.h"
#include "version.h"
#include "xplane_protocol.h"

namespace veltrano::simserver {
namespace {

std::unique_ptr<LiveFlight> MakeLiveFlight(const LiveSource& source, bool verbose) {
  if (source.simulator == Simulator::kFlightGear) {
    return std::make_unique<LiveFlight>(
        std::make_unique<FlightGearProtocol>(
            source.fullBallSlip.value_or(FlightGearProtocol::kDefaultFullBallSlip)),
        source.endpoint, std::cout, verbose);
  }
  // Any local port: X-Plane answers to wherever the subscription came from.
  return std::make_unique<LiveFlight>(
      std::make_unique<XPlaneProtocol>(
          source.endpoint, source.fullBallSlip.value_or(XPlaneProtocol::kDefaultFullBallSlip)),
      UdpEndpoint{0, 0}, std::cout, verbose);
}

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

// The moment of a canned flight that is served at each call, counted as the data server counts
// it from simserver's start on, or held where --at holds it. A live flight is at its present
// whatever is asked.
std::function<double()> FlightClock(const SimOptions& options,
                                    std::chrono::steady_clock::time_point start) {
  return [frozenAt = options.frozenAt, startAt = options.startAt, start] {
    return frozenAt.value_or(
        startAt + std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  };
}

// What simserver tells at start about where its values come from.
std::string Origin(const SimOptions& options, const LiveFlight& live) {
  if (options.live->simulator == Simulator::kFlightGear) {
    return "simserver: listening for FlightGear on " + ToString(live.Local());
  }
  return "simserver: subscribing to X-Plane at " + ToString(options.live->endpoint) + " from " +
         ToString(live.Local());
}

int Main(const std::vector<std::string>& args) {
  if (args == std::vector<std::string>{"--version"}) {
    std::cout << "simserver " << kVersion << std::endl;
    return 0;
  }
  SignalStopper::BlockStopSignals();
  SimOptions options;
  std::unique_ptr<LiveFlight> live;      // a running simulator's flight, or
  std::unique_ptr<FlightSource> canned;  // a flight that simserver has in hand
  const FlightSource* served = nullptr;  // one of the two
  std::unique_ptr<FlightRecorder> recorder;
  try {
    options = ParseOptions(args);
    if (options.help) {
      std::cout << HelpText() << std::flush;
      return 0;
    }
    if (options.live) {
      live = MakeLiveFlight(*options.live, options.verbose);
    } else {
      canned = MakeFlight(options);
    }
    served = live ? static_cast<const FlightSource*>(live.get()) : canned.get();
    if (!options.recordPath.empty()) {
      try {
        recorder = std::make_unique<FlightRecorder>(
            *served, FlightClock(options, std::chrono::steady_clock::now()), options.recordPath);
      } catch (const Error& error) {
        throw UsageError(std::string("--record: ") + error.what());
      }
    }
  } catch (const UsageError& error) {
    std::cerr << "simserver: " << error.what() << "\nTry 'simserver --help'." << std::endl;
    return 2;
  } catch (const Error& error) {
    std::cerr << "simserver: " << error.what() << std::endl;
    return 1;
  }

  try {
    DataServer server(options, *served, std::cout);
    {
      SignalStopper stopper([&server] { server.Stop(); });
      std::cout << "simserver ready: " << data_server::kWindowClass << std::endl;
      if (live) {
        std::cout << Origin(options, *live) << std::endl;
        live->Start();
      }
      if (recorder) recorder->Start();
      server.Run();
    }
    if (recorder) {
      recorder->Stop();
      std::cout << "simserver: " << recorder->Rows() << " rows recorded in " << options.recordPath
                << (recorder->WriteFailed() ? ", which then could not be written" : "")
                << std::endl;
    }
    if (live) live->Stop();
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
