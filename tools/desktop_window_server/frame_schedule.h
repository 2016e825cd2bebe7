#pragma once

#include <chrono>

namespace veltrano {

// The frames of a game loop whose thread handles window messages only between frames, as a data
// server that lives inside a simulator does: the frames follow each other back to back, and at
// each boundary the thread handles the messages that wait at that moment before the next frame
// starts. A message that comes during a frame waits for the next boundary.
class FrameSchedule {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~FrameSchedule() = default;

  // A frame starts at `start`, which is now: gives the moment it ends, the next boundary.
  virtual TimePoint FrameEnd(TimePoint start) = 0;
};

}  // namespace veltrano
