#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

#include "desktop_window_server/desktop_window_server.h"
#include "flight_source.h"
#include "game_loop.h"
#include "sim_options.h"

namespace veltrano::simserver {

// The emulated data server: owns the window class from construction on and answers its messages
// from a flight source, with the faults, the game loop and the kind of window procedure that the
// options ask for. The flight's clock and the game loop start at construction.
class DataServer {
 public:
  // Raises Error when another server owns the window class. `log` gets the --verbose lines.
  DataServer(const SimOptions& options, const FlightSource& flight, std::ostream& log);

  void Run() { window_->Run(); }
  void Stop() noexcept { window_->Stop(); }
  std::size_t LiveAtoms() const { return window_->LiveAtoms(); }

 private:
  std::optional<std::int64_t> Answer(std::uint32_t message, std::uint64_t wParam,
                                     std::int64_t lParam);
  std::optional<std::int64_t> AnswerVariable(std::uint32_t header, std::int64_t code,
                                             double flightSeconds);
  void Log(std::uint64_t number, double flightSeconds, std::uint32_t message, std::uint64_t wParam,
           std::int64_t lParam, const std::optional<std::int64_t>& answer);
  TextFault FaultFor(std::int64_t code) const;
  double FlightSeconds() const;

  const SimOptions& options_;
  const FlightSource& flight_;
  std::ostream& log_;
  const std::uint32_t messageId_;
  const std::chrono::steady_clock::time_point start_;
  std::uint64_t messages_ = 0;
  std::unique_ptr<GameLoop> gameLoop_;  // with --frame-ms or --stall
  std::unique_ptr<DesktopWindowServer> window_;
};

}  // namespace veltrano::simserver
