#pragma once

#include "platform/win32/win32_api.h"

#include <string>

#include "platform/error.h"

namespace veltrano {

// An Error whose text ends with the system's own words for the calling thread's last error.
class Win32Error : public Error {
 public:
  explicit Win32Error(const std::string& what) : Error(what + ": " + Describe(GetLastError())) {}

  static std::string Describe(DWORD code) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string described(text, length);
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r' ||
                                  described.back() == ' ' || described.back() == '.')) {
      described.pop_back();
    }
    return described.empty() ? "error " + std::to_string(code) : described;
  }
};

}  // namespace veltrano
