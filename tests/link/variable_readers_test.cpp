#include "link/variable_readers.h"

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

TEST(VariableReadersTest, EachStoresItsOwnFloatOrZeroAndShowsAFailureLeavingTheField) {
  for (const auto& [read, code, text] : kReaders) {
    SCOPED_TRACE(text);
    testing::FakeLinkTransport desktop;
    LinkClient link(desktop);
    FakeMsgBox boxes;
    VariableReaders readers(link, boxes);
    // Its own variable's float, the link's own Error, a failure of the desktop under it, then a
    // plain status answer. Other variables get no answer: no value.
    int calls = 0;
    desktop.serve = [&](std::int32_t asked) -> std::int64_t {
      if (asked != code) return 0;
      if (++calls == 3) throw std::runtime_error("window message failed");
      return calls == 1 ? desktop.NewAtom(testing::FloatReplyText(-12.25)) : calls == 2 ? 40000 : 3;
    };
    const auto readInto = [&](double field) {
      const bool fromServer = (readers.*read)(field);
      return std::pair(field, fromServer);
    };
    EXPECT_EQ(readInto(3.0), std::pair(-12.25, true));
    EXPECT_EQ(readInto(17.0), std::pair(17.0, false));
    EXPECT_EQ(readInto(18.0), std::pair(18.0, false));
    EXPECT_EQ(readInto(3.0), std::pair(0.0, false));
    desktop.serverWindow = 0;  // the server goes
    EXPECT_EQ(readInto(3.0), std::pair(0.0, false));
    const std::vector<FakeMsgBox::Box> expected = {
        {text + "\r\rOverflow", 16, "VELTRANO"},
        {text + "\r\rwindow message failed", 16, "VELTRANO"}};
    EXPECT_EQ(boxes.shown, expected);
  }
}

}  // namespace
}  // namespace veltrano
