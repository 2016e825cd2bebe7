#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>

#include "desktop_window_server/frame_schedule.h"

namespace veltrano::simserver {

// One frame that lasts longer than the others, as when a simulator loads scenery.
struct Stall {
  std::chrono::duration<double> length;
  std::chrono::duration<double> at;  // the first frame that starts this long after the loop's start
};

// The game loop of a simulator that serves the data: frames of a fixed length from construction
// on, and at most one stall. Counts the frames: frame 1 is the first.
class GameLoop final : public FrameSchedule {
 public:
  // `log`, when given, is told when the stall begins.
  GameLoop(std::chrono::duration<double> frame, std::optional<Stall> stall, std::ostream* log);

  TimePoint FrameEnd(TimePoint start) override;

  // The frame under way; at a boundary, the one that has just ended.
  std::uint64_t Frame() const { return frame_; }

 private:
  const std::chrono::steady_clock::duration frameLength_;
  std::optional<Stall> stall_;  // until it has begun
  std::ostream* log_;
  const TimePoint start_;
  std::uint64_t frame_ = 0;
};

}  // namespace veltrano::simserver
