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

Received ReceiveUntil(int socket, std::span<std::uint8_t> bytes, Deadline deadline) {
  std::size_t count = 0;
  while (count < bytes.size()) {
    const auto left = std::max(
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
        std::chrono::milliseconds(0));
    pollfd wanted{socket, POLLIN, 0};
    const int ready = poll(&wanted, 1, static_cast<int>(left.count()));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return {Received::End::kBroken, count};
    }
    if (ready == 0) {
      if (left.count() == 0) return {Received::End::kTimedOut, count};
      continue;  // woken early: the deadline decides
    }
    const ssize_t got = recv(socket, bytes.data() + count, bytes.size() - count, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
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
