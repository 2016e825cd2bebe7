// Stands in for the motion platform's controller on a serial line, so that the control program
// can be run and watched without the hardware. See UsageText() in options.cpp.

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <vector>

#include "options.h"
#include "packet_splitter.h"
#include "platform/error.h"
#include "platform_view.h"
#include "pseudo_terminal_link.h"
#include "terminal_area.h"

namespace veltrano::virtual_platform {
namespace {

using Clock = PlatformView::Clock;

// A signal's arrival is all that counts: it ends the wait in ppoll.
void NoteSignal(int) {}

// Lets SIGINT, SIGTERM and SIGHUP end the program in an orderly way, so that the link goes: they
// stay blocked except inside the wait, which they interrupt. Gives the mask for that wait.
sigset_t PrepareEndingSignals() {
  sigset_t ending;
  sigemptyset(&ending);
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&ending, signal);
    sigaction(signal, &action, nullptr);
  }
  sigset_t duringWait;
  sigprocmask(SIG_BLOCK, &ending, &duringWait);
  // A reader of the output that goes away shows as a failed write, which ends the run cleanly.
  ::signal(SIGPIPE, SIG_IGN);
  return duringWait;
}

void WriteLine(std::FILE* stream, const std::string& line) {
  if (std::fprintf(stream, "%s\n", line.c_str()) < 0 || std::fflush(stream) != 0) {
    throw Error("cannot write the output");
  }
}

timespec TimeUntil(Clock::time_point when) {
  const auto left = std::max(Clock::duration::zero(), when - Clock::now());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  return {static_cast<time_t>(seconds.count()),
          static_cast<long>(std::chrono::nanoseconds(left - seconds).count())};
}

// What the program does between its ready line and its end: takes in the bytes, and shows the
// packets or the platform's state.
class Session {
 public:
  explicit Session(const Options& options)
      : options_(options),
        live_(!options.print && isatty(STDOUT_FILENO)),
        showEvery_(live_ ? Clock::duration(std::chrono::milliseconds(100))
                         : std::chrono::seconds(1)),
        nextShow_(Clock::now() + (live_ ? Clock::duration::zero() : showEvery_)) {}

  // Waits for bytes, the next showing or an ending signal. False once the program should end.
  bool Step(const PseudoTerminalLink& link, const sigset_t& duringWait) {
    pollfd incoming{link.Master(), POLLIN, 0};
    const timespec wait = TimeUntil(nextShow_);
    const int ready = ppoll(&incoming, 1, options_.print ? nullptr : &wait, &duringWait);
    if (ready < 0 && errno == EINTR) return false;
    if (ready < 0) throw Error("waiting for data failed: " + SystemText(errno));
    const bool more = ready == 0 || Receive(link);
    if (!options_.print && Clock::now() >= nextShow_) Show();
    return more;
  }

  void Finish() {
    if (live_) area_.Draw(view_.StatusArea(Clock::now()));
    WriteLine(options_.print ? stderr : stdout,
              "virtual-platform: packets: " + std::to_string(view_.TotalPackets()) +
                  ", dropped bytes: " + std::to_string(view_.DroppedBytes()));
  }

 private:
  static std::string SystemText(int error) { return std::generic_category().message(error); }

  // False once the count of packets is reached.
  bool Receive(const PseudoTerminalLink& link) {
    char chunk[4096];
    const ssize_t size = read(link.Master(), chunk, sizeof chunk);
    if (size < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    // With its own slave end open the master never hangs up; an error here is the system's.
    if (size <= 0) {
      throw Error("cannot read " + link.SlavePath() + ": " +
                  (size == 0 ? std::string("the line has hung up") : SystemText(errno)));
    }

    const auto now = Clock::now();
    const auto packets = splitter_.Feed(std::string_view(chunk, static_cast<std::size_t>(size)));
    view_.SetDroppedBytes(splitter_.DroppedBytes());
    for (const ActuatorPacket& packet : packets) {
      view_.Accept(packet, now);
      if (options_.print) WriteLine(stdout, HexLine(packet));
      if (options_.count && view_.TotalPackets() == *options_.count) return false;
    }
    return true;
  }

  void Show() {
    const auto now = Clock::now();
    if (live_) {
      area_.Draw(view_.StatusArea(now));
    } else {
      WriteLine(stdout, view_.SummaryLine(now));
    }
    nextShow_ += showEvery_;
    // After a long stall, the next showing comes one period from now rather than at once.
    if (nextShow_ < now) nextShow_ = now + showEvery_;
  }

  const Options& options_;
  const bool live_;
  const Clock::duration showEvery_;
  Clock::time_point nextShow_;
  PacketSplitter splitter_;
  PlatformView view_;
  TerminalArea area_{stdout};
};

int Run(const Options& options) {
  const sigset_t duringWait = PrepareEndingSignals();
  const PseudoTerminalLink link(options.port);
  WriteLine(stdout, "virtual-platform ready: " + link.LinkName() + " -> " + link.SlavePath());
  Session session(options);
  while (session.Step(link, duringWait)) {
  }
  session.Finish();
  return 0;
}

}  // namespace
}  // namespace veltrano::virtual_platform

int main(int argc, char** argv) {
  using namespace veltrano::virtual_platform;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  Options options;
  try {
    options = ParseOptions(args);
  } catch (const veltrano::Error& error) {
    std::fprintf(stderr, "virtual-platform: %s\nTry 'virtual-platform --help'.\n", error.what());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  try {
    return Run(options);
  } catch (const veltrano::Error& error) {
    std::fprintf(stderr, "virtual-platform: %s\n", error.what());
    return 1;
  }
}
