#include "child_process.h"

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

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& workingDirectory) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
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
  output_ = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
  if (Running()) Stop(SIGKILL);
  if (output_ >= 0) close(output_);
}

bool ChildProcess::FillBuffer(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw std::runtime_error("child process: no output in time");
    pollfd wanted{output_, POLLIN, 0};
    const int ready = poll(&wanted, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char chunk[4096];
    const ssize_t got = read(output_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffered_.append(chunk, static_cast<size_t>(got));
    return true;
  }
}

std::optional<std::string> ChildProcess::TakeLine() {
  const auto end = buffered_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  return line;
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (auto line = TakeLine()) return *line;
    if (!FillBuffer(deadline)) throw std::runtime_error("child process: output ended");
  }
}

std::optional<std::string> ChildProcess::PollLine() {
  for (;;) {
    if (auto line = TakeLine()) return line;
    pollfd wanted{output_, POLLIN, 0};
    if (poll(&wanted, 1, 0) <= 0 ||
        !FillBuffer(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
      return std::nullopt;
    }
  }
}

std::string ChildProcess::ReadRest(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (FillBuffer(deadline)) {
  }
  return std::exchange(buffered_, {});
}

int ChildProcess::DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool ChildProcess::Running() {
  if (exitStatus_ >= 0 || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    exitStatus_ = DecodeStatus(status);
    return false;
  }
  return true;
}

int ChildProcess::Stop(int signal) {
  if (!Running()) return exitStatus_;
  kill(pid_, signal);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  exitStatus_ = DecodeStatus(status);
  return exitStatus_;
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
  return exitStatus_;
}

}  // namespace veltrano::testing
