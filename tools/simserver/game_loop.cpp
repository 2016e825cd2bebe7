#include "game_loop.h"

#include <cstdio>

namespace veltrano::simserver {

namespace {

std::chrono::steady_clock::duration Ticks(std::chrono::duration<double> length) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(length);
}

}  // namespace

GameLoop::GameLoop(std::chrono::duration<double> frame, std::optional<Stall> stall,
                   std::ostream* log)
    : frameLength_(Ticks(frame)),
      stall_(stall),
      log_(log),
      start_(std::chrono::steady_clock::now()) {}

FrameSchedule::TimePoint GameLoop::FrameEnd(TimePoint start) {
  ++frame_;
  if (!stall_ || start - start_ < Ticks(stall_->at)) return start + frameLength_;
  const auto length = Ticks(stall_->length);
  if (log_ != nullptr) {
    char line[96];
    std::snprintf(line, sizeof line, "frame %llu: a stall of %.3f s, %.3f s into the run",
                  static_cast<unsigned long long>(frame_), stall_->length.count(),
                  std::chrono::duration<double>(start - start_).count());
    *log_ << line << std::endl;
  }
  stall_.reset();
  return start + length;
}

}  // namespace veltrano::simserver
