#pragma once

#include "platform/deadline_alarm.h"

namespace veltrano {

// A timer descriptor on CLOCK_MONOTONIC, the clock of std::chrono::steady_clock here, armed with
// absolute deadlines: a deadline taken from the steady clock is the kernel's own, with nothing
// counted from when the call happens to run.
class PosixDeadlineAlarm final : public DeadlineAlarm {
 public:
  PosixDeadlineAlarm();  // throws Error when no descriptor is to be had
  ~PosixDeadlineAlarm() override;
  PosixDeadlineAlarm(const PosixDeadlineAlarm&) = delete;
  PosixDeadlineAlarm& operator=(const PosixDeadlineAlarm&) = delete;

  int Descriptor() const override;
  void ArmAt(std::chrono::steady_clock::time_point deadline) override;
  void Disarm() override;
  bool TakeExpiry() override;

 private:
  int descriptor_;
};

}  // namespace veltrano
