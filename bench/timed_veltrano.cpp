// The control program as it ships (its window offscreen, the real serial port, link and clock),
// with its tick timer and serial port wrapped in decorators that note when each timer event
// arrives and when its packet has been handed to the port. It presses START itself, runs for a
// number of ticks, presses STOP and reports what the run cost.
//   timed-veltrano TICKS TICK_FILE
// Standard output, once done: "run WALL_NS CPU_NS PEAK_RESIDENT_KB" for the time from START to
// STOP. TICK_FILE: one line per tick, "TIMER_EVENT_NS OUTPUT_NS" on CLOCK_MONOTONIC.

#include <time.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "panel/main_window.h"
#include "platform/posix/posix_link_transport.h"
#include "platform/posix/posix_system_clock.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_toolkit.h"
#include "timed_platform.h"

namespace veltrano::bench {
namespace {

std::chrono::nanoseconds ProcessCpuTime() {
  timespec used{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
  return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

// The high-water mark of the resident set, from the kernel's own account of this process.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
    status.ignore(4096, '\n');
  }
  return -1;
}

void Press(const char* buttonName) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* button = top->findChild<QAbstractButton*>(buttonName)) {
      button->click();
      return;
    }
  }
  std::fprintf(stderr, "timed-veltrano: no button %s\n", buttonName);
  std::exit(1);
}

long long Nanoseconds(BenchClock::time_point when) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
}

int Run(int& argc, char** argv, std::size_t ticks, const char* tickFile) {
  QtToolkit toolkit(argc, argv);
  TickLog log;
  TimedToolkit timedToolkit(toolkit, log);
  PosixLinkTransport link;
  PosixSystemClock clock;
  Form1 form(timedToolkit, std::make_unique<TimedSerialPort>(std::make_unique<QtSerialPort>(), log),
             link, clock);
  form.Show();

  BenchClock::time_point started;
  std::chrono::nanoseconds cpuAtStart{};
  log.WhenDone(ticks, [] {
    Press("Command2");
    QApplication::quit();
  });
  QTimer::singleShot(0, [&] {
    started = BenchClock::now();
    cpuAtStart = ProcessCpuTime();
    Press("Command1");
  });
  toolkit.Run();
  const auto wall = BenchClock::now() - started;
  const auto cpu = ProcessCpuTime() - cpuAtStart;

  std::ofstream out(tickFile);
  for (const TickTimes& tick : log.Ticks()) {
    out << Nanoseconds(tick.timerEvent) << ' ' << Nanoseconds(tick.output) << '\n';
  }
  if (!out.flush()) {
    std::fprintf(stderr, "timed-veltrano: cannot write %s\n", tickFile);
    return 1;
  }
  std::printf("run %lld %lld %ld\n", static_cast<long long>(wall.count()),
              static_cast<long long>(cpu.count()), PeakResidentKb());
  return log.Ticks().size() == ticks ? 0 : 1;
}

}  // namespace
}  // namespace veltrano::bench

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[1]) < 1) {
    std::fputs("usage: timed-veltrano TICKS TICK_FILE\n", stderr);
    return 2;
  }
  const auto ticks = static_cast<std::size_t>(std::atol(argv[1]));
  const char* tickFile = argv[2];
  int qtArgc = 1;
  return veltrano::bench::Run(qtArgc, argv, ticks, tickFile);
}
