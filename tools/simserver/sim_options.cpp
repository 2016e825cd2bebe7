#include "sim_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

namespace veltrano::simserver {

namespace {

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
  return std::find(kVariableCodes.begin(), kVariableCodes.end(), code) != kVariableCodes.end();
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
    throw UsageError(option + ": code " + std::string(code) +
                     " has no value (61, 70, 77, 79, 135 or all)");
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

}  // namespace

SimOptions ParseOptions(const std::vector<std::string>& args) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    const auto argument = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(option + ": needs a value");
      return args[++i];
    };
    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--set") {
      options.fixedValues = ParseFixedValues(argument());
    } else if (option == "--replay") {
      options.replayPath = argument();
      if (options.replayPath.empty()) throw UsageError("--replay: needs a file name");
    } else if (option == "--at") {
      const auto seconds = NumberOf<double>(option, argument());
      if (seconds < 0.0) throw UsageError("--at: a time from 0 on");
      options.frozenAt = seconds;
    } else if (option == "--from") {
      const auto seconds = NumberOf<double>(option, argument());
      if (seconds < 0.0) throw UsageError("--from: a time from 0 on");
      options.startAt = seconds;
    } else if (option == "--answer") {
      options.answerEverything = NumberOf<std::int64_t>(option, argument());
    } else if (option == "--answer-code") {
      AddCodeAnswer(options, argument());
    } else if (option == "--bad-hex") {
      AddTextFault(options, option, argument(), TextFault::kBadHex);
    } else if (option == "--odd-text") {
      AddTextFault(options, option, argument(), TextFault::kOddText);
    } else if (option == "--short-text") {
      AddTextFault(options, option, argument(), TextFault::kShortText);
    } else if (option == "--unreadable-atom") {
      AddTextFault(options, option, argument(), TextFault::kUnreadableAtom);
    } else if (option == "--hang") {
      options.hang = true;
    } else if (option == "--exit-after") {
      options.exitAfter = NumberOf<std::uint64_t>(option, argument());
    } else if (option == "--verbose") {
      options.verbose = true;
    } else {
      throw UsageError("unknown option '" + option + "'");
    }
  }
  if (options.fixedValues && !options.replayPath.empty()) {
    throw UsageError("--set and --replay exclude each other");
  }
  return options;
}

std::string HelpText() {
  return R"(Usage: simserver [OPTION]...
Stands in for the flight simulator's data server: owns the window class FSCONNECT8 and answers
the message WM_FSCONNECT. To wParam 1 and the codes 77 (pitch, degrees, nose up positive),
79 (bank, degrees 0..360: right wing down 0 to 90, left wing down 360 minus the angle),
70 (slip indicator, about -9000..9000), 135 (engine rpm) and 61 (speed, knots) it answers with
a negative atom whose name is an 8-digit header (the request's number) and the value as a
little-endian double in 16 hexadecimal digits; to anything else it answers 0.

Values (by default a scripted flight of a little over five minutes that loops):
  --set NAME=V,...        fixed values, NAME one of pitch, bank, slip, rpm, speed; the others 0.
                          A negative bank is served as 360 plus it.
  --replay FILE.csv       rows time_s,pitch,bank,slip,rpm,speed (line 1 may name these columns),
                          interpolated linearly and played in a loop
  --from SECONDS          start the flight (scripted or replayed) that far in
  --at SECONDS            hold the flight (scripted or replayed) at that moment

Faults, for trying out clients (CODE: 61, 70, 77, 79, 135 or all; a fault for one code goes
before one for all):
  --answer N              answer N to every message
  --answer-code CODE=N    answer N to that code (CODE may be any number here); repeatable
  --bad-hex CODE          reply text with the non-hexadecimal pair G1 where the value starts
  --odd-text CODE         reply text with one digit too many (odd length)
  --short-text CODE       reply text with the header alone
  --unreadable-atom CODE  answer an atom that does not exist
  --hang                  accept clients but never answer
  --exit-after N          answer N messages and end at the next one, leaving it unanswered

  --verbose               one line per message on standard output
  --help                  this text

It prints "simserver ready: FSCONNECT8" on standard output once clients can connect. SIGTERM
and SIGINT end it; it then prints "simserver stopped: N atoms left" on standard output, N being
the reply atoms that no client deleted.
Exit status: 0 after a normal end (whatever N is), 1 when it cannot serve (another server owns
FSCONNECT8), 2 for bad options or an unreadable replay file.
)";
}

}  // namespace veltrano::simserver
