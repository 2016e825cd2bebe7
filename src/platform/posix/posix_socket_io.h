#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

namespace veltrano {

// Owns one file descriptor and closes it when it goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset();

 private:
  int fd_ = -1;
};

using Deadline = std::chrono::steady_clock::time_point;

// Sends every byte on a blocking socket. False when the peer is gone or the socket's own send
// time-out ran out; never raises SIGPIPE.
bool SendAll(int socket, std::span<const std::uint8_t> bytes);

// How a receive ended, and how many bytes it brought.
struct Received {
  enum class End { kComplete, kTimedOut, kBroken };
  End end;
  std::size_t count;
};

// How a receive makes its first read.
enum class FirstRead {
  // Takes what has come; any wait that the deadline leaves room for is a poll.
  kWithoutWaiting,
  // Blocks for at most the socket's own receive time-out (SO_RCVTIMEO), which must not end after
  // the deadline: an answer that comes within it costs that one read, not a poll and a read.
  kWaitingOnTheSocket,
};

// Fills `bytes` from a socket, waiting no later than `deadline`: kTimedOut when the deadline
// passed first (a deadline already past takes what has come without waiting), kBroken when the
// peer closed the connection or the socket failed. Never raises SIGPIPE.
Received ReceiveUntil(int socket, std::span<std::uint8_t> bytes, Deadline deadline,
                      FirstRead firstRead = FirstRead::kWithoutWaiting);

// ReceiveUntil for an answer whose length its own bytes tell: reads on after the `count` bytes
// already there until `wanted(count)` bytes are there, where `wanted` may grow as the bytes that
// come tell more; an answer longer than `bytes` breaks the format (kBroken). Each read takes
// whatever has come, up to the end of `bytes`, so that an answer that has come whole takes one
// read: the count may then go past the answer, and the bytes past it begin what comes next.
Received ReceiveAnswer(int socket, std::span<std::uint8_t> bytes, std::size_t count,
                       const std::function<std::size_t(std::size_t count)>& wanted,
                       Deadline deadline, FirstRead firstRead = FirstRead::kWithoutWaiting);

// ReceiveUntil, true only when every byte came.
bool ReceiveAll(int socket, std::span<std::uint8_t> bytes, Deadline deadline);

}  // namespace veltrano
