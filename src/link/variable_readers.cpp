#include "link/variable_readers.h"

#include <exception>
#include <string>
#include <variant>

#include "protocol/box_title.h"

namespace veltrano {

namespace {

// Every reader asks for a 64-bit float.
constexpr std::string_view kFloatType = "n";

double AsDouble(const LinkValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  return 0.0;
}

}  // namespace

VariableReaders::VariableReaders(LinkClient& link, MsgBox& boxes) : link_(link), boxes_(boxes) {}

void VariableReaders::BeginTick() { tick_ = Delivery::kAnswered; }

bool VariableReaders::ReadPitch(double& field) { return Read(pitch_, field); }
bool VariableReaders::ReadRoll(double& field) { return Read(roll_, field); }
bool VariableReaders::ReadSlip(double& field) { return Read(slip_, field); }
bool VariableReaders::ReadRpm(double& field) { return Read(rpm_, field); }
bool VariableReaders::ReadSpeed(double& field) { return Read(speed_, field); }

bool VariableReaders::Read(Variable& variable, double& field) {
  // The tick must go on after a failed read, so the failure ends here, shown to the person.
  try {
    LinkValue value;
    std::int16_t status = kNoServerStatus;
    if (tick_ == Delivery::kAnswered) {
      std::string replyText;
      std::int32_t replyHeader = 0;
      status = link_.LinkRequest(variable.code, kFloatType, value, replyText, replyHeader);
      tick_ = link_.LastDelivery();
    }
    // A late answer is no reading: the one before it stands until the server has caught up.
    if (tick_ != Delivery::kNoAnswerInTime) variable.reading = AsDouble(value);
    field = variable.reading;
    return tick_ == Delivery::kAnswered && status == 0;
  } catch (const std::exception& error) {
    const std::string prompt = std::string(variable.messageText) + "\r\r" + error.what();
    boxes_.Show(prompt, kCritical, kBoxTitle);
    return false;
  }
}

}  // namespace veltrano
