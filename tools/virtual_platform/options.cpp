#include "options.h"

#include <charconv>

#include "platform/error.h"

namespace veltrano::virtual_platform {
namespace {

std::uint64_t ParsePositive(std::string_view option, std::string_view text, std::uint64_t most) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
      value > most) {
    throw Error(std::string(option) + " needs a whole number from 1 to " + std::to_string(most) +
                ", not '" + std::string(text) + "'");
  }
  return value;
}

}  // namespace

Options ParseOptions(std::span<const std::string_view> args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::optional<std::string_view> value;
    if (const auto equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    }
    const auto takeValue = [&]() -> std::string_view {
      if (value) return *value;
      if (i + 1 >= args.size()) throw Error(std::string(arg) + " needs a value");
      return args[++i];
    };

    if (arg == "--port") {
      options.port = static_cast<int>(ParsePositive(arg, takeValue(), 255));
    } else if (arg == "--count") {
      options.count = ParsePositive(arg, takeValue(), UINT64_MAX);
    } else if (arg == "--print" || arg == "--help" || arg == "-h") {
      if (value) throw Error(std::string(arg) + " takes no value");
      (arg == "--print" ? options.print : options.help) = true;
    } else if (!arg.starts_with('-')) {
      throw Error("unexpected argument '" + std::string(arg) + "'");
    } else {
      throw Error("unknown option '" + std::string(arg) + "'");
    }
  }
  return options;
}

std::string UsageText() {
  return "Usage: virtual-platform [--port N] [--print] [--count N]\n"
         "\n"
         "Stands in for the motion platform's controller on a serial line: creates a\n"
         "pseudo-terminal, links it as COM<N> in the working directory, and reads the\n"
         "eight-byte actuator packets sent to it.\n"
         "\n"
         "  --port N    link the pseudo-terminal as COM<N>, N from 1 to 255 (default 1)\n"
         "  --print     print each packet as one line of hexadecimal bytes instead of\n"
         "              showing the platform's state\n"
         "  --count N   exit after N packets\n"
         "  --help      show this text\n"
         "\n"
         "The link is removed on exit (also on Ctrl-C or SIGTERM).\n";
}

}  // namespace veltrano::virtual_platform
