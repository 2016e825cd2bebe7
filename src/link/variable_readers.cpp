#include "link/variable_readers.h"

#include <exception>
#include <string>
#include <variant>

namespace veltrano {

namespace {

constexpr std::string_view kBoxTitle = "VELTRANO";

// Every reader asks for a 64-bit float.
constexpr std::string_view kFloatType = "n";

double AsDouble(const LinkValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return *number;
  if (const auto* integer = std::get_if<std::int32_t>(&value)) return *integer;
  return 0.0;
}

}  // namespace

VariableReaders::VariableReaders(LinkClient& link, MsgBox& boxes) : link_(link), boxes_(boxes) {}

void VariableReaders::BeginTick() { serverOutOfReach_ = false; }

bool VariableReaders::ReadPitch(double& field) {
  return Read(77, "Errore in routine BECCHEGGIO!", field);
}

bool VariableReaders::ReadRoll(double& field) {
  return Read(79, "Errore in routine ROLLIO!", field);
}

bool VariableReaders::ReadSlip(double& field) {
  return Read(70, "Errore in routine SBANDOMETRO!", field);
}

bool VariableReaders::ReadRpm(double& field) { return Read(135, "Errore in routine RPM!", field); }

bool VariableReaders::ReadSpeed(double& field) {
  return Read(61, "Errore in routine SPEED!", field);
}

bool VariableReaders::Read(std::int32_t variableCode, std::string_view messageText, double& field) {
  if (serverOutOfReach_) {
    field = 0.0;
    return false;
  }
  // The tick must go on after a failed read, so the failure ends here, shown to the person.
  try {
    LinkValue value;
    std::string replyText;
    std::int32_t replyHeader = 0;
    const std::int16_t status =
        link_.LinkRequest(variableCode, kFloatType, value, replyText, replyHeader);
    // A status of the server's own (a positive answer) still means a server that answers.
    serverOutOfReach_ = !link_.ServerInReach();
    field = AsDouble(value);
    return status == 0;
  } catch (const std::exception& error) {
    const std::string prompt = std::string(messageText) + "\r\r" + error.what();
    boxes_.Show(prompt, kCritical, kBoxTitle);
    return false;
  }
}

}  // namespace veltrano
