#include "system_call_pass.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>

#include "child_process/child_process.h"
#include "protocol/data_server_requests.h"

namespace veltrano::bench {
namespace {

namespace fs = std::filesystem;

// The child process runs a program by its path: strace's, from PATH as a shell finds it.
std::optional<fs::path> FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder) / program;
    if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

}  // namespace

SystemCallPass RunSystemCallPass(PacketStream& program, std::size_t ticks) {
  SystemCallPass pass;
  const auto strace = FindOnPath("strace");
  if (!strace) {
    pass.failure = "(no strace on PATH)";
    return pass;
  }
  const fs::path log = fs::absolute("strace.log");
  try {
    testing::ChildProcess traced(strace->string(),
                                 {"-f", "-y", "-qq", "-o", log.string(), TIMED_VELTRANO_PATH,
                                  std::to_string(ticks), "strace-ticks.txt"});
    PacketStream* const streams[] = {&program};
    Record(streams, ticks);
    traced.ReadLine(std::chrono::seconds(30));
    if (traced.Wait(std::chrono::seconds(30)) != 0)
      throw std::runtime_error("the traced run failed");
    program.TakeArrivals();
    pass.calls =
        CountSystemCalls(log, program.Link().SlavePath(), std::string(data_server::kWindowClass));
  } catch (const std::exception& error) {
    program.TakeArrivals();
    pass.failure = std::string("(strace: ") + error.what() + ")";
  }
  return pass;
}

}  // namespace veltrano::bench
