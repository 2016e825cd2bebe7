#include "platform/posix/posix_deadline_alarm.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/error.h"

namespace veltrano {
namespace {

std::string WithReason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

void Set(int descriptor, int flags, const itimerspec& setting) {
  // Fails only for settings out of range, which a steady-clock deadline never is.
  if (timerfd_settime(descriptor, flags, &setting, nullptr) != 0) {
    throw Error(WithReason("Cannot arm the tick's timer"));
  }
}

}  // namespace

PosixDeadlineAlarm::PosixDeadlineAlarm()
    : descriptor_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
  if (descriptor_ < 0) throw Error(WithReason("Cannot create a timer for the ticks"));
}

PosixDeadlineAlarm::~PosixDeadlineAlarm() { close(descriptor_); }

int PosixDeadlineAlarm::Descriptor() const { return descriptor_; }

void PosixDeadlineAlarm::ArmAt(std::chrono::steady_clock::time_point deadline) {
  const std::int64_t ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
  itimerspec setting{};
  // A zero value would disarm the timer instead; the earliest instant expires at once all the same.
  setting.it_value.tv_sec = ns > 0 ? static_cast<time_t>(ns / 1'000'000'000) : 0;
  setting.it_value.tv_nsec = ns > 0 ? static_cast<long>(ns % 1'000'000'000) : 1;
  Set(descriptor_, TFD_TIMER_ABSTIME, setting);
}

void PosixDeadlineAlarm::Disarm() { Set(descriptor_, 0, itimerspec{}); }

bool PosixDeadlineAlarm::TakeExpiry() {
  std::uint64_t expiries = 0;
  // Nothing to read (EAGAIN) means that the deadline has not passed: the timer was armed anew, or
  // disarmed, after the descriptor woke the loop.
  return read(descriptor_, &expiries, sizeof expiries) == sizeof expiries && expiries > 0;
}

std::unique_ptr<DeadlineAlarm> OpenDeadlineAlarm() {
  return std::make_unique<PosixDeadlineAlarm>();
}

}  // namespace veltrano
