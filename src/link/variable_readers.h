#pragma once

#include "link/link_protocol.h"
#include "platform/msg_box.h"

namespace veltrano {

// The five flight variables. Each reader makes one request and writes the value into the field it
// is given (0.0 when the server gave none), and tells whether the value came from the server. A
// request that fails is shown in a modal box titled "VELTRANO" and leaves the field as it was.
//
// The reads of one tick go together: once a read finds no server or gets no answer, the later
// reads of that tick do not ask again and read as no server, so a server that does not answer
// costs a tick one wait, not five.
class VariableReaders {
 public:
  VariableReaders(LinkClient& link, MsgBox& boxes);

  // Starts the reads of a new tick, in which the server is asked again.
  void BeginTick();

  bool ReadPitch(double& field);  // code 77, degrees, nose up positive
  bool ReadRoll(double& field);   // code 79, bank 0..360 degrees
  bool ReadSlip(double& field);   // code 70, slip indicator
  bool ReadRpm(double& field);    // code 135, engine rpm
  bool ReadSpeed(double& field);  // code 61, speed

 private:
  bool Read(std::int32_t variableCode, std::string_view messageText, double& field);

  LinkClient& link_;
  MsgBox& boxes_;
  bool serverOutOfReach_ = false;  // in this tick
};

}  // namespace veltrano
