#include "flight_picture.h"

#include "platform/error.h"

namespace veltrano::flight_check {

void CheckPicturesAvailable() {
  throw Error("--picture: this build of flight-check draws no pictures (it is built without Qt)");
}

void SaveFlightPicture(const FlightRun&, const FlightFigures&, const std::string&,
                       const std::string&) {
  CheckPicturesAvailable();
}

}  // namespace veltrano::flight_check
