#pragma once

#include <signal.h>

#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"

namespace veltrano::testing {

// The emulator run as a separate process, ready for clients once constructed. It is killed when
// this object goes, also when a test fails half-way.
class SimserverProcess {
 public:
  struct Ending {
    int status = -1;
    int atomsLeft = -1;  // -1: no report seen
  };

  explicit SimserverProcess(const std::vector<std::string>& args = {})
      : process_(SIMSERVER_PATH, args) {
    const std::string ready = process_.ReadLine();
    if (ready != "simserver ready: FSCONNECT8") {
      throw std::runtime_error("simserver did not get ready: " + ready);
    }
  }

  // Ends it with `signal` and reads its report.
  Ending Stop(int signal = SIGTERM) {
    const int status = process_.Stop(signal);
    return Ending{status, AtomsLeft(process_.ReadRest())};
  }

  // Waits for it to end by itself and reads its report.
  Ending Wait() {
    const int status = process_.Wait();
    return Ending{status, AtomsLeft(process_.ReadRest())};
  }

  ChildProcess& Process() { return process_; }

 private:
  static int AtomsLeft(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    const std::string prefix = "simserver stopped: ";
    while (std::getline(lines, line)) {
      if (line.rfind(prefix, 0) == 0) return std::stoi(line.substr(prefix.size()));
    }
    return -1;
  }

  ChildProcess process_;
};

}  // namespace veltrano::testing
