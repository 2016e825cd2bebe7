// flight-check: what a recorded flight will command of the platform. See HelpText() in
// options.cpp.

#include <iostream>
#include <string>
#include <vector>

#include "flight_check.h"

int main(int argc, char** argv) {
  return veltrano::flight_check::RunFlightCheck(std::vector<std::string>(argv + 1, argv + argc),
                                                std::cout, std::cerr);
}
