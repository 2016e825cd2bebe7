#include "child_process.h"

#include <stdexcept>
#include <utility>

namespace veltrano::testing {

namespace {

// The POSIX number of the signal that cannot be caught, which Windows does not name.
constexpr int kKill = 9;

// The arguments of the tests hold no quotes, so quoting those with blanks keeps them whole.
std::string Quoted(const std::string& argument) {
  return !argument.empty() && argument.find(' ') == std::string::npos ? argument
                                                                      : '"' + argument + '"';
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& workingDirectory) {
  job_ = CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job_ == nullptr ||
      !SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    throw std::runtime_error("child process: no job object");
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&output_, &writeEnd, &inheritable, 0)) {
    throw std::runtime_error("child process: no pipe");
  }
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

  std::string commandLine = Quoted(program);
  for (const auto& arg : args) commandLine += " " + Quoted(arg);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  // Suspended until it is in the job, so that nothing it starts escapes the job.
  const BOOL ok = CreateProcessA(
      program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
      workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &started);
  CloseHandle(writeEnd);
  if (!ok) throw std::runtime_error("child process: cannot start " + program);
  AssignProcessToJobObject(job_, started.hProcess);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  processId_ = started.dwProcessId;
  reader_ = std::thread([this] { ReadOutput(); });
}

ChildProcess::~ChildProcess() {
  if (Running()) Stop(kKill);
  CloseHandle(job_);  // ends whatever the process left behind
  reader_.join();     // the pipe closes once every process holding it is gone
  CloseHandle(output_);
  CloseHandle(process_);
}

void ChildProcess::ReadOutput() {
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(output_, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    std::lock_guard lock(mutex_);
    buffered_.append(chunk, got);
    arrived_.notify_all();
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  arrived_.notify_all();
}

std::optional<std::string> ChildProcess::TakeLine() {
  const auto end = buffered_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  std::optional<std::string> line;
  if (!arrived_.wait_for(lock, timeout, [&] { return (line = TakeLine()) || ended_; })) {
    throw std::runtime_error("child process: no output in time");
  }
  if (!line) throw std::runtime_error("child process: output ended");
  return *line;
}

std::string ChildProcess::ReadRest(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!arrived_.wait_for(lock, timeout, [&] { return ended_; })) {
    throw std::runtime_error("child process: no output in time");
  }
  return std::exchange(buffered_, {});
}

bool ChildProcess::Running() { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

int ChildProcess::Stop(int signal) {
  if (Running()) {
    if (signal != kKill) EnumWindows(&CloseWindowOf, static_cast<LPARAM>(processId_));
    if (signal == kKill || WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 128 + kKill);
      WaitForSingleObject(process_, INFINITE);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    throw std::runtime_error("child process: did not end in time");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}

}  // namespace veltrano::testing
