#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "child_process/child_process.h"

namespace veltrano::testing {

// The emulator run as a separate process, ready for clients once constructed. It is killed when
// this object goes, also when a test fails half-way.
class SimserverProcess {
 public:
  explicit SimserverProcess(const std::vector<std::string>& args) : process_(SIMSERVER_PATH, args) {
    const std::string ready = process_.ReadLine();
    if (ready != "simserver ready: FSCONNECT8") {
      throw std::runtime_error("simserver did not get ready: " + ready);
    }
  }

  std::string ReadLine() { return process_.ReadLine(); }

  // Stops it, unless it ends by itself, and expects a clean exit with every atom deleted. Gives
  // what it printed meanwhile.
  std::string ExpectCleanEnd(bool endsByItself = false) {
    EXPECT_EQ(endsByItself ? process_.Wait() : process_.Stop(SIGTERM), 0);
    std::string rest = process_.ReadRest();
    EXPECT_NE(rest.find("simserver stopped: 0 atoms left"), std::string::npos);
    return rest;
  }

 private:
  ChildProcess process_;
};

}  // namespace veltrano::testing
