#pragma once

#include "platform/win32/windows_api.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace veltrano::testing {

// A program that a test runs as a separate process. Its standard output comes back through a
// pipe; its standard error goes to the test's. The process lives in a job object that ends it
// when this object goes, also when the test fails or the test process itself dies.
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

  // Everything still to come on standard output, until the process closes it.
  std::string ReadRest(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // Asks the process to end as a Windows program is asked, by closing its windows (any signal
  // but SIGKILL, 9), and ends it outright when it has not gone within a few seconds or for SIGKILL.
  // Gives the exit code.
  int Stop(int signal);

  // Waits for the process to end by itself; throws std::runtime_error after `timeout`.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  bool Running();

 private:
  void ReadOutput();
  std::optional<std::string> TakeLine();  // a whole line from what has arrived, lock held

  HANDLE job_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HANDLE output_ = nullptr;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::string buffered_;
  bool ended_ = false;  // the output is closed
  std::thread reader_;
};

}  // namespace veltrano::testing
