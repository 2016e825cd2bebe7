#pragma once

#include "platform/clock.h"

namespace veltrano {

// The machine's wall clock in its local time zone.
class PosixSystemClock final : public Clock {
 public:
  float SecondsSinceMidnight() override;
};

}  // namespace veltrano
