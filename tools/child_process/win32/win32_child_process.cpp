#include "child_process/child_process.h"

#include "platform/win32/win32_api.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include <stdexcept>
#include <utility>

namespace veltrano::testing {

struct ChildProcess::Process {
  HANDLE job = nullptr;
  HANDLE process = nullptr;
  DWORD processId = 0;
  HANDLE output = nullptr;
  std::mutex mutex;
  std::condition_variable arrived;
  std::string buffered;
  bool ended = false;  // the output is closed
  std::thread reader;

  // Keeps what comes on the output until it closes; runs on `reader`.
  void ReadOutput();
};

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
                           const std::string& workingDirectory)
    : process_(std::make_unique<Process>()) {
  process_->job = CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (process_->job == nullptr ||
      !SetInformationJobObject(process_->job, JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    throw std::runtime_error("child process: no job object");
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&process_->output, &writeEnd, &inheritable, 0)) {
    throw std::runtime_error("child process: no pipe");
  }
  SetHandleInformation(process_->output, HANDLE_FLAG_INHERIT, 0);

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
  AssignProcessToJobObject(process_->job, started.hProcess);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  process_->process = started.hProcess;
  process_->processId = started.dwProcessId;
  process_->reader = std::thread([process = process_.get()] { process->ReadOutput(); });
}

ChildProcess::~ChildProcess() {
  if (Running()) Stop(kKill);
  CloseHandle(process_->job);  // ends whatever the process left behind
  process_->reader.join();     // the pipe closes once every process holding it is gone
  CloseHandle(process_->output);
  CloseHandle(process_->process);
}

void ChildProcess::Process::ReadOutput() {
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(output, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    std::lock_guard lock(mutex);
    buffered.append(chunk, got);
    arrived.notify_all();
  }
  std::lock_guard lock(mutex);
  ended = true;
  arrived.notify_all();
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  std::unique_lock lock(process_->mutex);
  std::optional<std::string> line;
  if (!process_->arrived.wait_for(lock, timeout, [&] {
        return (line = TakeLine(process_->buffered)) || process_->ended;
      })) {
    throw std::runtime_error("child process: no output in time");
  }
  if (!line) throw std::runtime_error("child process: output ended");
  return *line;
}

std::string ChildProcess::ReadRest(std::chrono::milliseconds timeout) {
  std::unique_lock lock(process_->mutex);
  if (!process_->arrived.wait_for(lock, timeout, [&] { return process_->ended; })) {
    throw std::runtime_error("child process: no output in time");
  }
  return std::exchange(process_->buffered, {});
}

bool ChildProcess::Running() { return WaitForSingleObject(process_->process, 0) == WAIT_TIMEOUT; }

std::optional<std::string> ChildProcess::PollLine() {
  std::lock_guard lock(process_->mutex);
  return TakeLine(process_->buffered);
}

int ChildProcess::Id() const { return static_cast<int>(process_->processId); }

void ChildProcess::Interrupt() {
  if (Running()) EnumWindows(&CloseWindowOf, static_cast<LPARAM>(process_->processId));
}

int ChildProcess::Stop(int signal) {
  if (Running()) {
    if (signal != kKill) EnumWindows(&CloseWindowOf, static_cast<LPARAM>(process_->processId));
    if (signal == kKill || WaitForSingleObject(process_->process, 5000) != WAIT_OBJECT_0) {
      TerminateProcess(process_->process, 128 + kKill);
      WaitForSingleObject(process_->process, INFINITE);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(process_->process, &code);
  return static_cast<int>(code);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(process_->process, static_cast<DWORD>(timeout.count())) !=
      WAIT_OBJECT_0) {
    throw std::runtime_error("child process: did not end in time");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_->process, &code);
  return static_cast<int>(code);
}

}  // namespace veltrano::testing
