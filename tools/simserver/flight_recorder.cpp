#include "flight_recorder.h"

#include <charconv>
#include <sstream>
#include <utility>

#include "platform/error.h"

namespace veltrano::simserver {

namespace {

std::string Shortest(double number) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, number).ptr);
}

}  // namespace

FlightRecorder::FlightRecorder(const FlightSource& flight, std::function<double()> flightSeconds,
                               const std::string& path)
    : flight_(flight), flightSeconds_(std::move(flightSeconds)), file_(path) {
  if (!(file_ << "time_s,pitch,bank,slip,rpm,speed\n" << std::flush)) {
    throw Error(path + ": cannot be written");
  }
}

void FlightRecorder::Start() {
  if (recorder_.joinable()) return;
  recorder_ = std::jthread([this](std::stop_token stop) { Record(stop); });
}

void FlightRecorder::Stop() {
  if (!recorder_.joinable()) return;
  recorder_.request_stop();
  recorder_.join();
}

std::uint64_t FlightRecorder::Rows() const {
  const std::lock_guard lock(mutex_);
  return rows_;
}

bool FlightRecorder::WriteFailed() const {
  const std::lock_guard lock(mutex_);
  return writeFailed_;
}

void FlightRecorder::Record(std::stop_token stop) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  Clock::time_point next = start;
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    const bool written = WriteRow(std::chrono::duration<double>(Clock::now() - start).count());
    lock.lock();
    if (!written) {
      writeFailed_ = true;
      return;
    }
    ++rows_;
    const Clock::time_point now = Clock::now();
    do {
      next += kRowInterval;
    } while (next <= now);
    // Wakes at the next row's time, or at once when asked to stop.
    wake_.wait_until(lock, stop, next, [] { return false; });
    if (stop.stop_requested()) return;
  }
}

bool FlightRecorder::WriteRow(double time) {
  const FlightValues values = flight_.At(flightSeconds_());
  std::ostringstream row;
  row << Shortest(time) << ',' << Shortest(values.pitch) << ',' << Shortest(values.bank) << ','
      << Shortest(values.slip) << ',' << Shortest(values.rpm) << ',' << Shortest(values.speed)
      << '\n';
  return static_cast<bool>(file_ << row.str() << std::flush);
}

}  // namespace veltrano::simserver
