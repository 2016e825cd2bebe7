#pragma once

#include <cstdint>

namespace veltrano {

// The one record that the window, the settings file, START and STOP, the readers and the tick
// share. Created zeroed with the window.
struct PanelState {
  // Effect flags as the settings file gave them; the tick reads the check boxes, not these.
  std::int16_t pitchEnabled = 0;
  std::int16_t rollEnabled = 0;
  std::int16_t accelerationEnabled = 0;
  std::int16_t slipEnabled = 0;
  std::int16_t vibrationEnabled = 0;
  std::int16_t comPort = 0;  // 1 selects the first serial port
  // What goes out in every packet: loaded from the file, then captured by each START.
  std::int16_t pitchCenter = 0;
  std::int16_t rollCenter = 0;
  std::int16_t pitchExpressLevel = 0;
  std::int16_t rollExpressLevel = 0;
  // Live values. The three cue fields first hold the flight value read, then the cue.
  double pitchCue = 0;
  double rollCue = 0;
  double slipValue = 0;
  double vibrationCue = 0;
  double speedValue = 0;
  // The previous acceleration sample, kept across runs.
  double lastSpeedTime = 0;
  double lastSpeed = 0;
};

}  // namespace veltrano
