#pragma once

#include "motion_controller.h"
#include "protocol/platform_packet_framer.h"
#include "serial_line.h"
#include "tick_clock.h"
#include "vibration_output.h"

namespace veltrano {
namespace firmware {

// The controller's one loop, without interrupts: it takes each byte of the serial line as it
// comes (one every 0.52 ms at most) and, once a millisecond, moves the axes a step and has the
// drive follow them. The longest turn of the loop, a millisecond's work with DC motors (two
// analog readings and the loop's arithmetic), takes about 0.55 ms, 0.18 ms with servos; the
// receiver keeps two bytes while a third comes in, so a turn could last about 1 ms before a
// byte was lost.
template <class Drive>
[[noreturn]] void RunController() {
  Drive drive;
  VibrationOutput vibration;
  SerialLine line;
  TickClock clock;
  PlatformPacketFramer framer;
  MotionController motion;
  for (;;) {
    uint8_t byte = 0;
    switch (line.Read(byte)) {
      case SerialLine::Received::kByte:
        if (framer.Push(byte)) motion.Accept(framer.Packet(), drive.Whereabouts());
        break;
      case SerialLine::Received::kDamaged:
        framer.Restart();
        break;
      case SerialLine::Received::kNothing:
        break;
    }
    if (clock.Elapsed()) {
      motion.Tick();
      drive.Follow(motion);
      vibration.Set(motion.Vibration());
    }
  }
}

}  // namespace firmware
}  // namespace veltrano
