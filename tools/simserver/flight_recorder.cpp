#include "flight_recorder.h"

#include <charconv>

#include "platform/error.h"

namespace veltrano::simserver {

namespace {

std::string Shortest(double number) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, number).ptr);
}

}  // namespace

FlightRecorder::FlightRecorder(const FlightSource& flight, const std::string& path)
    : flight_(flight), file_(path) {
  if (!(file_ << "time_s,pitch,bank,slip,rpm,speed\n" << std::flush)) {
    throw Error(path + ": cannot be written");
  }
}

FlightValues FlightRecorder::At(double seconds) const {
  const FlightValues values = flight_.At(seconds);
  const double time = seconds - firstServed_.value_or(seconds);
  if (!firstServed_) firstServed_ = seconds;
  if (time > lastRow_) {
    lastRow_ = time;
    file_ << Shortest(time) << ',' << Shortest(values.pitch) << ',' << Shortest(values.bank) << ','
          << Shortest(values.slip) << ',' << Shortest(values.rpm) << ',' << Shortest(values.speed)
          << '\n'
          << std::flush;
  }
  return values;
}

}  // namespace veltrano::simserver
