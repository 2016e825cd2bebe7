#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

#include "link/link_protocol.h"
#include "platform/msg_box.h"
#include "protocol/data_server_requests.h"

namespace veltrano {

// How long a tick waits for the answers to its own requests before its packet goes with the
// newest readings there are. A server outside a game loop answers all five within a millisecond,
// so its values still go out in the tick that asked for them. A server in a simulator's game loop
// answers at the end of the frame under way, up to a whole frame later: waiting for that would
// move each packet by as much as a frame, so the tick waits this little and takes such answers
// at the next tick, one period later, at the same steady 50 ms rhythm.
inline constexpr std::chrono::milliseconds kTickAnswerWait{5};

// The five flight variables. A tick begins with BeginTick, which sends the five requests at once,
// and then each reader takes its own answer and writes its reading into the field it is given:
// - the server's value, when it answered with one;
// - 0.0 when there is no server, or it answered without a value (0 or a status of its own);
// - the reading it had, while the answer has not come: a server that has fallen behind (busy
//   between the frames of a game loop, or stalled) holds the platform where it was instead of
//   dropping it towards level and back.
// An answer that comes after its tick stopped waiting is taken at the next tick, as that tick's
// reading, unless the tick's own answer comes in time. While it is owed, no new request for the
// variable is sent, so a server that wakes from a stall is not buried in requests.
// A request that fails is shown in a modal box with the program's title (kBoxTitle) and leaves the
// reading as it was. Each reader tells whether its reading is the server's value taken in this
// tick (a sample for ACCELERATION).
class VariableReaders {
 public:
  // `answerWait`: how long each tick waits for its answers.
  VariableReaders(LinkClient& link, MsgBox& boxes,
                  std::chrono::milliseconds answerWait = kTickAnswerWait);

  // Takes the answers that came late since the last tick, then sends this tick's requests, whose
  // answers the readers wait for until the answer wait from now.
  void BeginTick();

  // Ends the tick's exchanges with the server: what was held back to go together goes now.
  void EndTick();

  // Gives up the answers still owed, as at the end of a run.
  void EndRun();

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
    bool sample = false;           // the reading is a value the server gave in this tick
  };

  // Takes the variable's answer into its reading; false when the request failed, which it shows.
  bool Take(Variable& variable);
  bool Read(Variable& variable, double& field);

  LinkClient& link_;
  MsgBox& boxes_;
  std::chrono::milliseconds answerWait_;
  Variable pitch_{data_server::kPitchCode, "Errore in routine BECCHEGGIO!"};
  Variable roll_{data_server::kBankCode, "Errore in routine ROLLIO!"};
  Variable slip_{data_server::kSlipCode, "Errore in routine SBANDOMETRO!"};
  Variable rpm_{data_server::kRpmCode, "Errore in routine RPM!"};
  Variable speed_{data_server::kSpeedCode, "Errore in routine SPEED!"};
  // In the order of the tick's reads.
  std::array<Variable*, 5> inTickOrder_{&pitch_, &speed_, &roll_, &slip_, &rpm_};
  bool serverThere_ = true;  // this tick found the server and it has not gone
};

}  // namespace veltrano
