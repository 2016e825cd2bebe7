#pragma once

#include <fstream>
#include <optional>
#include <string>

#include "flight_source.h"

namespace veltrano::simserver {

// Serves another flight source and writes every moment it serves as a row of a recording that
// ReplayTrack plays back: time_s,pitch,bank,slip,rpm,speed, the time counted from the first
// moment served, each number in the shortest form that reads back exactly. Moments that do not
// come later than the last row (a held flight) add no row. Each row is flushed at once, so a
// recording survives simserver being killed.
class FlightRecorder final : public FlightSource {
 public:
  // Raises Error when the file cannot be written.
  FlightRecorder(const FlightSource& flight, const std::string& path);

  FlightValues At(double seconds) const override;

 private:
  const FlightSource& flight_;
  mutable std::ofstream file_;
  mutable std::optional<double> firstServed_;
  mutable double lastRow_ = -1.0;
};

}  // namespace veltrano::simserver
