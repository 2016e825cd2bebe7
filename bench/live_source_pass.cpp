#include "live_source_pass.h"

#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "child_process/child_process.h"
#include "fake_xplane.h"
#include "live_easing.h"

namespace veltrano::bench {
namespace {

using Seconds = std::chrono::duration<double>;

// What the fake reports of its datagrams: the first one to carry each new pitch, and how many
// went when. Filled on the fake's thread.
class SentLevels {
 public:
  void Sent(BenchClock::time_point when, float pitch) {
    const std::lock_guard lock(mutex_);
    if (datagrams_++ == 0) {
      first_ = when;
      started_.notify_all();
    } else if (pitch != pitch_) {
      // The first datagram's level is no step: the emulator eases into live values from it.
      changes_.push_back({when, PitchByte(pitch)});
    }
    pitch_ = pitch;
    last_ = when;
  }

  // The moment of the first datagram, once there is one; nothing when `stop` comes first.
  std::optional<BenchClock::time_point> First(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (!started_.wait(lock, stop, [&] { return datagrams_ > 0; })) return std::nullopt;
    return first_;
  }

  std::vector<LevelChange> Changes() {
    const std::lock_guard lock(mutex_);
    return changes_;
  }

  double PerSecond() {
    const std::lock_guard lock(mutex_);
    return datagrams_ < 2 ? 0.0 : double(datagrams_ - 1) / Seconds(last_ - first_).count();
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any started_;
  std::size_t datagrams_ = 0;
  float pitch_ = 0;
  BenchClock::time_point first_;
  BenchClock::time_point last_;
  std::vector<LevelChange> changes_;
};

std::array<float, 5> Flight(double pitch) {
  return {static_cast<float>(pitch), 0.0f, 0.0f, 2000.0f, 100.0f};
}

// Steps the fake's pitch through the levels from when the emulator's glide into the first live
// values is over, until stopped.
void Step(std::stop_token stop, testing::FakeXPlane& xplane, SentLevels& sent) {
  const auto first = sent.First(stop);
  if (!first) return;
  const auto start = *first + std::chrono::duration_cast<BenchClock::duration>(
                                  Seconds(simserver::LiveEasing::kResume + 0.5));
  std::mutex mutex;
  std::condition_variable_any wake;
  for (std::size_t step = 1; !stop.stop_requested(); ++step) {
    const auto at = start + std::chrono::duration_cast<BenchClock::duration>(
                                Seconds(kStepEvery * double(step - 1)));
    std::unique_lock lock(mutex);
    wake.wait_until(lock, stop, at, [] { return false; });
    if (stop.stop_requested()) return;
    xplane.Fly(Flight(PitchAfterStep(step)));
  }
}

}  // namespace

LiveSourcePass RunLiveSourcePass(PacketStream& program, std::size_t ticks) {
  SentLevels sent;
  // Before the emulator, which unsubscribes from it as it ends.
  testing::FakeXPlane xplane([&](BenchClock::time_point when, const std::array<float, 5>& values) {
    sent.Sent(when, values[0]);
  });
  xplane.Fly(Flight(PitchAfterStep(0)));
  testing::ChildProcess server(SIMSERVER_PATH,
                               {"--xplane", "127.0.0.1:" + std::to_string(xplane.Port())});
  if (const std::string ready = server.ReadLine(); !ready.starts_with("simserver ready")) {
    throw std::runtime_error("simserver: " + ready);
  }
  std::jthread stepper([&](std::stop_token stop) { Step(stop, xplane, sent); });
  testing::ChildProcess veltrano(TIMED_VELTRANO_PATH, {std::to_string(ticks), "live-ticks.txt"});
  PacketStream* const streams[] = {&program};
  Record(streams, ticks);
  veltrano.ReadLine(std::chrono::seconds(30));
  if (veltrano.Wait() != 0) throw std::runtime_error("the live run failed");
  stepper = {};
  server.Interrupt();
  server.ReadRest();
  server.Wait();
  return {StepLatencies(program.TakeArrivals(), sent.Changes()), sent.PerSecond()};
}

}  // namespace veltrano::bench
