// Round trips of the simulator link over the Linux desktop transport: the link client against
// the emulated data server on a thread of this process, both ends on loopback Unix sockets.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <thread>

#include "emulated_data_server.h"
#include "flight_source.h"
#include "link/link_protocol.h"
#include "platform/error.h"
#include "platform/posix/posix_link_transport.h"
#include "protocol/data_server_requests.h"
#include "sim_options.h"

namespace veltrano {
namespace {

// The data server with fixed values, serving on its own thread while the object lives.
class ServedData {
 public:
  ServedData()
      : options_(StatusForCodeOne()),
        flight_(simserver::FlightValues{
            .pitch = 4.5, .bank = 350.0, .slip = -120.0, .rpm = 2350.0, .speed = 101.25}),
        server_(options_, flight_, log_),
        thread_([this] { server_.Run(); }) {}
  ~ServedData() { Stop(); }

  // Stops serving, once the server has taken what its clients sent before (deletions get no
  // reply, so the last may still be on its way).
  void Stop() {
    if (!thread_.joinable()) return;
    server_.Stop();
    thread_.join();
  }
  std::size_t LiveAtoms() const { return server_.LiveAtoms(); }

 private:
  static simserver::SimOptions StatusForCodeOne() {
    simserver::SimOptions options;
    options.answerForCode[1] = 7;
    return options;
  }

  simserver::SimOptions options_;
  simserver::FixedFlight flight_;
  std::ostringstream log_;
  simserver::DataServer server_;
  std::thread thread_;
};

// One request of the kind the readers make; false when it did not bring back a value.
bool Read(LinkClient& client, std::int32_t code) {
  LinkValue value;
  std::string replyText;
  std::int32_t replyHeader = 0;
  const std::int16_t status = client.LinkRequest(code, "n", value, replyText, replyHeader);
  benchmark::DoNotOptimize(value);
  return status == 0;
}

// Runs `request` once an iteration with a link client against the served data; an atom left
// behind or an error spoils the result.
template <class Request>
void RunLinked(benchmark::State& state, Request request) {
  try {
    ServedData served;
    PosixLinkTransport link;
    LinkClient client(link);
    for (auto _ : state) request(client);
    client.EndExchanges();  // the last deletions go out
    served.Stop();
    if (served.LiveAtoms() != 0) state.SkipWithError("atoms left behind");
  } catch (const Error& error) {
    state.SkipWithError(error.what());
  }
}

// The whole exchange for a status answer: the message alone, no atom.
void BM_StatusAnswer(benchmark::State& state) {
  RunLinked(state, [&](LinkClient& client) {
    LinkValue value;
    std::string replyText;
    std::int32_t replyHeader = 0;
    if (client.LinkRequest(1, "n", value, replyText, replyHeader) != 7) {
      state.SkipWithError("no status");
    }
  });
}
BENCHMARK(BM_StatusAnswer);

// One value: the message, whose answer names the atom, and the atom's deletion.
void BM_ValueRequest(benchmark::State& state) {
  RunLinked(state, [&](LinkClient& client) {
    if (!Read(client, data_server::kPitchCode)) state.SkipWithError("no value");
  });
}
BENCHMARK(BM_ValueRequest);

// The five requests of one tick as the tick makes them: sent together, then read in the tick's
// order.
void BM_FiveRequestTick(benchmark::State& state) {
  constexpr std::int32_t kCodes[] = {data_server::kPitchCode, data_server::kSpeedCode,
                                     data_server::kBankCode, data_server::kSlipCode,
                                     data_server::kRpmCode};
  RunLinked(state, [&](LinkClient& client) {
    if (!client.SendAhead(kCodes, std::chrono::steady_clock::now() + kAnswerWait)) {
      state.SkipWithError("no server");
    }
    for (const std::int32_t code : kCodes) {
      if (!Read(client, code)) state.SkipWithError("no value");
    }
  });
}
BENCHMARK(BM_FiveRequestTick);

}  // namespace
}  // namespace veltrano

BENCHMARK_MAIN();
