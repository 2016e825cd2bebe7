#pragma once

#include <stdint.h>

namespace veltrano {
namespace firmware {

// The vibration motor's power as a PWM duty on OC2B (PD3, Arduino pin 3), at 7.8 kHz: the
// vibration byte over 255.
class VibrationOutput {
 public:
  VibrationOutput();
  void Set(uint8_t level);
};

}  // namespace firmware
}  // namespace veltrano
