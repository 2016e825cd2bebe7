#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace veltrano::virtual_platform {

// A block of lines at the bottom of a terminal, redrawn in place: each drawing moves the cursor
// back up over the previous one and overwrites it.
class TerminalArea {
 public:
  explicit TerminalArea(std::FILE* terminal) : terminal_(terminal) {}

  // Raises veltrano::Error when the terminal takes no more output.
  void Draw(const std::vector<std::string>& lines);

 private:
  std::FILE* terminal_;
  std::size_t drawnLines_ = 0;
};

}  // namespace veltrano::virtual_platform
