#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"
#include "platform/window_toolkit.h"

namespace veltrano::bench {

using BenchClock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, the same in every process

// When each tick's timer event arrived and when its packet was handed to the port.
struct TickTimes {
  BenchClock::time_point timerEvent;
  BenchClock::time_point output;
};

// What the decorators below record, in tick order.
class TickLog {
 public:
  // `afterTicks` runs once, from the event loop, when that many packets have been handed over.
  void WhenDone(std::size_t afterTicks, std::function<void()> afterwards);

  void TimerEvent() { pending_ = BenchClock::now(); }
  void Output();

  const std::vector<TickTimes>& Ticks() const { return ticks_; }

 private:
  std::vector<TickTimes> ticks_;
  BenchClock::time_point pending_;
  std::size_t doneAfter_ = 0;
  std::function<void()> done_;
};

// The window toolkit with every window's timers timed; everything else passes straight through.
class TimedToolkit final : public WindowToolkit {
 public:
  TimedToolkit(WindowToolkit& toolkit, TickLog& log) : toolkit_(toolkit), log_(log) {}
  std::unique_ptr<Window> NewWindow(const WindowDesign& design) override;
  int Run() override { return toolkit_.Run(); }

 private:
  WindowToolkit& toolkit_;
  TickLog& log_;
};

// The serial port with each Output timed once the port has taken the bytes.
class TimedSerialPort final : public SerialPort {
 public:
  TimedSerialPort(std::unique_ptr<SerialPort> port, TickLog& log)
      : port_(std::move(port)), log_(log) {}

  void SetCommPort(std::int16_t number) override { port_->SetCommPort(number); }
  void SetSettings(std::string_view settings) override { port_->SetSettings(settings); }
  void SetPortOpen(bool open) override { port_->SetPortOpen(open); }
  bool PortOpen() const override { return port_->PortOpen(); }
  void Output(std::string_view bytes) override {
    port_->Output(bytes);
    log_.Output();
  }
  void OnFailure(std::function<void()> handler) override { port_->OnFailure(std::move(handler)); }

 private:
  std::unique_ptr<SerialPort> port_;
  TickLog& log_;
};

}  // namespace veltrano::bench
