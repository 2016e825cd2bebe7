#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>

#include "udp_socket.h"

namespace veltrano::testing {

// A stand-in for X-Plane's UDP data output on a free loopback port, for one subscriber: answers
// RREF subscriptions (index i is pitch, bank, slip, rpm, speed) with one RREF datagram of all
// the subscribed values at the requested rate; frequency 0 ends a subscription. Quit forgets the
// subscriptions, as a simulator that is closed does; Launch starts again on the same port.
class FakeXPlane {
 public:
  // Called on the fake's own thread after each datagram of values has gone out, with the moment
  // just before it was sent and the values it carried: what a measurement of delays starts from.
  using SendReport =
      std::function<void(std::chrono::steady_clock::time_point, const std::array<float, 5>&)>;

  explicit FakeXPlane(SendReport onSend = {}) : onSend_(std::move(onSend)) { Launch(); }
  ~FakeXPlane() { Quit(); }

  std::uint16_t Port() const { return port_; }
  void Fly(const std::array<float, 5>& values);
  void Launch();
  void Quit() { server_ = {}; }                             // asks the thread to stop and joins it
  int Unsubscriptions() const { return unsubscriptions_; }  // requests with frequency 0

 private:
  void Serve(std::stop_token stop, simserver::UdpSocket& socket);

  const SendReport onSend_;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::array<float, 5> values_{};
  std::atomic<int> unsubscriptions_ = 0;
  std::jthread server_;
};

}  // namespace veltrano::testing
