#include "emulated_data_server.h"

#include <cstdio>
#include <iostream>

#include "protocol/data_server_requests.h"
#include "reply_text.h"

namespace veltrano::simserver {

namespace {

// An atom travels as its 16 bits read as a signed number and widened: 49153 answers -16383.
std::int64_t AtomAnswer(Atom atom) { return static_cast<std::int16_t>(atom); }

// What a 32-bit window procedure's result becomes in a 64-bit one: its lower half, zero-extended.
std::int64_t ZeroExtended(std::int64_t result) {
  return static_cast<std::int64_t>(static_cast<std::uint32_t>(result));
}

std::unique_ptr<GameLoop> MakeGameLoop(const SimOptions& options, std::ostream& log) {
  if (!options.frame) return nullptr;
  return std::make_unique<GameLoop>(*options.frame, options.stall,
                                    options.verbose ? &log : nullptr);
}

}  // namespace

DataServer::DataServer(const SimOptions& options, const FlightSource& flight, std::ostream& log)
    : options_(options),
      flight_(flight),
      log_(log),
      messageId_(ServerMessageId(data_server::kConnectMessageName)),
      start_(std::chrono::steady_clock::now()),
      gameLoop_(MakeGameLoop(options, log)),
      window_(NewDesktopWindowServer(
          data_server::kWindowClass,
          [this](std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) {
            return Answer(message, wParam, lParam);
          },
          gameLoop_.get())) {}

std::optional<std::int64_t> DataServer::Answer(std::uint32_t message, std::uint64_t wParam,
                                               std::int64_t lParam) {
  const std::uint64_t number = ++messages_;
  const double flightSeconds = FlightSeconds();
  std::optional<std::int64_t> answer;
  if (options_.hang) {
    answer = std::nullopt;
  } else if (options_.exitAfter && number > *options_.exitAfter) {
    window_->Stop();
    answer = std::nullopt;
  } else if (options_.answerEverything) {
    answer = *options_.answerEverything;
  } else if (message != messageId_ || wParam != 1) {
    answer = 0;
  } else {
    answer = AnswerVariable(static_cast<std::uint32_t>(number), lParam, flightSeconds);
  }
  if (answer && options_.narrowResults) answer = ZeroExtended(*answer);
  if (options_.verbose) Log(number, flightSeconds, message, wParam, lParam, answer);
  return answer;
}

// "message 12 (flight 5.012345 s, frame 167): id 49320 wParam 1 code 77 -> -16383"
void DataServer::Log(std::uint64_t number, double flightSeconds, std::uint32_t message,
                     std::uint64_t wParam, std::int64_t lParam,
                     const std::optional<std::int64_t>& answer) {
  char when[64];
  std::snprintf(when, sizeof when, "flight %.6f s", flightSeconds);
  log_ << "message " << number << " (" << when;
  if (gameLoop_) log_ << ", frame " << gameLoop_->Frame();
  log_ << "): id " << message << " wParam " << wParam << " code " << lParam << " -> ";
  if (answer) {
    log_ << *answer;
  } else {
    log_ << "no answer";
  }
  log_ << std::endl;
}

std::optional<std::int64_t> DataServer::AnswerVariable(std::uint32_t header, std::int64_t code,
                                                       double flightSeconds) {
  if (const auto fixed = options_.answerForCode.find(code); fixed != options_.answerForCode.end()) {
    return fixed->second;
  }
  if (options_.answerForEveryCode) return *options_.answerForEveryCode;
  const std::optional<double> value = ValueForCode(flight_.At(flightSeconds), code);
  if (!value) return 0;
  const TextFault fault = FaultFor(code);
  if (fault == TextFault::kUnreadableAtom) return AtomAnswer(window_->UnusedAtom());
  try {
    return AtomAnswer(window_->AddAtom(ReplyText(header, *value, fault)));
  } catch (const Error& error) {
    // A full atom table: clients have not been deleting their replies. Nothing to answer with.
    std::cerr << "simserver: " << error.what() << std::endl;
    return 0;
  }
}

TextFault DataServer::FaultFor(std::int64_t code) const {
  if (const auto own = options_.textFaultForCode.find(code);
      own != options_.textFaultForCode.end()) {
    return own->second;
  }
  return options_.textFaultForEveryCode.value_or(TextFault::kNone);
}

double DataServer::FlightSeconds() const {
  if (options_.frozenAt) return *options_.frozenAt;
  return options_.startAt +
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace veltrano::simserver
