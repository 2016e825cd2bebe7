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

// Fills `bytes` from a socket, waiting no later than `deadline`: kTimedOut when the deadline
// passed first (a deadline already past takes what has come without waiting), kBroken when the
// peer closed the connection or the socket failed. Never raises SIGPIPE.
Received ReceiveUntil(int socket, std::span<std::uint8_t> bytes, Deadline deadline);

// ReceiveUntil for an answer whose length its own bytes tell: reads on after the `count` bytes
// already there until `wanted(count)` bytes are there (at most `bytes.size()`), where `wanted` may
// grow as the bytes that come tell more. Never reads past that, and waits only when nothing more
// has come, so an answer that has arrived whole takes one wait and a read for each part.
Received ReceiveAnswer(int socket, std::span<std::uint8_t> bytes, std::size_t count,
                       const std::function<std::size_t(std::size_t count)>& wanted,
                       Deadline deadline);

// ReceiveUntil, true only when every byte came.
bool ReceiveAll(int socket, std::span<std::uint8_t> bytes, Deadline deadline);

}  // namespace veltrano
