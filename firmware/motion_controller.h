#pragma once

#include <stdint.h>

#include "axis_glide.h"

namespace veltrano {
namespace firmware {

// What the platform does with the packets, advanced once a millisecond: the two axes' positions
// and the vibration, and the safety around them. Nothing moves before the first packet; the axes
// then set off from where they are. When no packet has come for half a second, both axes glide
// to their centres at level 1 and the vibration stops, until packets come again.
class MotionController {
 public:
  static constexpr uint16_t kSilenceLimitMs = 500;

  // Where the axes are when the first packet comes, in thousandths of a travel unit, as far as
  // the drive knows; an axis whose drive cannot tell starts at its centre.
  struct Whereabouts {
    bool known;
    int32_t pitch;
    int32_t roll;
  };

  // Takes a packet whole, as the framer found it.
  void Accept(const uint8_t* packet, const Whereabouts& whereabouts);
  // One millisecond.
  void Tick();

  // Whether the first packet has come: until then the drives move nothing.
  bool Started() const { return started_; }
  bool Silent() const { return silentMs_ > kSilenceLimitMs; }
  const AxisGlide& Pitch() const { return pitch_; }
  const AxisGlide& Roll() const { return roll_; }
  uint8_t Vibration() const { return Silent() ? 0 : vibration_; }

 private:
  AxisGlide pitch_;
  AxisGlide roll_;
  uint8_t vibration_ = 0;
  bool started_ = false;
  uint16_t silentMs_ = 0;
};

}  // namespace firmware
}  // namespace veltrano
