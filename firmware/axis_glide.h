#pragma once

#include <stdint.h>

namespace veltrano {
namespace firmware {

// Where one axis (pitch or roll) is on its way to the position that the packets command, in
// thousandths of a travel unit (0..255000), advanced once a millisecond. The axis never moves
// faster than its movement-speed level allows: 32 units a second at level 1, doubling at each
// level up to 512 at level 5, which in thousandths a millisecond is the same number.
class AxisGlide {
 public:
  static constexpr int32_t kUnit = 1000;

  // Puts the axis at `position` and has it set off at level 1, whatever the packets say, until
  // it has reached the position they command: the first move after power-on or a silence.
  void StartFrom(int32_t position);
  // Heads for the packet's position: the centre plus the cue's distance from 128, within 0..255.
  void Command(uint8_t cue, uint8_t centre, uint8_t level);
  // Heads for the centre at level 1.
  void Recentre();
  // One millisecond of motion.
  void Step();

  int32_t Position() const { return position_; }
  int32_t Target() const { return target_; }
  uint8_t Centre() const { return centre_; }

 private:
  int32_t position_ = 128 * kUnit;
  int32_t target_ = 128 * kUnit;
  uint8_t centre_ = 128;
  uint8_t level_ = 1;
  bool easing_ = true;
};

}  // namespace firmware
}  // namespace veltrano
