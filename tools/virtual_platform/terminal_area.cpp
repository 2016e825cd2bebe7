#include "terminal_area.h"

#include "platform/error.h"

namespace veltrano::virtual_platform {

void TerminalArea::Draw(const std::vector<std::string>& lines) {
  std::string text;
  if (drawnLines_ > 0) text += "\x1b[" + std::to_string(drawnLines_) + "A";
  for (const std::string& line : lines) text += "\r\x1b[2K" + line + "\n";
  drawnLines_ = lines.size();
  if (std::fputs(text.c_str(), terminal_) == EOF || std::fflush(terminal_) != 0) {
    throw Error("cannot write to the terminal");
  }
}

}  // namespace veltrano::virtual_platform
