#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "platform/link_transport.h"

namespace veltrano {

// The desktop's own window messages and global atoms. A message waits for the server's answer
// at most `answerTimeout`, and not at all for a server that Windows already counts as hung, so a
// stuck server cannot freeze the window that asks it.
class Win32LinkTransport final : public LinkTransport {
 public:
  explicit Win32LinkTransport(std::chrono::milliseconds answerTimeout = kAnswerWait);

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  std::int64_t SendMessageA(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                            std::int64_t lParam) override;
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

 private:
  std::chrono::milliseconds answerTimeout_;
};

}  // namespace veltrano
