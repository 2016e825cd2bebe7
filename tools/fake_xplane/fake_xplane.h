#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "udp_socket.h"

namespace veltrano::testing {

// A stand-in for X-Plane's UDP data output on a free loopback port, for one subscriber: answers
// RREF subscriptions (index i is pitch, bank, slip, rpm, speed) with one RREF datagram of all
// the subscribed values at the requested rate; frequency 0 ends a subscription. Quit forgets the
// subscriptions, as a simulator that is closed does; Launch starts again on the same port.
class FakeXPlane {
 public:
  FakeXPlane() { Launch(); }
  ~FakeXPlane() { Quit(); }

  std::uint16_t Port() const { return port_; }
  void Fly(const std::array<float, 5>& values);
  void Launch();
  void Quit() { server_ = {}; }                             // asks the thread to stop and joins it
  int Unsubscriptions() const { return unsubscriptions_; }  // requests with frequency 0

 private:
  void Serve(std::stop_token stop, simserver::UdpSocket& socket);

  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::array<float, 5> values_{};
  std::atomic<int> unsubscriptions_ = 0;
  std::jthread server_;
};

}  // namespace veltrano::testing
