#pragma once

#include "link/link_protocol.h"
#include "platform/msg_box.h"

namespace veltrano {

// The five flight variables. Each reader makes one request and writes the value into the field it
// is given (0.0 when the server gave none). A request that fails is shown in a modal box titled
// "VELTRANO" and leaves the field as it was.
class VariableReaders {
 public:
  VariableReaders(LinkClient& link, MsgBox& boxes);

  void ReadPitch(double& field);  // code 77, degrees, nose up positive
  void ReadRoll(double& field);   // code 79, bank 0..360 degrees
  void ReadSlip(double& field);   // code 70, slip indicator
  void ReadRpm(double& field);    // code 135, engine rpm
  void ReadSpeed(double& field);  // code 61, speed

 private:
  void Read(std::int32_t variableCode, std::string_view messageText, double& field);

  LinkClient& link_;
  MsgBox& boxes_;
};

}  // namespace veltrano
