#include "child_process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>
#include <utility>

namespace veltrano::testing {

struct ChildProcess::Process {
  pid_t pid = -1;
  int output = -1;
  std::string buffered;
  int exitStatus = -1;

  // Reads what has come, waiting for it until `deadline`; false when the output has ended.
  bool FillBuffer(std::chrono::steady_clock::time_point deadline);
};

namespace {

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& workingDirectory)
    : process_(std::make_unique<Process>()) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  process_->pid = fork();
  if (process_->pid < 0) throw std::runtime_error("fork failed");
  if (process_->pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(pipeEnds[1], STDOUT_FILENO);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  process_->output = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
  if (Running()) Stop(SIGKILL);
  if (process_->output >= 0) close(process_->output);
}

bool ChildProcess::Process::FillBuffer(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw std::runtime_error("child process: no output in time");
    pollfd wanted{output, POLLIN, 0};
    const int ready = poll(&wanted, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char chunk[4096];
    const ssize_t got = read(output, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffered.append(chunk, static_cast<size_t>(got));
    return true;
  }
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (auto line = TakeLine(process_->buffered)) return *line;
    if (!process_->FillBuffer(deadline)) throw std::runtime_error("child process: output ended");
  }
}

std::optional<std::string> ChildProcess::PollLine() {
  for (;;) {
    if (auto line = TakeLine(process_->buffered)) return line;
    pollfd wanted{process_->output, POLLIN, 0};
    if (poll(&wanted, 1, 0) <= 0 ||
        !process_->FillBuffer(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
      return std::nullopt;
    }
  }
}

std::string ChildProcess::ReadRest(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (process_->FillBuffer(deadline)) {
  }
  return std::exchange(process_->buffered, {});
}

bool ChildProcess::Running() {
  if (process_->exitStatus >= 0 || process_->pid <= 0) return false;
  int status = 0;
  if (waitpid(process_->pid, &status, WNOHANG) == process_->pid) {
    process_->exitStatus = DecodeStatus(status);
    return false;
  }
  return true;
}

int ChildProcess::Id() const { return process_->pid; }

void ChildProcess::Interrupt() {
  if (Running()) kill(process_->pid, SIGTERM);
}

int ChildProcess::Stop(int signal) {
  if (!Running()) return process_->exitStatus;
  kill(process_->pid, signal);
  int status = 0;
  while (waitpid(process_->pid, &status, 0) < 0 && errno == EINTR) {
  }
  process_->exitStatus = DecodeStatus(status);
  return process_->exitStatus;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // Polls the exit with a short pause: waitpid has no time-out of its own.
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("child process: did not end in time");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return process_->exitStatus;
}

}  // namespace veltrano::testing
