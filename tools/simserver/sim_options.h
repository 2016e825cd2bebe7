#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "flight_values.h"
#include "game_loop.h"
#include "platform/error.h"
#include "reply_text.h"
#include "udp_socket.h"

namespace veltrano::simserver {

enum class Simulator { kFlightGear, kXPlane };

// A running simulator to take the values from.
struct LiveSource {
  Simulator simulator = Simulator::kFlightGear;
  UdpEndpoint endpoint;                // FlightGear: where to listen; X-Plane: where to subscribe
  std::optional<double> fullBallSlip;  // --slip-scale; the simulator's own default without it
};

// What the command line asks of the emulator.
struct SimOptions {
  std::optional<FlightValues> fixedValues;             // --set
  std::string replayPath;                              // --replay
  std::optional<LiveSource> live;                      // --flightgear, --xplane
  std::string recordPath;                              // --record
  std::optional<double> frozenAt;                      // --at: seconds into the flight, held
  double startAt = 0;                                  // --from: seconds into the flight at start
  std::optional<std::int64_t> answerEverything;        // --answer
  std::map<std::int64_t, std::int64_t> answerForCode;  // --answer-code CODE=N
  std::optional<std::int64_t> answerForEveryCode;      // --answer-code all=N
  std::map<std::int64_t, TextFault> textFaultForCode;  // --bad-hex CODE and the like
  std::optional<TextFault> textFaultForEveryCode;      // the same with CODE all
  bool hang = false;
  std::optional<std::uint64_t> exitAfter;
  std::optional<std::chrono::duration<double>> frame;  // --frame-ms: a game loop's frame
  std::optional<Stall> stall;                          // --stall S@AT
  bool narrowResults = false;                          // --32-bit-results
  bool verbose = false;
  bool help = false;
};

// A command line that the emulator cannot follow.
class UsageError : public Error {
 public:
  using Error::Error;
};

// Raises UsageError naming the option at fault.
SimOptions ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

}  // namespace veltrano::simserver
