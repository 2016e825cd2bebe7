#pragma once

#include <stdint.h>

#include "motion_controller.h"

namespace veltrano {
namespace firmware {

// Two hobby servos: a pulse every 20 ms on OC1A (PB1, Arduino pin 9) for pitch and OC1B (PB2,
// pin 10) for roll, its width from the axis's position between the travel's ends in
// calibration.h. Before the first packet the pins stay low: a servo without pulses holds still
// and can be turned by hand.
class ServoDrive {
 public:
  ServoDrive();
  // A servo cannot tell where it is: the axes start at their centres.
  MotionController::Whereabouts Whereabouts() const { return {false, 0, 0}; }
  void Follow(const MotionController& motion);

 private:
  bool pulsing_ = false;
};

}  // namespace firmware
}  // namespace veltrano
