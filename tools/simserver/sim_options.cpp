#include "sim_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "command_line.h"

namespace veltrano::simserver {

namespace {

constexpr double kLongestWait = 86400.0;  // seconds: a day bounds the frames and the stall
constexpr double kDefaultFrameMs = 30.0;  // a simulator at some 33 frames a second

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(number)) return std::nullopt;
  }
  return number;
}

template <typename T>
T NumberOf(const std::string& option, std::string_view text) {
  const std::optional<T> number = ParseNumber<T>(text);
  if (!number) throw UsageError(option + ": not a number: '" + std::string(text) + "'");
  return *number;
}

FlightValues ParseFixedValues(std::string_view list) {
  FlightValues values;
  while (!list.empty()) {
    const auto comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    const auto equals = item.find('=');
    if (equals == std::string_view::npos) {
      throw UsageError("--set: expected NAME=VALUE, got '" + std::string(item) + "'");
    }
    const std::string_view name = item.substr(0, equals);
    const double value = NumberOf<double>("--set " + std::string(name), item.substr(equals + 1));
    if (name == "pitch") {
      values.pitch = value;
    } else if (name == "bank") {
      values.bank = ServedBank(value);
    } else if (name == "slip") {
      values.slip = value;
    } else if (name == "rpm") {
      values.rpm = value;
    } else if (name == "speed") {
      values.speed = value;
    } else {
      throw UsageError("--set: unknown value '" + std::string(name) +
                       "' (pitch, bank, slip, rpm or speed)");
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return values;
}

bool IsVariableCode(std::int64_t code) {
  const auto& codes = data_server::kVariableCodes;
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The codes that have a value, in increasing order and separated by commas.
std::string VariableCodeList() {
  auto codes = data_server::kVariableCodes;
  std::sort(codes.begin(), codes.end());
  std::string list;
  for (const std::int32_t code : codes) list += (list.empty() ? "" : ", ") + std::to_string(code);
  return list;
}

void AddTextFault(SimOptions& options, const std::string& option, std::string_view code,
                  TextFault fault) {
  if (code == "all") {
    if (options.textFaultForEveryCode)
      throw UsageError(option + ": all codes have a fault already");
    options.textFaultForEveryCode = fault;
    return;
  }
  const auto number = NumberOf<std::int64_t>(option, code);
  if (!IsVariableCode(number)) {
    throw UsageError(option + ": code " + std::string(code) + " has no value (" +
                     VariableCodeList() + " or all)");
  }
  if (!options.textFaultForCode.emplace(number, fault).second) {
    throw UsageError(option + ": code " + std::string(code) + " has a fault already");
  }
}

void AddCodeAnswer(SimOptions& options, std::string_view assignment) {
  const auto equals = assignment.find('=');
  if (equals == std::string_view::npos) {
    throw UsageError("--answer-code: expected CODE=N, got '" + std::string(assignment) + "'");
  }
  const std::string_view code = assignment.substr(0, equals);
  const auto answer = NumberOf<std::int64_t>("--answer-code", assignment.substr(equals + 1));
  if (code == "all") {
    options.answerForEveryCode = answer;
  } else {
    options.answerForCode[NumberOf<std::int64_t>("--answer-code", code)] = answer;
  }
}

// "[ADDRESS:]PORT" or "HOST[:PORT]", whichever part is missing taken from `fallback`.
UdpEndpoint ParseEndpoint(const std::string& option, const std::string& text, bool portFirst,
                          const UdpEndpoint& fallback) {
  UdpEndpoint endpoint = fallback;
  if (text.empty()) return endpoint;
  const auto colon = text.rfind(':');
  std::string host;
  std::string port;
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  } else if (portFirst) {
    port = text;
  } else {
    host = text;
  }
  if (!port.empty() || colon != std::string::npos) {
    const auto number = ParseNumber<std::uint16_t>(port);
    if (!number) throw UsageError(option + ": not a port number: '" + port + "'");
    endpoint.port = *number;
  }
  if (!host.empty()) {
    try {
      endpoint.address = ResolveHost(host);
    } catch (const Error& error) {
      throw UsageError(option + ": " + error.what());
    }
  }
  return endpoint;
}

// "S@AT": a stall of S seconds at AT seconds of the run.
Stall ParseStall(std::string_view text) {
  const auto at = text.find('@');
  if (at == std::string_view::npos) {
    throw UsageError("--stall: expected SECONDS@AT, got '" + std::string(text) + "'");
  }
  const auto length = NumberOf<double>("--stall", text.substr(0, at));
  const auto start = NumberOf<double>("--stall", text.substr(at + 1));
  if (length <= 0.0 || length > kLongestWait) {
    throw UsageError("--stall: a stall longer than 0 and at most a day");
  }
  if (start < 0.0 || start > kLongestWait) throw UsageError("--stall: a time from 0 to a day");
  return Stall{std::chrono::duration<double>(length), std::chrono::duration<double>(start)};
}

// The options as given on the command line, before they are checked and turned into SimOptions.
struct Given {
  std::string set, replay, at, from, answer, exitAfter, slipScale, frameMs, stall;
  std::vector<std::string> answerCode, badHex, oddText, shortText, unreadableAtom;
  std::vector<std::string> flightgear, xplane;
  CLI::Option* flightgearOption = nullptr;
  CLI::Option* xplaneOption = nullptr;
};

constexpr const char* kDescription =
    "Stands in for the flight simulator's data server, serving the five flight values.";

constexpr const char* kFooter =
    R"(It owns the window class FSCONNECT8 and answers the message WM_FSCONNECT. To wParam 1 and the
codes 77 (pitch, degrees, nose up positive), 79 (bank, degrees 0..360: right wing down 0 to 90,
left wing down 360 minus the angle), 70 (slip indicator, a full ball deflection at -9000..9000),
135 (engine rpm) and 61 (speed, knots) it answers with a negative atom whose name is an 8-digit
header (the request's number) and the value as a little-endian double in 16 hexadecimal digits;
to anything else it answers 0.

The values come from a scripted flight of a little over five minutes that loops, unless --set,
--replay, --flightgear or --xplane says otherwise. A live simulator's values hold while it
pauses. When nothing has come from it for 2 s they ease to a parked aircraft (level, engine and
speed at 0) over 2 s; when values come again they ease back to them over 1 s. Both are said
once on standard output.

The faults take a CODE: 61, 70, 77, 79, 135 or all; a fault for one code goes before one for all.

With --frame-ms or --stall it behaves as a data server inside a simulator's game loop: a message
waits for the end of the frame under way and is answered there, together with every other that
waits then; a client's own next message waits for the frame after. A stall holds the messages
for its whole length. --verbose says when the stall begins.

It prints "simserver ready: FSCONNECT8" on standard output once clients can connect. SIGTERM
and SIGINT end it; it then prints "simserver stopped: N atoms left" on standard output, N being
the reply atoms that no client deleted.
Exit status: 0 after a normal end (whatever N is), 1 when it cannot serve (another server owns
FSCONNECT8, or the simulator's port is taken), 2 for bad options, an unreadable replay file or
an unwritable recording.)";

void Describe(CLI::App& app, Given& given, SimOptions& options) {
  command_line::Describe(app, kDescription, kFooter, 31);
  app.add_option("--set", given.set,
                 "fixed values, NAME one of pitch, bank, slip, rpm, speed; the others\n"
                 "0. A negative bank is served as 360 plus it.")
      ->type_name("NAME=V,...");
  app.add_option("--replay", given.replay,
                 "rows time_s,pitch,bank,slip,rpm,speed (header line optional),\n"
                 "interpolated linearly and played in a loop")
      ->type_name("FILE.csv");
  given.flightgearOption =
      app.add_option("--flightgear", given.flightgear,
                     "live values from FlightGear's generic protocol \"veltrano\" on\n"
                     "this UDP port (default 127.0.0.1:5500)")
          ->type_name("[ADDRESS:]PORT")
          ->expected(0, 1);
  given.xplaneOption = app.add_option("--xplane", given.xplane,
                                      "live values subscribed from X-Plane at this address\n"
                                      "(default 127.0.0.1:49000)")
                           ->type_name("[HOST[:PORT]]")
                           ->expected(0, 1);
  app.add_option("--slip-scale", given.slipScale,
                 "the simulator's slip at a full ball deflection, served as 9000\n"
                 "(FlightGear: 2, X-Plane: 10 degrees); negative turns the sign round")
      ->type_name("S");
  app.add_option("--record", options.recordPath,
                 "write the flight served, 20 rows a second from the start, in\n"
                 "--replay's format")
      ->type_name("FILE.csv");
  app.add_option("--from", given.from, "start the flight (scripted or replayed) that far in")
      ->type_name("SECONDS");
  app.add_option("--at", given.at, "hold the flight (scripted or replayed) at that moment")
      ->type_name("SECONDS");
  app.add_option("--answer", given.answer, "answer N to every message")->type_name("N");
  app.add_option("--answer-code", given.answerCode,
                 "answer N to that code (any number here); repeatable")
      ->type_name("CODE=N");
  app.add_option("--bad-hex", given.badHex, "reply text with the pair G1 where the value starts")
      ->type_name("CODE");
  app.add_option("--odd-text", given.oddText, "reply text with one digit too many (odd length)")
      ->type_name("CODE");
  app.add_option("--short-text", given.shortText, "reply text with the header alone")
      ->type_name("CODE");
  app.add_option("--unreadable-atom", given.unreadableAtom, "answer an atom that does not exist")
      ->type_name("CODE");
  app.add_flag("--hang", options.hang, "accept clients but never answer");
  app.add_option("--exit-after", given.exitAfter,
                 "answer N messages, then end at the next, leaving it unanswered")
      ->type_name("N");
  app.add_option("--frame-ms", given.frameMs,
                 "answer messages only between the frames of a game loop, frames\n"
                 "of N ms back to back; reading and deleting atoms is not held up")
      ->type_name("N");
  app.add_option("--stall", given.stall,
                 "one frame S seconds long, the first to start AT seconds into the\n"
                 "run (frames of 30 ms unless --frame-ms says otherwise)")
      ->type_name("S@AT");
  app.add_flag("--32-bit-results", options.narrowResults,
               "answer as a 32-bit window procedure: the upper 32 bits of every\n"
               "result 0, so the atom 49153 comes back as 4294951937");
  app.add_flag("--verbose", options.verbose,
               "one line per message on standard output (its flight time, and its\n"
               "frame with --frame-ms), and the first few malformed datagrams of a\n"
               "live simulator");
}

void Check(const Given& given, SimOptions& options) {
  const bool flightgear = given.flightgearOption->count() > 0;
  const bool xplane = given.xplaneOption->count() > 0;
  if (flightgear + xplane + !given.set.empty() + !given.replay.empty() > 1) {
    throw UsageError("--set, --replay, --flightgear and --xplane exclude each other");
  }
  if (!given.set.empty()) options.fixedValues = ParseFixedValues(given.set);
  options.replayPath = given.replay;
  const auto seconds = [](const std::string& option, const std::string& text) {
    const auto number = NumberOf<double>(option, text);
    if (number < 0.0) throw UsageError(option + ": a time from 0 on");
    return number;
  };
  if (!given.at.empty()) options.frozenAt = seconds("--at", given.at);
  if (!given.from.empty()) options.startAt = seconds("--from", given.from);
  if (!given.answer.empty())
    options.answerEverything = NumberOf<std::int64_t>("--answer", given.answer);
  if (!given.exitAfter.empty()) {
    options.exitAfter = NumberOf<std::uint64_t>("--exit-after", given.exitAfter);
  }
  if (!given.frameMs.empty()) {
    const auto frameMs = NumberOf<double>("--frame-ms", given.frameMs);
    if (frameMs <= 0.0 || frameMs > kLongestWait * 1000.0) {
      throw UsageError("--frame-ms: a frame longer than 0 and at most a day");
    }
    options.frame = std::chrono::duration<double, std::milli>(frameMs);
  }
  if (!given.stall.empty()) {
    options.stall = ParseStall(given.stall);
    if (!options.frame) options.frame = std::chrono::duration<double, std::milli>(kDefaultFrameMs);
  }
  for (const auto& assignment : given.answerCode) AddCodeAnswer(options, assignment);
  for (const auto& [option, codes, fault] :
       {std::tuple{"--bad-hex", &given.badHex, TextFault::kBadHex},
        std::tuple{"--odd-text", &given.oddText, TextFault::kOddText},
        std::tuple{"--short-text", &given.shortText, TextFault::kShortText},
        std::tuple{"--unreadable-atom", &given.unreadableAtom, TextFault::kUnreadableAtom}}) {
    for (const auto& code : *codes) AddTextFault(options, option, code, fault);
  }
  if (flightgear || xplane) {
    if (options.frozenAt || !given.from.empty()) {
      throw UsageError("--at and --from need a scripted or replayed flight");
    }
    LiveSource live;
    live.simulator = flightgear ? Simulator::kFlightGear : Simulator::kXPlane;
    live.endpoint = flightgear ? ParseEndpoint("--flightgear", given.flightgear.at(0), true,
                                               UdpEndpoint{0x7F000001, 5500})
                               : ParseEndpoint("--xplane", given.xplane.at(0), false,
                                               UdpEndpoint{0x7F000001, 49000});
    if (!given.slipScale.empty()) {
      live.fullBallSlip = NumberOf<double>("--slip-scale", given.slipScale);
      if (*live.fullBallSlip == 0.0) throw UsageError("--slip-scale: not 0");
    }
    options.live = live;
  } else if (!given.slipScale.empty()) {
    throw UsageError("--slip-scale needs --flightgear or --xplane");
  }
}

}  // namespace

SimOptions ParseOptions(const std::vector<std::string>& args) {
  SimOptions options;
  Given given;
  CLI::App app("", "simserver");
  Describe(app, given, options);
  if (command_line::ParseAskingForHelp<UsageError>(app, args)) {
    options.help = true;
    return options;
  }
  Check(given, options);
  return options;
}

std::string HelpText() {
  SimOptions options;
  Given given;
  CLI::App app("", "simserver");
  Describe(app, given, options);
  return app.help();
}

}  // namespace veltrano::simserver
