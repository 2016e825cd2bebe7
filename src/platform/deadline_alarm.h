#pragma once

#include <chrono>
#include <memory>

namespace veltrano {

// An alarm for one deadline at a time on the steady clock, to the nanosecond, that an event loop
// watches through a descriptor: the descriptor turns readable once the deadline has passed and
// stays so until the expiry is taken, so that the loop's own rounding never enters the deadline.
class DeadlineAlarm {
 public:
  virtual ~DeadlineAlarm() = default;

  // The descriptor to watch for reading; it is the alarm's for as long as the alarm lives.
  virtual int Descriptor() const = 0;
  // Arms the alarm for `deadline`, replacing any deadline before it and any expiry not yet taken;
  // a deadline already passed expires at once.
  virtual void ArmAt(std::chrono::steady_clock::time_point deadline) = 0;
  // Disarms the alarm and forgets any expiry not yet taken.
  virtual void Disarm() = 0;
  // Whether the deadline has passed since it was armed or last taken; takes the expiry, so that
  // the descriptor is no longer readable. False when the descriptor woke its loop for nothing.
  virtual bool TakeExpiry() = 0;
};

// Throws Error when the system has no alarm left to give.
std::unique_ptr<DeadlineAlarm> OpenDeadlineAlarm();

}  // namespace veltrano
