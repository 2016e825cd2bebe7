#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/link_transport.h"

namespace veltrano {

// The desktop's own window messages and global atoms. A message waits for the server's answer
// at most `answerTimeout`, so a stuck server cannot freeze the window that asks it.
//
// A message is sent so that the desktop reports its answer whenever it comes
// (SendMessageCallbackA), and waited for by taking those reports for at most the timeout. A
// message not answered by then stays in the server's queue; until its report has come, the
// window is sent nothing else, and when it comes the atom that the answer hands over is deleted,
// since nobody reads it. A server that falls behind thus leaves no atom in the desktop's table,
// however long it stalls. The report comes while this thread takes its messages, as the window's
// message loop does; SendMessageA also takes it when it comes to look.
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
  // A message on its way, shared with the desktop's report of its answer, which may come after
  // this transport has gone.
  struct Pending {
    WindowHandle window = 0;
    bool answered = false;
    bool late = false;  // given up on: the report deletes the atom it brings
    std::int64_t result = 0;
  };

  // Whether the window still owes the answer to an earlier message.
  bool Behind(WindowHandle window);

  std::chrono::milliseconds answerTimeout_;
  std::shared_ptr<Pending> owed_;  // none: no window is behind
};

}  // namespace veltrano
