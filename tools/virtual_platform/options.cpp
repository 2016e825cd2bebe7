#include "options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

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

const std::pair<std::string_view, bool Options::*> kFlags[] = {
    {"--print", &Options::print},
    {"--help", &Options::help},
    {"-h", &Options::help},
    {"--version", &Options::version},
};

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
    } else if (arg == "--picture") {
      options.picture = std::string(takeValue());
      if (options.picture->empty()) throw Error("--picture needs a file name");
    } else if (const auto flag = std::find_if(std::begin(kFlags), std::end(kFlags),
                                              [&](const auto& f) { return f.first == arg; });
               flag != std::end(kFlags)) {
      if (value) throw Error(std::string(arg) + " takes no value");
      options.*flag->second = true;
    } else if (!arg.starts_with('-')) {
      throw Error("unexpected argument '" + std::string(arg) + "'");
    } else {
      throw Error("unknown option '" + std::string(arg) + "'");
    }
  }
  return options;
}

std::string UsageText() {
  return "Usage: virtual-platform [--port N] [--print] [--picture FILE.png] [--count N]\n"
         "\n"
         "Stands in for the motion platform's controller on a serial line: creates a\n"
         "pseudo-terminal, links it as COM<N> in the working directory, reads the\n"
         "eight-byte actuator packets sent to it and shows the platform moving in a\n"
         "window, with the platform's state as text in the terminal.\n"
         "\n"
         "  --port N            link the pseudo-terminal as COM<N>, N from 1 to 255\n"
         "                      (default 1)\n"
         "  --print             no window: print each packet as one line of hexadecimal\n"
         "                      bytes\n"
         "  --picture FILE.png  draw the window offscreen instead of showing it, and save\n"
         "                      a picture of it when the program ends\n"
         "  --count N           end after N packets\n"
         "  --help              show this text\n"
         "  --version           show the version\n"
         "\n"
         "The program ends on Ctrl-C, SIGTERM or SIGHUP, when its window is closed, or\n"
         "after --count packets. The link is removed when it ends.\n";
}

}  // namespace veltrano::virtual_platform
