#pragma once

#include <stdint.h>

// The numbers of one platform, fixed when the firmware is built: edit them here and build again
// (README.md, "Calibration").
namespace veltrano {
namespace firmware {
namespace calibration {

// Hobby servos: the pulse widths, in microseconds, at the two ends of an axis's travel (position
// 0 and position 255). Most servos take 1000 to 2000; many turn further with 500 to 2500, but
// check that the platform's linkage allows it before widening. An end below the other turns the
// axis round.
constexpr uint16_t kPitchServoEndsUs[2] = {1000, 2000};
constexpr uint16_t kRollServoEndsUs[2] = {1000, 2000};

// DC motors with a potentiometer: the analog readings (0..1023) at the two ends of the travel,
// as read off the platform with the calibration steps. A reading further than kPotMargin outside
// them means a broken wire, and that motor is switched off. Swapping the two turns the axis round.
constexpr uint16_t kPitchPotEnds[2] = {102, 922};
constexpr uint16_t kRollPotEnds[2] = {102, 922};
constexpr uint16_t kPotMargin = 40;

// The position loop: the error, in thousandths of a travel unit, at which the motor gets full
// power; below it the power falls in proportion. Within kHoldBand of the position the motor rests,
// so that it does not hunt around it.
constexpr int32_t kFullPowerError = 10000;
constexpr int32_t kHoldBand = 400;

}  // namespace calibration
}  // namespace firmware
}  // namespace veltrano
