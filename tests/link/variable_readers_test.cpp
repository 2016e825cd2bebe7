#include "link/variable_readers.h"

#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

using testing::FakeLinkTransport;
using testing::FakeMsgBox;

struct ReaderCase {
  const char* name;
  void (VariableReaders::*read)(double&);
  std::int32_t code;
  std::string messageText;
};

void PrintTo(const ReaderCase& c, std::ostream* out) { *out << c.name; }

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {
 protected:
  // Makes one read into a field that held `before`.
  double ReadInto(double before) {
    double field = before;
    (readers.*GetParam().read)(field);
    return field;
  }

  FakeLinkTransport desktop;
  LinkClient link{desktop};
  FakeMsgBox boxes;
  VariableReaders readers{link, boxes};
};

TEST_P(ReaderTest, StoresTheFloatOfItsOwnVariableOrZeroWithoutOne) {
  // Other codes get a plain status answer: no value.
  desktop.serve = [&](std::int32_t code) {
    return code == GetParam().code ? desktop.NewAtom(testing::FloatReplyText(-12.25, 0x1234)) : 3;
  };
  EXPECT_EQ(ReadInto(3.0), -12.25);
  desktop.serverWindow = 0;  // the server goes: no answer, then no server at all
  EXPECT_EQ(ReadInto(3.0), 0.0);
  EXPECT_EQ(ReadInto(3.0), 0.0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ReaderTest, FailedRequestIsShownAndLeavesTheField) {
  // The link's own Error, then a failure of the desktop underneath it.
  bool failed = false;
  desktop.serve = [&](std::int32_t) -> std::int64_t {
    if (std::exchange(failed, true)) throw std::runtime_error("window message failed");
    return 40000;
  };
  EXPECT_EQ(ReadInto(17.0), 17.0);
  EXPECT_EQ(ReadInto(18.0), 18.0);
  const std::string text = GetParam().messageText;
  const std::vector<FakeMsgBox::Box> expected = {
      {text + "\r\rOverflow", 16, "VELTRANO"},
      {text + "\r\rwindow message failed", 16, "VELTRANO"}};
  EXPECT_EQ(boxes.shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, ReaderTest,
    ::testing::Values(
        ReaderCase{"Pitch", &VariableReaders::ReadPitch, 77, "Errore in routine BECCHEGGIO!"},
        ReaderCase{"Roll", &VariableReaders::ReadRoll, 79, "Errore in routine ROLLIO!"},
        ReaderCase{"Slip", &VariableReaders::ReadSlip, 70, "Errore in routine SBANDOMETRO!"},
        ReaderCase{"Rpm", &VariableReaders::ReadRpm, 135, "Errore in routine RPM!"},
        ReaderCase{"Speed", &VariableReaders::ReadSpeed, 61, "Errore in routine SPEED!"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrano
