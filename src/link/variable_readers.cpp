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

void VariableReaders::ReadPitch(double& field) { Read(77, "Errore in routine BECCHEGGIO!", field); }

void VariableReaders::ReadRoll(double& field) { Read(79, "Errore in routine ROLLIO!", field); }

void VariableReaders::ReadSlip(double& field) { Read(70, "Errore in routine SBANDOMETRO!", field); }

void VariableReaders::ReadRpm(double& field) { Read(135, "Errore in routine RPM!", field); }

void VariableReaders::ReadSpeed(double& field) { Read(61, "Errore in routine SPEED!", field); }

void VariableReaders::Read(std::int32_t variableCode, std::string_view messageText, double& field) {
  // The tick must go on after a failed read, so the failure ends here, shown to the person.
  try {
    LinkValue value;
    std::string replyText;
    std::int32_t replyHeader = 0;
    link_.LinkRequest(variableCode, kFloatType, value, replyText, replyHeader);
    field = AsDouble(value);
  } catch (const std::exception& error) {
    const std::string prompt = std::string(messageText) + "\r\r" + error.what();
    boxes_.Show(prompt, kCritical, kBoxTitle);
  }
}

}  // namespace veltrano
