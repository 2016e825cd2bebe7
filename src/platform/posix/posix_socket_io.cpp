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
  return ReceiveAnswer(
      socket, bytes, 0, [&](std::size_t) { return bytes.size(); }, deadline);
}

Received ReceiveAnswer(int socket, std::span<std::uint8_t> bytes, std::size_t count,
                       const std::function<std::size_t(std::size_t count)>& wanted,
                       Deadline deadline) {
  bool moreMayBeThere = false;  // a read has just brought bytes: the rest may need no wait
  for (std::size_t until = wanted(count); count < until; until = wanted(count)) {
    if (until > bytes.size()) return {Received::End::kBroken, count};  // the peer broke the format
    if (!moreMayBeThere) {
      const auto left = std::max(
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
          std::chrono::milliseconds(0));
      pollfd readable{socket, POLLIN, 0};
      const int ready = poll(&readable, 1, static_cast<int>(left.count()));
      if (ready < 0) {
        if (errno == EINTR) continue;
        return {Received::End::kBroken, count};
      }
      if (ready == 0) {
        if (left.count() == 0) return {Received::End::kTimedOut, count};
        continue;  // woken early: the deadline decides
      }
    }
    // Never more than is wanted, so that nothing is read past the answer.
    const ssize_t got = recv(socket, bytes.data() + count, until - count, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        moreMayBeThere = false;
        continue;
      }
      return {Received::End::kBroken, count};
    }
    if (got == 0) return {Received::End::kBroken, count};
    count += static_cast<std::size_t>(got);
    moreMayBeThere = true;
  }
  return {Received::End::kComplete, count};
}

bool ReceiveAll(int socket, std::span<std::uint8_t> bytes, Deadline deadline) {
  return ReceiveUntil(socket, bytes, deadline).end == Received::End::kComplete;
}

}  // namespace veltrano
