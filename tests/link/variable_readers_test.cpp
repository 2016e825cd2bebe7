#include "link/variable_readers.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/link/fake_link_transport.h"
#include "tests/link/fake_msg_box.h"

namespace veltrano {
namespace {

using testing::FakeLinkTransport;
using testing::FakeMsgBox;
using testing::FloatReplyText;
using Reply = FakeLinkTransport::Reply;

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

TEST_P(ReaderTest, StoresTheServersFloatFromItsOwnVariable) {
  desktop.SetReply(GetParam().code, Reply::NewAtom(FloatReplyText(-12.25, 0x1234)));
  EXPECT_EQ(ReadInto(3.0), -12.25);
  ASSERT_EQ(desktop.sent.size(), 1u);
  EXPECT_EQ(desktop.sent[0].lParam, GetParam().code);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ReaderTest, NoServerGivesZeroSilently) {
  desktop.serverWindow = 0;
  EXPECT_EQ(ReadInto(3.0), 0.0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ReaderTest, StatusAnswerGivesZeroNotTheEarlierValue) {
  desktop.QueueReply(Reply::NewAtom(FloatReplyText(55.0)));
  desktop.QueueReply(Reply::Answer(3));
  EXPECT_EQ(ReadInto(3.0), 55.0);
  EXPECT_EQ(ReadInto(55.0), 0.0);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_P(ReaderTest, FailedRequestIsShownAndLeavesTheField) {
  const std::string text = GetParam().messageText;
  desktop.QueueReply(Reply::Answer(40000));
  desktop.QueueReply(Reply::NewAtom("0000000000G1"));
  desktop.QueueReply(Reply::Failure("window message failed"));
  EXPECT_EQ(ReadInto(17.0), 17.0);
  EXPECT_EQ(ReadInto(18.0), 18.0);
  EXPECT_EQ(ReadInto(19.0), 19.0);
  const std::vector<FakeMsgBox::Box> expected = {
      {text + "\r\rOverflow", 16, "VELTRANO"},
      {text + "\r\rType mismatch", 16, "VELTRANO"},
      {text + "\r\rwindow message failed", 16, "VELTRANO"}};
  EXPECT_EQ(boxes.shown, expected);
  EXPECT_EQ(desktop.LiveAtoms(), 0u);
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

TEST(ReadSpeedTest, AsksForAFloatWhateverTheHeader) {
  FakeLinkTransport desktop;
  desktop.SetReply(61, Reply::NewAtom("8765432F000000000000594000"));
  LinkClient link(desktop);
  FakeMsgBox boxes;
  VariableReaders readers(link, boxes);
  double speed = 0;
  readers.ReadSpeed(speed);
  EXPECT_EQ(speed, 100.0);
}

}  // namespace
}  // namespace veltrano
