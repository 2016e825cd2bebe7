#pragma once

namespace veltrano {

// The local time of day.
class Clock {
 public:
  virtual ~Clock() = default;

  // Seconds since local midnight, with fractions; falls back to 0 at midnight.
  virtual float SecondsSinceMidnight() = 0;
};

}  // namespace veltrano
