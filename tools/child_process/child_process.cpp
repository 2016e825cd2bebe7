#include "child_process/child_process.h"

namespace veltrano::testing {

std::optional<std::string> TakeLine(std::string& buffered) {
  const auto end = buffered.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = buffered.substr(0, end);
  buffered.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace veltrano::testing
