#pragma once

#include "motion_controller.h"
#include "protocol/platform_packet_framer.h"
#include "serial_line.h"
#include "tick_clock.h"
#include "vibration_output.h"

namespace veltrano {
namespace firmware {

// The controller's one loop, without interrupts: it takes each byte of the serial line as it
// comes (a byte every 0.52 ms at most) and, once a millisecond, moves the axes a step and has
// the drive follow them. A millisecond's work takes well under half a millisecond, so the
// receiver's two-byte buffer never overflows.
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
