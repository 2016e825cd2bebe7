#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "flight_source.h"

namespace veltrano::simserver {

// Records the flight that simserver serves, 20 rows a second on a thread of its own, whether or
// not any client asks: rows of time_s,pitch,bank,slip,rpm,speed that ReplayTrack plays back, the
// time counted from the first row, each number in the shortest form that reads back exactly.
// A late row is written at once and the rows it was late for are left out, so the recording
// never holds more than 20 rows a second. Each row is flushed at once, so a recording survives
// simserver being killed.
class FlightRecorder {
 public:
  static constexpr std::chrono::milliseconds kRowInterval{50};

  // `flightSeconds` gives the moment of `flight` that is served at the time it is called. Writes
  // the header; raises Error when the file cannot be written.
  FlightRecorder(const FlightSource& flight, std::function<double()> flightSeconds,
                 const std::string& path);
  ~FlightRecorder() { Stop(); }
  FlightRecorder(const FlightRecorder&) = delete;
  FlightRecorder& operator=(const FlightRecorder&) = delete;

  // Writes the first row at once, and then a row every interval until Stop.
  void Start();
  // Stops recording; does nothing when not recording.
  void Stop();

  // Rows written whole so far; with WriteFailed, the file took no more after these.
  std::uint64_t Rows() const;
  bool WriteFailed() const;

 private:
  void Record(std::stop_token stop);
  bool WriteRow(double time);

  const FlightSource& flight_;
  const std::function<double()> flightSeconds_;
  std::ofstream file_;  // written by the recording thread alone while it runs

  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::uint64_t rows_ = 0;
  bool writeFailed_ = false;
  std::jthread recorder_;
};

}  // namespace veltrano::simserver
