#pragma once

#include <chrono>
#include <cstdint>

namespace veltrano::virtual_platform {

// One axis of the platform (pitch or roll) as its controller moves it. The packet commands a
// position: the axis's centre plus the cue's distance from the neutral 128, kept within the
// travel 0..255. The controller does not jump there: it drives the axis toward it no faster than
// the axis's movement-speed level allows, so that level 1 glides and level 5 snaps.
class AxisMotion {
 public:
  static constexpr int kNeutralCue = 128;
  static constexpr int kTravelEnd = 255;

  // The fastest the axis moves at a level, in travel units a second: 32 at level 1, doubling at
  // each level up to 512 at level 5, so the whole travel takes eight seconds to half a second.
  static double UnitsPerSecond(int level);

  // Takes one packet's bytes for this axis. Before the first command the axis rests at its
  // centre, which is where it starts from.
  void Command(std::uint8_t cue, std::uint8_t centre, std::uint8_t level);

  // Lets `elapsed` pass, moving toward the commanded position.
  void Advance(std::chrono::duration<double> elapsed);

  double Position() const { return position_; }
  int Commanded() const;
  std::uint8_t Cue() const { return cue_; }
  std::uint8_t Centre() const { return centre_; }
  int Level() const { return level_; }

 private:
  double position_ = kNeutralCue;
  std::uint8_t cue_ = kNeutralCue;
  std::uint8_t centre_ = kNeutralCue;
  int level_ = 1;
  bool commanded_ = false;
};

}  // namespace veltrano::virtual_platform
