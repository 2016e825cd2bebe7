// flight-check through its own entry point: short flights whose cues are known, and the inputs
// it refuses. Each test runs in a fresh working directory, where a SETUPSIM.CAP would be found.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "flight_check.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

// PITCHING, ROLLING, ACCELERATION, SLIP, VIBRATION; port; 255 - pitch centre; roll centre; levels.
const char* const kCentresMovedLevels1And4 =
    "1\r\n1\r\n0\r\n0\r\n1\r\n 3 \r\n 155 \r\n 140 \r\n 1 \r\n 4 \r\n";
const char* const kAccelerationOnly =
    "0\r\n0\r\n1\r\n0\r\n1\r\n 1 \r\n 127 \r\n 128 \r\n 3 \r\n 3 \r\n";

class FlightCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Another run of the suite may be testing beside this one.
    std::random_device random;
    do {
      directory_ = fs::temp_directory_path() / ("flight-check-test-" + std::to_string(random()));
    } while (!fs::create_directory(directory_));
    previous_ = fs::current_path();
    fs::current_path(directory_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(directory_);
  }

  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return flight_check::RunFlightCheck(args, out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;

 private:
  fs::path directory_;
  fs::path previous_;
};

void Write(const std::string& file, const std::string& content) {
  std::ofstream(file, std::ios::binary) << content;
}

std::string Read(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// An axis's figures from the JSON, in the order of the table: min, max, position_min,
// position_max, at_limit_s, largest_step.
std::string AxisFigures(const std::string& json, const std::string& axis) {
  std::smatch object;
  if (!std::regex_search(json, object, std::regex("\"" + axis + "\": \\{([^}]*)\\}"))) {
    return "no " + axis;
  }
  const std::string fields = object[1];
  std::string figures;
  for (const char* key :
       {"min", "max", "position_min", "position_max", "at_limit_s", "largest_step"}) {
    std::smatch value;
    std::regex_search(fields, value, std::regex("\"" + std::string(key) + "\": ([-0-9.]+)"));
    figures += (figures.empty() ? "" : " ") + value[1].str();
  }
  return figures;
}

struct FlightCase {
  const char* name;
  const char* flight;
  const char* settings;  // none: no settings file, the defaults
  const char* pitch;
  const char* roll;
  const char* vibration;
  const char* pitchVerdict;
};

const FlightCase kFlights[] = {
    // Pitch 10, bank 30 and 2600 rpm: cues 113, 85 and 40, sent from centres 100 and 140.
    {"Constant", "0,10,30,-500,2600,120\n1,10,30,-500,2600,120\n", kCentresMovedLevels1And4,
     "113 113 85 85 0.00 0", "85 85 97 97 0.00 0", "40 40 40 40 0.00 0", "pitch: ok"},
    // Pitch rises 20 degrees a second: the cue reaches 0 at 90 degrees, after 4.5 s, and stays
    // there; it falls 1.42 a packet, within level 3's 6.4 but not level 1's 1.6. The bank
    // turns round through level flight, whichever way it is written, and rpm over 16640 is
    // sent as 255.
    {"RampThroughALimit",
     "time_s,pitch,bank,slip,rpm,speed\n0,0,350,0,16000,100\n10,200,10,0,17000,100\n", nullptr,
     "0 128 0 128 5.50 2", "113 141 113 141 0.00 1", "246 255 246 255 4.25 1",
     "pitch: WARNING: at a limit for 5.50 s, first at 4.50 s: 0 for 5.50 s\n"},
    // The same pitch from centre 100: the axis reaches the end of its travel 20 packets before
    // the cue reaches its limit, and every step of 2 is too fast for level 1.
    {"RampFromAMovedCentreAtLevel1", "0,0,0,0,0,100\n10,200,0,0,0,100\n", kCentresMovedLevels1And4,
     "0 128 0 100 5.50 2", "127 127 139 139 0.00 0", "0 0 0 0 10.00 0",
     "its centre sends it to an end of its travel for 1.00 s, first at 3.50 s; moves more than "
     "level 1 allows (1.6 a packet) in 38 packets, by up to 2 at 0.05 s"},
    // A speed step of 0.505 knots in one packet is a surge of 50.5 on that packet alone; the
    // first packet has no earlier speed and adds none.
    {"AccelerationSpeedStep",
     "0,0,0,0,0,100\n1,0,0,0,0,100\n1.05,0,0,0,0,100.505\n2,0,0,0,0,100.505\n", kAccelerationOnly,
     "128 178 128 178 0.00 50", "128 128 128 128 0.00 0", "0 0 0 0 2.00 0",
     "moves more than level 3 allows (6.4 a packet) in 2 packets, by up to 50 at 1.05 s"},
};

void PrintTo(const FlightCase& c, std::ostream* out) { *out << c.name; }

class FlightTableTest : public FlightCheckTest, public ::testing::WithParamInterface<FlightCase> {};

TEST_P(FlightTableTest, GivesTheFiguresOfTheCues) {
  const FlightCase& c = GetParam();
  Write("flight.csv", c.flight);
  if (c.settings) Write("SETUPSIM.CAP", c.settings);
  ASSERT_EQ(Run({"flight.csv", "--json", "figures.json"}), 0) << err_.str();
  const std::string json = Read("figures.json");
  EXPECT_EQ(AxisFigures(json, "pitch"), c.pitch) << json;
  EXPECT_EQ(AxisFigures(json, "roll"), c.roll) << json;
  EXPECT_EQ(AxisFigures(json, "vibration"), c.vibration) << json;
  EXPECT_NE(out_.str().find(c.pitchVerdict), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find(c.settings ? "settings: SETUPSIM.CAP;" : "settings: the defaults"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Flights, FlightTableTest, ::testing::ValuesIn(kFlights),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlightCheckTest, RefusesBadInputWithStatus2AndSaysWhy) {
  Write("flight.csv", "0,0,0,0,0,0\n1,0,0,0,0,0\n");
  Write("malformed.csv", "time_s,pitch,bank,slip,rpm,speed\n0,0,0,0,0,0\n1,0,0,0,0\n");
  Write("empty.csv", "time_s,pitch,bank,slip,rpm,speed\n");
  fs::create_directory("folder");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
    {{}, "FLIGHT.csv is required"},
    {{"missing.csv"}, "missing.csv: cannot be read"},
    {{"folder"}, "folder: is a directory"},
    {{"malformed.csv"}, "malformed.csv line 3: expected 6 columns"},
    {{"empty.csv"}, "empty.csv: no rows"},
    {{"flight.csv", "--settings", "missing.cap"}, "missing.cap: cannot be read"},
    {{"flight.csv", "--json", "folder"}, "--json: cannot write folder"},
#if !FLIGHT_CHECK_PICTURES
    {{"flight.csv", "--picture", "flight.png"}, "--picture: this build of flight-check draws no"},
#endif
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
  }
}

}  // namespace
}  // namespace veltrano
