#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::testing {

// A program that a test or the benchmark runs as a separate process. Its standard output comes
// back through a pipe; its standard error goes to the caller's. The process is ended when this
// object goes, also when the caller fails, and dies with the calling process if that one crashes.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::string& workingDirectory = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of standard output without its line end. Throws std::runtime_error when the
  // output ends or nothing comes within `timeout`.
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // The next whole line if one has arrived, without waiting.
  std::optional<std::string> PollLine();

  // Everything still to come on standard output, until the process closes it.
  std::string ReadRest(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Asks the process to end as the system asks a program, without waiting: SIGTERM on Linux,
  // closing its windows on Windows.
  void Interrupt();

  // Sends `signal` and waits for the exit; gives the exit status, or 128 + the signal number.
  // Windows has no signals: any signal but SIGKILL (9) closes the process's windows, and the
  // process is ended outright for SIGKILL or when it has not gone within a few seconds.
  int Stop(int signal);

  // Waits for the process to end by itself; throws std::runtime_error after `timeout`.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  bool Running();

  // The system's number for the process, for signals that a test sends it itself.
  int Id() const;

 private:
  struct Process;  // the system's handles and what has arrived of the output
  std::unique_ptr<Process> process_;
};

// Takes a whole line, without its line end ("\n" or "\r\n"), from the front of `buffered`.
std::optional<std::string> TakeLine(std::string& buffered);

}  // namespace veltrano::testing
