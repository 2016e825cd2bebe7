#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/link_transport.h"

namespace veltrano {

// The desktop's own window messages and global atoms. A message waits for the server's answer
// at most `answerTimeout`, and not at all for a server that Windows already counts as hung, so a
// stuck server cannot freeze the window that asks it.
//
// A message that was not answered in time stays in the server's queue, and the server answers it
// when it catches up; nobody takes that answer, so the atom it hands over stays in the desktop's
// table. To leave no more than that one, the window is sent nothing else until it has caught up:
// right after the unanswered message it gets a message that makes no atom (WM_NULL) whose
// completion the desktop reports without anyone waiting (SendMessageCallbackA). The report comes
// while this thread takes its messages, as the window's message loop does; SendMessageA also
// takes it when it comes to look.
class Win32LinkTransport final : public LinkTransport {
 public:
  explicit Win32LinkTransport(std::chrono::milliseconds answerTimeout = kAnswerWait);

  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  WindowHandle FindWindowA(std::string_view className) override;
  MessageResult SendMessageA(WindowHandle window, std::uint32_t message, std::uint64_t wParam,
                             std::int64_t lParam) override;
  int GlobalGetAtomNameA(Atom atom, char* buffer, int size) override;
  Atom GlobalDeleteAtom(Atom atom) override;

 private:
  // The message sent after an unanswered one, shared with the desktop's report of its completion,
  // which may come after this transport has gone.
  struct CatchUpProbe {
    WindowHandle window = 0;
    bool answered = false;
  };

  // Whether the window still owes the answer to an earlier message.
  bool Behind(WindowHandle window);
  void SendProbe(WindowHandle window);

  std::chrono::milliseconds answerTimeout_;
  std::shared_ptr<CatchUpProbe> probe_;  // none: no window is behind
};

}  // namespace veltrano
