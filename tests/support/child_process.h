#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::testing {

// A program that a test runs as a separate process. Its standard output comes back through a
// pipe; its standard error goes to the test's. The process is ended when this object goes, also
// when the test fails, and dies with the test process if that one crashes.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& workingDirectory = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of standard output without its newline. Throws std::runtime_error when the
  // output ends or nothing comes within `timeout`.
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // The next whole line if one has arrived, without waiting.
  std::optional<std::string> PollLine();

  // Everything still to come on standard output, until the process closes it.
  std::string ReadRest(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Sends `signal` and waits for the exit; gives the exit status, or 128 + the signal number.
  int Stop(int signal);

  // Waits for the process to end by itself; throws std::runtime_error after `timeout`.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  bool Running();
  pid_t Pid() const { return pid_; }

 private:
  std::optional<std::string> TakeLine();  // a whole line from what has arrived
  bool FillBuffer(std::chrono::steady_clock::time_point deadline);
  static int DecodeStatus(int status);

  pid_t pid_ = -1;
  int output_ = -1;
  std::string buffered_;
  int exitStatus_ = -1;
};

}  // namespace veltrano::testing
