#pragma once

#include <stdint.h>

namespace veltrano {
namespace firmware {

// The platform's serial line on the USART: 19200 baud, 8 data bits, no parity, one stop bit,
// receive only (the platform never answers).
class SerialLine {
 public:
  enum class Received { kNothing, kByte, kDamaged };

  SerialLine();
  // Takes the next byte when one has come. kDamaged: a byte came with a framing error, or bytes
  // were lost because the loop was late; the byte is not to be trusted.
  Received Read(uint8_t& byte);
};

}  // namespace firmware
}  // namespace veltrano
