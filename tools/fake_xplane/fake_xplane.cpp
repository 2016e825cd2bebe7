#include "fake_xplane.h"

#include <bit>
#include <chrono>
#include <map>
#include <string>

namespace veltrano::testing {

namespace {

std::uint32_t WordAt(const std::string& bytes, std::size_t at) {
  std::uint32_t word = 0;
  for (std::size_t i = 4; i-- > 0;) word = (word << 8) | static_cast<unsigned char>(bytes[at + i]);
  return word;
}

void Append(std::string& bytes, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(word >> shift);
}

}  // namespace

void FakeXPlane::Fly(const std::array<float, 5>& values) {
  const std::lock_guard lock(mutex_);
  values_ = values;
}

void FakeXPlane::Launch() {
  auto socket = std::make_shared<simserver::UdpSocket>(simserver::UdpEndpoint{0x7F000001, port_});
  port_ = socket->Local().port;
  server_ = std::jthread([this, socket](std::stop_token stop) { Serve(stop, *socket); });
}

void FakeXPlane::Serve(std::stop_token stop, simserver::UdpSocket& socket) {
  using Clock = std::chrono::steady_clock;
  std::map<std::uint32_t, std::int32_t> frequencies;  // by index
  simserver::UdpEndpoint subscriber;
  auto next = Clock::now();
  while (!stop.stop_requested()) {
    if (!frequencies.empty() && Clock::now() >= next) {
      std::string reply = "RREF,";
      const std::lock_guard lock(mutex_);
      for (const auto& [index, frequency] : frequencies) {
        Append(reply, index);
        Append(reply, std::bit_cast<std::uint32_t>(values_.at(index)));
      }
      const auto sent = Clock::now();
      socket.SendTo(subscriber, reply);
      if (onSend_) onSend_(sent, values_);
      next += std::chrono::microseconds(1'000'000 / frequencies.begin()->second);
    }
    const auto request = socket.Receive(std::chrono::milliseconds(2));
    if (!request || request->bytes.size() != 413 || !request->bytes.starts_with("RREF")) continue;
    const auto frequency = static_cast<std::int32_t>(WordAt(request->bytes, 5));
    subscriber = request->from;
    if (frequency > 0) {
      frequencies[WordAt(request->bytes, 9)] = frequency;
      next = std::max(next, Clock::now());
    } else {
      frequencies.erase(WordAt(request->bytes, 9));
      ++unsubscriptions_;
    }
  }
}

}  // namespace veltrano::testing
