#include "platform/posix/posix_system_clock.h"

#include <sys/time.h>

#include <ctime>

namespace veltrano {

float PosixSystemClock::SecondsSinceMidnight() {
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                         static_cast<double>(now.tv_usec) / 1e6;
  return static_cast<float>(seconds);
}

}  // namespace veltrano
