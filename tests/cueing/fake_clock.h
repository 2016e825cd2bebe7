#pragma once

#include <deque>
#include <initializer_list>

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace veltrano::testing {

// Gives the scripted readings in order; a reading nobody scripted fails the test.
struct FakeClock final : Clock {
  explicit FakeClock(std::initializer_list<float> scripted = {}) : readings(scripted) {}

  float SecondsSinceMidnight() override {
    if (readings.empty()) {
      ADD_FAILURE() << "the clock was read more often than scripted";
      return 0.0f;
    }
    const float reading = readings.front();
    readings.pop_front();
    return reading;
  }

  std::deque<float> readings;
};

}  // namespace veltrano::testing
