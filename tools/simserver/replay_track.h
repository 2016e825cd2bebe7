#pragma once

#include <istream>
#include <string>
#include <vector>

#include "flight_source.h"

namespace veltrano::simserver {

// A recorded flight: rows of time_s,pitch,bank,slip,rpm,speed, read from CSV text; line 1 may be
// a header of exactly those column names. Between rows the values are interpolated linearly (bank
// through level flight, whichever way its angles are written); before the first row the first one
// holds; at the last row's time the recording starts over.
class ReplayTrack final : public FlightSource {
 public:
  // Raises Error naming the line for text that is not such a recording: a row without six
  // numbers (semicolons instead of commas said as such), times that do not increase, a negative
  // time, or no row at all; Load also for a path that is a directory or cannot be read.
  static ReplayTrack Parse(std::istream& text, const std::string& sourceName);
  static ReplayTrack Load(const std::string& path);

  FlightValues At(double seconds) const override;

  // The time of the last row, where the recording starts over.
  double Length() const { return rows_.back().time; }

 private:
  struct Row {
    double time;
    FlightValues values;  // bank as a signed angle
  };

  explicit ReplayTrack(std::vector<Row> rows) : rows_(std::move(rows)) {}

  std::vector<Row> rows_;
};

}  // namespace veltrano::simserver
