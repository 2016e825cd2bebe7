#include "platform/posix/posix_socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace veltrano {

void UniqueFd::Reset() {
  if (fd_ >= 0) {
    // Linux releases the descriptor even when close reports EINTR, so it is never retried.
    close(fd_);
    fd_ = -1;
  }
}

bool SendAll(int socket, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(sent));
  }
  return true;
}

Received ReceiveUntil(int socket, std::span<std::uint8_t> bytes, Deadline deadline,
                      FirstRead firstRead) {
  return ReceiveAnswer(
      socket, bytes, 0, [&](std::size_t) { return bytes.size(); }, deadline, firstRead);
}

Received ReceiveAnswer(int socket, std::span<std::uint8_t> bytes, std::size_t count,
                       const std::function<std::size_t(std::size_t count)>& wanted,
                       Deadline deadline, FirstRead firstRead) {
  bool readWaits = firstRead == FirstRead::kWaitingOnTheSocket;
  bool pollFirst = false;  // the first read goes ahead; after it, only a poll tells of more
  for (std::size_t until = wanted(count); count < until; until = wanted(count)) {
    if (until > bytes.size()) return {Received::End::kBroken, count};
    if (pollFirst) {
      const auto left = std::max(
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
          std::chrono::milliseconds(0));
      if (left.count() == 0) return {Received::End::kTimedOut, count};
      pollfd readable{socket, POLLIN, 0};
      const int ready = poll(&readable, 1, static_cast<int>(left.count()));
      if (ready < 0 && errno != EINTR) return {Received::End::kBroken, count};
      if (ready <= 0) continue;  // interrupted or woken early: the deadline decides
    }
    const ssize_t got =
        recv(socket, bytes.data() + count, bytes.size() - count, readWaits ? 0 : MSG_DONTWAIT);
    readWaits = false;
    pollFirst = true;
    if (got < 0) {
      // Nothing yet (EAGAIN, also when a blocking read's time-out ran out) or interrupted.
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return {Received::End::kBroken, count};
    }
    if (got == 0) return {Received::End::kBroken, count};
    count += static_cast<std::size_t>(got);
  }
  return {Received::End::kComplete, count};
}

bool ReceiveAll(int socket, std::span<std::uint8_t> bytes, Deadline deadline) {
  return ReceiveUntil(socket, bytes, deadline).end == Received::End::kComplete;
}

}  // namespace veltrano
