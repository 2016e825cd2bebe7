#include "servo_drive.h"

#include <avr/io.h>

#include "calibration.h"

namespace veltrano {
namespace firmware {
namespace {

constexpr uint16_t kCountsPerUs = 2;  // 16 MHz over 8
constexpr uint16_t kFrameCounts = 20000 * kCountsPerUs;

// The pulse's width in timer counts for a position in thousandths of a travel unit.
uint16_t PulseCounts(int32_t position, const uint16_t (&endsUs)[2]) {
  const int32_t span = (int32_t(endsUs[1]) - int32_t(endsUs[0])) * kCountsPerUs;
  return uint16_t(int32_t(endsUs[0]) * kCountsPerUs + span * position / (255 * AxisGlide::kUnit));
}

}  // namespace

ServoDrive::ServoDrive() {
  PORTB &= ~(_BV(PB1) | _BV(PB2));
  DDRB |= _BV(PB1) | _BV(PB2);
  // Fast PWM with ICR1 as the top, 2 MHz: one frame of 20 ms; the pins not yet connected.
  ICR1 = kFrameCounts - 1;
  TCCR1A = _BV(WGM11);
  TCCR1B = _BV(WGM13) | _BV(WGM12) | _BV(CS11);
}

void ServoDrive::Follow(const MotionController& motion) {
  if (!motion.Started()) return;
  // The pin is high from the frame's start up to and including the compare count.
  OCR1A = PulseCounts(motion.Pitch().Position(), calibration::kPitchServoEndsUs) - 1;
  OCR1B = PulseCounts(motion.Roll().Position(), calibration::kRollServoEndsUs) - 1;
  if (!pulsing_) {
    TCCR1A |= _BV(COM1A1) | _BV(COM1B1);
    pulsing_ = true;
  }
}

}  // namespace firmware
}  // namespace veltrano
