#include "serial_line.h"

#include <avr/io.h>

namespace veltrano {
namespace firmware {

SerialLine::SerialLine() {
  constexpr uint32_t kBaud = 19200;
  constexpr uint16_t kDivisor = (F_CPU + 8 * kBaud) / (16 * kBaud) - 1;  // 51: 19231 baud
  UBRR0H = kDivisor >> 8;
  UBRR0L = kDivisor & 0xFF;
  UCSR0A = 0;
  UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
  UCSR0B = _BV(RXEN0);
}

SerialLine::Received SerialLine::Read(uint8_t& byte) {
  const uint8_t status = UCSR0A;
  if (!(status & _BV(RXC0))) return Received::kNothing;
  byte = UDR0;  // the status belongs to this byte and must be read before it
  return status & (_BV(FE0) | _BV(DOR0)) ? Received::kDamaged : Received::kByte;
}

}  // namespace firmware
}  // namespace veltrano
