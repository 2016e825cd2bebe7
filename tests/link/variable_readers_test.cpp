#include "link/variable_readers.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/link/link_fakes.h"

namespace veltrano {
namespace {

using testing::FakeMsgBox;

const std::tuple<bool (VariableReaders::*)(double&), std::int32_t, std::string> kReaders[] = {
    {&VariableReaders::ReadPitch, 77, "Errore in routine BECCHEGGIO!"},
    {&VariableReaders::ReadRoll, 79, "Errore in routine ROLLIO!"},
    {&VariableReaders::ReadSlip, 70, "Errore in routine SBANDOMETRO!"},
    {&VariableReaders::ReadRpm, 135, "Errore in routine RPM!"},
    {&VariableReaders::ReadSpeed, 61, "Errore in routine SPEED!"}};

TEST(VariableReadersTest, EachStoresItsOwnFloatOrZeroHoldsItWhileLateAndShowsAFailure) {
  for (const auto& [read, code, text] : kReaders) {
    SCOPED_TRACE(text);
    testing::FakeLinkTransport desktop;
    LinkClient link(desktop);
    FakeMsgBox boxes;
    VariableReaders readers(link, boxes);
    // How the server takes each request for this reader's variable; other variables get 0.
    const std::function<std::int64_t()> kFloat = [&] {
      return desktop.NewAtom(testing::FloatReplyText(-12.25));
    };
    const struct Step {
      Delivery delivery;
      std::function<std::int64_t()> answer;
      double fieldAfter;  // the field holds 3.0 before each read
      bool fromServer;
    } steps[] = {
        {Delivery::kAnswered, kFloat, -12.25, true},
        {Delivery::kAnswered, [] { return 40000; }, 3.0, false},  // a box; the field as it was
        {Delivery::kAnswered, []() -> std::int64_t { throw std::runtime_error("message failed"); },
         3.0, false},
        {Delivery::kNoAnswerInTime, kFloat, -12.25, false},  // the last reading, held
        {Delivery::kAnswered, [] { return 3; }, 0.0, false},
        {Delivery::kNoAnswerInTime, kFloat, 0.0, false},
        {Delivery::kAnswered, kFloat, -12.25, true},
        {Delivery::kNoWindow, kFloat, 0.0, false},
        {Delivery::kNoAnswerInTime, kFloat, 0.0, false},
    };
    for (const Step& step : steps) {
      desktop.serve = [&](std::int32_t asked) { return asked == code ? step.answer() : 0; };
      desktop.deliver = [&](std::int32_t) { return step.delivery; };
      double field = 3.0;
      readers.BeginTick();
      EXPECT_EQ((readers.*read)(field), step.fromServer);
      EXPECT_EQ(field, step.fieldAfter);
    }
    const std::vector<FakeMsgBox::Box> expected = {{text + "\r\rOverflow", 16, "VELTRANO"},
                                                   {text + "\r\rmessage failed", 16, "VELTRANO"}};
    EXPECT_EQ(boxes.shown, expected);
  }
}

}  // namespace
}  // namespace veltrano
