#include "tick_clock.h"

#include <avr/io.h>

namespace veltrano {
namespace firmware {

TickClock::TickClock() {
  // Clear on compare match at 250 counts of 64 clock cycles: 1 ms at 16 MHz.
  TCCR0A = _BV(WGM01);
  OCR0A = 249;
  TCCR0B = _BV(CS01) | _BV(CS00);
}

bool TickClock::Elapsed() {
  if (!(TIFR0 & _BV(OCF0A))) return false;
  TIFR0 = _BV(OCF0A);  // cleared by writing a one
  return true;
}

}  // namespace firmware
}  // namespace veltrano
