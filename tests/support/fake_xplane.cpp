#include "fake_xplane.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <map>
#include <set>
#include <string>

namespace veltrano::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::int32_t Int32At(const std::string& bytes, std::size_t at) {
  std::uint32_t word = 0;
  for (std::size_t i = 4; i-- > 0;) word = (word << 8) | static_cast<unsigned char>(bytes[at + i]);
  return static_cast<std::int32_t>(word);
}

void Append(std::string& bytes, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(word >> shift);
}

struct Subscriber {
  std::set<std::int32_t> indices;
  Clock::duration interval;
  Clock::time_point next;
};

}  // namespace

void FakeXPlane::Fly(const std::array<float, 5>& values) {
  const std::lock_guard lock(mutex_);
  values_ = values;
}

void FakeXPlane::Launch() {
  socket_ = std::make_unique<simserver::UdpSocket>(simserver::UdpEndpoint{0x7F000001, port_});
  port_ = socket_->Local().port;
  server_ = std::jthread([this](std::stop_token stop) { Serve(stop, *socket_); });
}

void FakeXPlane::Quit() {
  server_ = {};  // asks the thread to stop and joins it
  socket_.reset();
}

int FakeXPlane::Subscriptions() const {
  const std::lock_guard lock(mutex_);
  return subscriptions_;
}

int FakeXPlane::Unsubscriptions() const {
  const std::lock_guard lock(mutex_);
  return unsubscriptions_;
}

void FakeXPlane::Serve(std::stop_token stop, simserver::UdpSocket& socket) {
  std::map<std::pair<std::uint32_t, std::uint16_t>, Subscriber> subscribers;
  while (!stop.stop_requested()) {
    auto wait = std::chrono::milliseconds(20);
    const auto now = Clock::now();
    for (auto& [to, subscriber] : subscribers) {
      if (now >= subscriber.next) {
        std::string reply = "RREF,";
        const std::lock_guard lock(mutex_);
        for (const std::int32_t index : subscriber.indices) {
          Append(reply, static_cast<std::uint32_t>(index));
          Append(reply, std::bit_cast<std::uint32_t>(values_.at(static_cast<std::size_t>(index))));
        }
        socket.SendTo({to.first, to.second}, reply);
        subscriber.next = std::max(subscriber.next + subscriber.interval, now);
      }
      wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(subscriber.next - now));
    }
    const auto request = socket.Receive(std::max(wait, std::chrono::milliseconds(1)));
    if (!request || request->bytes.size() != 413 || !request->bytes.starts_with("RREF")) continue;
    const std::int32_t frequency = Int32At(request->bytes, 5);
    const std::int32_t index = Int32At(request->bytes, 9);
    const std::pair key{request->from.address, request->from.port};
    const std::lock_guard lock(mutex_);
    if (frequency > 0) {
      ++subscriptions_;
      Subscriber& subscriber = subscribers[key];
      subscriber.indices.insert(index);
      subscriber.interval = std::chrono::microseconds(1'000'000 / frequency);
    } else {
      ++unsubscriptions_;
      if (subscribers.contains(key) && subscribers[key].indices.erase(index) &&
          subscribers[key].indices.empty()) {
        subscribers.erase(key);
      }
    }
  }
}

}  // namespace veltrano::testing
