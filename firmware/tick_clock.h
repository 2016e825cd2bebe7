#pragma once

namespace veltrano {
namespace firmware {

// The millisecond that paces the controller: timer 0 counts it out, and the main loop asks for
// it, so no interrupt is needed.
class TickClock {
 public:
  TickClock();
  // True once for each millisecond that has passed since the last true.
  bool Elapsed();
};

}  // namespace firmware
}  // namespace veltrano
