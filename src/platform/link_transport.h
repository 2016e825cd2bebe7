#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace veltrano {

using WindowHandle = std::uint32_t;  // 0: no window
using Atom = std::uint16_t;          // global string atoms live in 0xC000..0xFFFF

// The longest that an operation below waits for a server, in every transport: above all the time
// SendMessageA gives the server to answer. A tick makes five requests in its 50 ms period and,
// once one has gone unanswered, asks nothing more in that tick (VariableReaders), so one wait and
// the rest of the tick fit into a period. A healthy server answers in well under a millisecond;
// the rest of the period is left to a busy one.
inline constexpr std::chrono::milliseconds kAnswerWait{40};

// The desktop operations that the simulator link is made of: window messages and global atoms,
// under their desktop names. Implementations answer as the desktop does, including its ways of
// saying "nothing": 0 for no window, no message id, no answer and an unreadable atom.
class LinkTransport {
 public:
  virtual ~LinkTransport() = default;

  // The system-wide message id for `name`, the same the server obtains; 0 on failure.
  virtual std::uint32_t RegisterWindowMessageA(std::string_view name) = 0;

  // A top-level window of class `className` (any title); 0 when there is none or it cannot be
  // reached, never an error: a server out of reach is no server.
  virtual WindowHandle FindWindowA(std::string_view className) = 0;

  // Delivers the message and waits for the window's answer, at most kAnswerWait. Gives 0 when the
  // window is gone or does not answer in time, so a hung server cannot freeze the caller.
  virtual std::int64_t SendMessageA(WindowHandle window, std::uint32_t message,
                                    std::uint64_t wParam, std::int64_t lParam) = 0;

  // Copies the atom's name and a terminator into `buffer` (at most size - 1 characters) and gives
  // the number of characters without the terminator; 0 when the name cannot be read.
  virtual int GlobalGetAtomNameA(Atom atom, char* buffer, int size) = 0;

  // Drops one reference to the atom; gives 0 on success and the atom itself when it did not exist.
  virtual Atom GlobalDeleteAtom(Atom atom) = 0;
};

// The desktop's plain byte copy.
inline void RtlMoveMemory(void* destination, const void* source, std::size_t length) {
  std::memcpy(destination, source, length);
}

}  // namespace veltrano
