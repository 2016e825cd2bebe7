#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace veltrano {

using WindowHandle = std::uint32_t;  // 0: no window
using Atom = std::uint16_t;          // global string atoms live in 0xC000..0xFFFF

// The longest that an operation below waits for a server, in every transport: above all the time
// SendMessageA gives the server to answer. A tick makes five requests in its 50 ms period and,
// once one has gone unanswered, asks nothing more until the server has caught up (see
// SendMessageA), so one wait and the rest of the tick fit into a period. A healthy server answers
// in well under a millisecond; the rest of the period is left to a busy one, such as a server in
// a simulator's game loop, which answers only between the frames that it draws.
inline constexpr std::chrono::milliseconds kAnswerWait{40};

// What became of a message sent to a window.
enum class Delivery {
  kAnswered,        // the window procedure answered; 0 is an answer like any other
  kNoWindow,        // there is no such window, or it has gone
  kNoAnswerInTime,  // the window is there but has not answered (yet)
};

struct MessageResult {
  Delivery delivery = Delivery::kNoWindow;
  // The window procedure's result as the desktop hands it back, all 64 bits of it: a 32-bit
  // procedure's result comes zero-extended. Only for kAnswered.
  std::int64_t result = 0;
};

// The atom that a data server hands over in a message's result: the result's low 32 bits, read
// as a signed number, are a string atom read as a signed 16-bit number (-16384..-1). A transport
// that leaves a late answer untaken deletes this atom, which nobody else would.
constexpr std::optional<Atom> AtomHandedOverIn(std::int64_t result) {
  const auto answer = static_cast<std::int32_t>(result);
  if (answer < -0x4000 || answer >= 0) return std::nullopt;
  return static_cast<Atom>(answer & 0xFFFF);
}

// The desktop operations that the simulator link is made of: window messages and global atoms,
// under their desktop names. Implementations answer as the desktop does, including its ways of
// saying "nothing": 0 for no window, no message id and an unreadable atom.
class LinkTransport {
 public:
  virtual ~LinkTransport() = default;

  // The system-wide message id for `name`, the same the server obtains; 0 on failure.
  virtual std::uint32_t RegisterWindowMessageA(std::string_view name) = 0;

  // A top-level window of class `className` (any title); 0 when there is none or it cannot be
  // reached, never an error: a server out of reach is no server.
  virtual WindowHandle FindWindowA(std::string_view className) = 0;

  // Delivers the message and waits for the window's answer, at most kAnswerWait, so that a hung
  // server cannot freeze the caller. A window that has not answered in time still owes that
  // answer, and a server that has fallen behind is not sent more: until the transport knows that
  // the window has caught up, further messages to it give kNoAnswerInTime at once, neither sent
  // nor waited for. A window that goes meanwhile gives kNoWindow.
  virtual MessageResult SendMessageA(WindowHandle window, std::uint32_t message,
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
