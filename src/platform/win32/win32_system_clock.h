#pragma once

#include "platform/clock.h"

namespace veltrano {

// The machine's wall clock in its local time zone.
class Win32SystemClock final : public Clock {
 public:
  float SecondsSinceMidnight() override;
};

}  // namespace veltrano
