#include "options.h"

#include <charconv>

#include "command_line.h"
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

// The numbers as given on the command line, before they are checked.
struct Given {
  std::optional<std::string> port, count;
};

constexpr const char* kDescription =
    R"(Stands in for the motion platform's controller on a serial line: creates a
pseudo-terminal, links it as COM<N> in the working directory, reads the
eight-byte platform packets sent to it and shows the platform moving in a
window, with the platform's state as text in the terminal.)";

constexpr const char* kFooter =
    R"(The program ends on Ctrl-C, SIGTERM or SIGHUP, when its window is closed, or
after --count packets. The link is removed when it ends.)";

void Describe(CLI::App& app, Given& given, Options& options) {
  command_line::Describe(app, kDescription, kFooter, 20);
  // A flag with a value ("--print=1") is refused, not read as the value.
  app.option_defaults()->disable_flag_override();
  app.add_option("--port", given.port,
                 "link the pseudo-terminal as COM<N>, N from 1 to 255\n(default 1)")
      ->type_name("N");
  app.add_flag("--print", options.print,
               "no window: print each packet as one line of hexadecimal\nbytes");
  app.add_option("--picture", options.picture,
                 "draw the window offscreen instead of showing it, and save\n"
                 "a picture of it when the program ends")
      ->type_name("FILE.png");
  app.add_option("--count", given.count, "end after N packets")->type_name("N");
  app.add_flag("--version", options.version, "show the version");
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  Given given;
  CLI::App app("", "virtual-platform");
  Describe(app, given, options);
  options.help = command_line::ParseAskingForHelp<Error>(app, args);
  if (given.port) options.port = static_cast<int>(ParsePositive("--port", *given.port, 255));
  if (given.count) options.count = ParsePositive("--count", *given.count, UINT64_MAX);
  if (options.picture && options.picture->empty()) throw Error("--picture needs a file name");
  return options;
}

std::string UsageText() {
  Options options;
  Given given;
  CLI::App app("", "virtual-platform");
  Describe(app, given, options);
  return app.help();
}

}  // namespace veltrano::virtual_platform
