#include "link/variable_readers.h"

#include <algorithm>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "protocol/box_title.h"

namespace veltrano {

namespace {

// Every reader asks for a 64-bit float.
constexpr std::string_view kFloatType = "n";

double AsDouble(const LinkValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  if (const auto* integer = std::get_if<std::int32_t>(&value)) return *integer;
  return 0.0;
}

}  // namespace

VariableReaders::VariableReaders(LinkClient& link, MsgBox& boxes,
                                 std::chrono::milliseconds answerWait)
    : link_(link), boxes_(boxes), answerWait_(answerWait) {}

void VariableReaders::BeginTick() {
  const Deadline answersBy = std::chrono::steady_clock::now() + answerWait_;
  serverThere_ = true;
  std::array<std::int32_t, 5> codes{};
  std::vector<std::int32_t> late = link_.CollectLateAnswers();
  for (std::size_t i = 0; i < inTickOrder_.size(); ++i) {
    Variable& variable = *inTickOrder_[i];
    variable.sample = false;
    codes[i] = variable.code;
    if (serverThere_ && std::ranges::find(late, variable.code) != late.end()) Take(variable);
  }
  if (serverThere_) serverThere_ = link_.SendAhead(codes, answersBy);
}

void VariableReaders::EndTick() { link_.SendHeld(); }

void VariableReaders::EndRun() { link_.EndExchanges(); }

bool VariableReaders::ReadPitch(double& field) { return Read(pitch_, field); }
bool VariableReaders::ReadRoll(double& field) { return Read(roll_, field); }
bool VariableReaders::ReadSlip(double& field) { return Read(slip_, field); }
bool VariableReaders::ReadRpm(double& field) { return Read(rpm_, field); }
bool VariableReaders::ReadSpeed(double& field) { return Read(speed_, field); }

bool VariableReaders::Read(Variable& variable, double& field) {
  if (!serverThere_) {
    // Once the server is found missing, the rest of the tick reads it so without asking.
    variable.reading = 0.0;
    variable.sample = false;
  } else if (!Take(variable)) {
    return false;  // shown in a box; the field keeps what it held
  }
  field = variable.reading;
  return variable.sample;
}

bool VariableReaders::Take(Variable& variable) {
  // The tick must go on after a failed read, so the failure ends here, shown to the person.
  try {
    LinkValue value;
    std::string replyText;
    std::int32_t replyHeader = 0;
    const std::int16_t status =
        link_.LinkRequest(variable.code, kFloatType, value, replyText, replyHeader);
    switch (link_.LastDelivery()) {
      case Delivery::kNoAnswerInTime:
        break;  // the reading before it stands until the answer comes
      case Delivery::kNoWindow:
        serverThere_ = false;
        variable.reading = 0.0;
        variable.sample = false;
        break;
      case Delivery::kAnswered:
        variable.reading = AsDouble(value);
        variable.sample = status == 0;
        break;
    }
    return true;
  } catch (const std::exception& error) {
    const std::string prompt = std::string(variable.messageText) + "\r\r" + error.what();
    boxes_.Show(prompt, kCritical, kBoxTitle);
    return false;
  }
}

}  // namespace veltrano
