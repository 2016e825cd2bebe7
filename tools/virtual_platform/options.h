#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::virtual_platform {

struct Options {
  int port = 1;                        // links the pseudo-terminal as COM<port>
  bool print = false;                  // one line per packet instead of the window
  std::optional<std::string> picture;  // the window drawn offscreen, saved as PNG at the end
  std::optional<std::uint64_t> count;  // end after this many packets
  bool help = false;
  bool version = false;
};

// Reads the command line without the program name. Raises veltrano::Error with a message for the
// person who typed it.
Options ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace veltrano::virtual_platform
