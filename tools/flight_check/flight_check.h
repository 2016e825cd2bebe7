#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace veltrano::flight_check {

// The program: takes the command line without the program name, prints the report on `out` and
// what went wrong on `err`, and gives the exit status.
int RunFlightCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace veltrano::flight_check
