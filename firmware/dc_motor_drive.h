#pragma once

#include <stdint.h>

#include "motion_controller.h"

namespace veltrano {
namespace firmware {

// Two DC motors through an H-bridge, each with a potentiometer on its axis: a position loop a
// millisecond drives each motor toward the axis's position with a 20 kHz PWM on the bridge's
// enable input and the direction on its two inputs.
//
//   axis    enable (PWM)         inputs 1 and 2            potentiometer
//   pitch   OC1A, PB1 (pin 9)    PD4, PD7 (pins 4 and 7)   ADC0 (A0)
//   roll    OC1B, PB2 (pin 10)   PB0, PB4 (pins 8 and 12)  ADC1 (A1)
//
// Input 1 high drives toward higher readings. A reading beyond the calibrated ends by more than
// the margin, three milliseconds running, is a broken wire: that motor is switched off and stays
// off until the controller is reset.
class DcMotorDrive {
 public:
  DcMotorDrive();
  MotionController::Whereabouts Whereabouts() const {
    return {true, pitch_.position, roll_.position};
  }
  void Follow(const MotionController& motion);

 private:
  struct Axis {
    int32_t position = 0;  // thousandths of a travel unit, from the last reading
    uint8_t strayReadings = 0;
    bool broken = false;
  };

  // Reads the potentiometer on `channel` into `axis`, calibrated by `ends`.
  static void Measure(uint8_t channel, const uint16_t (&ends)[2], Axis& axis);

  Axis pitch_;
  Axis roll_;
};

}  // namespace firmware
}  // namespace veltrano
