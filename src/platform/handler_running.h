#pragma once

namespace veltrano {

// Marks a timer's handler as running for as long as it is on the stack, also when it throws, so
// that a tick that comes meanwhile (a modal box pumps messages) is not run inside it.
class HandlerRunning {
 public:
  explicit HandlerRunning(bool& running) : running_(running) { running_ = true; }
  ~HandlerRunning() { running_ = false; }
  HandlerRunning(const HandlerRunning&) = delete;
  HandlerRunning& operator=(const HandlerRunning&) = delete;

 private:
  bool& running_;
};

}  // namespace veltrano
