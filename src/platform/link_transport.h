#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace veltrano {

using WindowHandle = std::uint32_t;  // 0: no window
using Atom = std::uint16_t;          // global string atoms live in 0xC000..0xFFFF
using Deadline = std::chrono::steady_clock::time_point;

// The longest that a request made on its own waits for the server's answer, and the bound of the
// connect that finding a server makes. A healthy server answers in well under a millisecond; the
// rest is left to a busy one, such as a server in a simulator's game loop, which answers only
// between the frames that it draws. The ticks wait far less (see VariableReaders).
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

// One window message.
struct WindowMessage {
  std::uint32_t message = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
};

// Names a message sent ahead until its answer is taken. Never 0.
using MessageTicket = std::uint64_t;

// The atom that a data server hands over in a message's result: the result's low 32 bits, read
// as a signed number, are a string atom read as a signed 16-bit number (-16384..-1). An answer
// that nobody will read has its atom deleted by the transport, which nobody else would.
constexpr std::optional<Atom> AtomHandedOverIn(std::int64_t result) {
  const auto answer = static_cast<std::int32_t>(result);
  if (answer < -0x4000 || answer >= 0) return std::nullopt;
  return static_cast<Atom>(answer & 0xFFFF);
}

// The desktop operations that the simulator link is made of: window messages and global atoms,
// under their desktop names. Implementations answer as the desktop does, including its ways of
// saying "nothing": 0 for no window, no message id and an unreadable atom. Used from one thread.
//
// A message is sent the way the desktop's SendMessageCallbackA sends it: it goes at once and its
// answer is taken later, so that several messages can wait at a server together and a server that
// handles them between the frames of a game loop answers them all at one frame's end.
class LinkTransport {
 public:
  virtual ~LinkTransport() = default;

  // The system-wide message id for `name`, the same the server obtains; 0 on failure.
  virtual std::uint32_t RegisterWindowMessageA(std::string_view name) = 0;

  // A top-level window of class `className` (any title); 0 when there is none or it cannot be
  // reached, never an error: a server out of reach is no server.
  virtual WindowHandle FindWindowA(std::string_view className) = 0;

  // Sends the messages to the window in their order, all before any answer is waited for, and
  // gives a ticket for each, in the same order. None when the window is not there, or goes while
  // they are sent: nothing of them is owed then.
  virtual std::optional<std::vector<MessageTicket>> SendMessagesAhead(
      WindowHandle window, std::span<const WindowMessage> messages) = 0;

  // The answer to a message sent ahead, waited for no later than `deadline` (a deadline already
  // past only looks whether it has come). kAnswered hands over the result, whose atom
  // GlobalGetAtomNameA can then read, and ends the ticket. kNoAnswerInTime leaves the answer owed
  // under the same ticket. kNoWindow: the window has gone, and every answer it owed with it; the
  // ticket ends. A ticket that has ended, or was never given, is kNoWindow.
  virtual MessageResult TakeAnswer(MessageTicket ticket, Deadline deadline) = 0;

  // Sends whatever the transport has held back to send with its next message (the deletions of
  // atoms), without waiting for anything.
  virtual void SendHeld() = 0;

  // Gives up every answer still owed, whose atoms are then deleted whenever they come, and sends
  // on whatever the transport has held back, so that the servers' atom tables are exact once it
  // has returned and the servers have taken it. Messages sent later are not affected.
  virtual void EndExchanges() = 0;

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
