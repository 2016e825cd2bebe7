// A recorded flight is read from a file a person wrote or edited: any text is either refused
// with a message naming the source, or gives a track whose values are finite at every time.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "platform/error.h"
#include "replay_track.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
  try {
    const auto track = veltrano::simserver::ReplayTrack::Parse(text, "flight.csv");
    for (const double seconds : {-1.0, 0.0, 0.05, 1.0, 59.95, 1e6}) {
      const auto values = track.At(seconds);
      for (const double value :
           {values.pitch, values.bank, values.slip, values.rpm, values.speed}) {
        FUZZ_CHECK(std::isfinite(value));
      }
      FUZZ_CHECK(values.bank >= 0.0 && values.bank < 360.0);
    }
  } catch (const veltrano::Error& error) {
    FUZZ_CHECK(std::string(error.what()).rfind("flight.csv", 0) == 0);
  }
  return 0;
}
