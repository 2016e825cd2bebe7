#include "vibration_output.h"

#include <avr/io.h>

namespace veltrano {
namespace firmware {

VibrationOutput::VibrationOutput() {
  PORTD &= ~_BV(PD3);
  DDRD |= _BV(PD3);
  TCCR2A = _BV(WGM21) | _BV(WGM20);  // fast PWM up to 255, the pin not yet connected
  TCCR2B = _BV(CS21);                // 2 MHz: 7.8 kHz
}

void VibrationOutput::Set(uint8_t level) {
  // Fast PWM always gives a pulse of one count, so 0 takes the pin off the timer and holds it low.
  OCR2B = level;
  if (level == 0) {
    TCCR2A &= ~_BV(COM2B1);
  } else {
    TCCR2A |= _BV(COM2B1);
  }
}

}  // namespace firmware
}  // namespace veltrano
