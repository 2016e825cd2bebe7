#include "platform/win32/win32_system_clock.h"

#include "platform/win32/win32_api.h"

namespace veltrano {

float Win32SystemClock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const double seconds =
      now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
  return static_cast<float>(seconds);
}

}  // namespace veltrano
