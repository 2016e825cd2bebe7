#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace veltrano::flight_check {

struct Options {
  std::string flight;                   // the recording, in simserver's replay format
  std::optional<std::string> settings;  // none: SETUPSIM.CAP here, or the defaults
  std::optional<std::string> json;
  std::optional<std::string> picture;
  bool help = false;
  bool version = false;
};

// A command line that flight-check cannot follow.
class UsageError : public Error {
 public:
  using Error::Error;
};

// Reads the command line without the program name; raises UsageError naming what is wrong.
Options ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

}  // namespace veltrano::flight_check
