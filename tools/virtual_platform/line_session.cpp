#include "line_session.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <system_error>

#include "platform/error.h"
#include "status_text.h"

namespace veltrano::virtual_platform {
namespace {

using Clock = PlatformState::Clock;

void WriteLine(std::FILE* stream, const std::string& line) {
  if (std::fprintf(stream, "%s\n", line.c_str()) < 0 || std::fflush(stream) != 0) {
    throw Error("cannot write the output");
  }
}

}  // namespace

LineSession::LineSession(const Options& options, const PseudoTerminalLink& link,
                         PlatformState& state)
    : options_(options),
      link_(link),
      state_(state),
      live_(!options.print && isatty(STDOUT_FILENO)),
      incoming_(link.Master(), QSocketNotifier::Read) {
  QObject::connect(&incoming_, &QSocketNotifier::activated,
                   [this] { Guarded([this] { Receive(); }); });
  if (options.print) return;
  QObject::connect(&showing_, &QTimer::timeout, [this] { Guarded([this] { Show(); }); });
  showing_.start(live_ ? std::chrono::milliseconds(100) : std::chrono::seconds(1));
  if (live_) Show();
}

template <typename Step>
void LineSession::Guarded(Step step) {
  try {
    step();
  } catch (const Error&) {
    failure_ = std::current_exception();
    incoming_.setEnabled(false);
    showing_.stop();
    QCoreApplication::exit(1);
  }
}

void LineSession::RethrowFailure() const {
  if (failure_) std::rethrow_exception(failure_);
}

void LineSession::Receive() {
  char chunk[4096];
  const ssize_t size = read(link_.Master(), chunk, sizeof chunk);
  if (size < 0 && (errno == EAGAIN || errno == EINTR)) return;
  // With its own slave end open the master never hangs up; an error here is the system's.
  if (size <= 0) {
    throw Error(
        "cannot read " + link_.SlavePath() + ": " +
        (size == 0 ? std::string("the line has hung up") : std::generic_category().message(errno)));
  }

  const auto now = Clock::now();
  const auto packets = splitter_.Feed(std::string_view(chunk, static_cast<std::size_t>(size)));
  state_.SetDroppedBytes(splitter_.DroppedBytes());
  for (const PlatformPacket& packet : packets) {
    state_.Accept(packet, now);
    if (options_.print) WriteLine(stdout, HexLine(packet));
    if (options_.count && state_.TotalPackets() == *options_.count) {
      incoming_.setEnabled(false);
      QCoreApplication::exit(0);
      return;
    }
  }
}

void LineSession::Show() {
  const auto now = Clock::now();
  if (live_) {
    area_.Draw(StatusArea(state_, now));
  } else {
    WriteLine(stdout, SummaryLine(state_, now));
  }
}

void LineSession::Finish() {
  if (live_) area_.Draw(StatusArea(state_, Clock::now()));
  WriteLine(options_.print ? stderr : stdout,
            "virtual-platform: packets: " + std::to_string(state_.TotalPackets()) +
                ", dropped bytes: " + std::to_string(state_.DroppedBytes()));
}

}  // namespace veltrano::virtual_platform
