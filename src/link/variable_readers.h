#pragma once

#include <cstdint>
#include <string_view>

#include "link/link_protocol.h"
#include "platform/msg_box.h"
#include "protocol/data_server.h"

namespace veltrano {

// The five flight variables. Each reader makes one request, writes its reading into the field it
// is given and tells whether the reading came from the server just now:
// - the server's value, when it answered with one;
// - 0.0 when there is no server, or it answered without a value (0 or a status of its own);
// - the reading it had, when the server did not answer in time: a server that has fallen behind
//   (busy between the frames of a game loop, or stalled) holds the platform where it was instead
//   of dropping it towards level and back.
// A request that fails is shown in a modal box with the program's title (kBoxTitle) and leaves the
// field as it was.
//
// The reads of one tick go together: once a read finds no server or gets no answer in time, the
// later reads of that tick do not ask and read the same way, so such a server costs a tick one
// wait at most, and a server that has fallen behind none.
class VariableReaders {
 public:
  VariableReaders(LinkClient& link, MsgBox& boxes);

  // Starts the reads of a new tick, in which the server is asked again.
  void BeginTick();

  bool ReadPitch(double& field);
  bool ReadRoll(double& field);  // the bank
  bool ReadSlip(double& field);
  bool ReadRpm(double& field);
  bool ReadSpeed(double& field);

 private:
  struct Variable {
    std::int32_t code;
    std::string_view messageText;  // the first line of its box
    double reading = 0.0;          // the latest, held while the server is behind
  };

  bool Read(Variable& variable, double& field);

  LinkClient& link_;
  MsgBox& boxes_;
  Variable pitch_{data_server::kPitchCode, "Errore in routine BECCHEGGIO!"};
  Variable roll_{data_server::kBankCode, "Errore in routine ROLLIO!"};
  Variable slip_{data_server::kSlipCode, "Errore in routine SBANDOMETRO!"};
  Variable rpm_{data_server::kRpmCode, "Errore in routine RPM!"};
  Variable speed_{data_server::kSpeedCode, "Errore in routine SPEED!"};
  Delivery tick_ = Delivery::kAnswered;  // how the server took this tick's requests so far
};

}  // namespace veltrano
