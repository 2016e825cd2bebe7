#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <exception>

#include "options.h"
#include "packet_splitter.h"
#include "platform_state.h"
#include "pseudo_terminal_link.h"
#include "terminal_area.h"

namespace veltrano::virtual_platform {

// The serial line's side of the program, run by the event loop: takes in the bytes, feeds the
// packets to the platform's state, and prints each packet (`--print`) or shows the state as text:
// redrawn in place ten times a second on a terminal, one summary line a second otherwise. Ends
// the event loop after the count of packets, or with status 1 on a failure.
class LineSession {
 public:
  LineSession(const Options& options, const PseudoTerminalLink& link, PlatformState& state);

  // Once the event loop has ended: raises the failure that ended it, if one did.
  void RethrowFailure() const;
  // The last word: the state once more and the totals.
  void Finish();

 private:
  void Receive();
  void Show();
  // Runs `step`; a failure ends the event loop and is kept for RethrowFailure.
  template <typename Step>
  void Guarded(Step step);

  const Options& options_;
  const PseudoTerminalLink& link_;
  PlatformState& state_;
  const bool live_;
  PacketSplitter splitter_;
  TerminalArea area_{stdout};
  QSocketNotifier incoming_;
  QTimer showing_;
  std::exception_ptr failure_;
};

}  // namespace veltrano::virtual_platform
