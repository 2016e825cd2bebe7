#pragma once

#include <deque>
#include <initializer_list>

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace veltrano::testing {

// Gives the scripted readings in order; a reading nobody scripted fails the test.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::initializer_list<float> readings = {}) : readings_(readings) {}

  float SecondsSinceMidnight() override {
    if (readings_.empty()) {
      ADD_FAILURE() << "the clock was read more often than scripted";
      return 0.0f;
    }
    const float reading = readings_.front();
    readings_.pop_front();
    return reading;
  }

 private:
  std::deque<float> readings_;
};

}  // namespace veltrano::testing
