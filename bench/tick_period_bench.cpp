// How evenly the window's timer delivers the 50 ms tick: runs the toolkit's timer for a number
// of ticks on the offscreen platform and prints the periods it measured.
//   tick_period_bench [TICKS]    (default 200, ten seconds)

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "platform/qt/qt_toolkit.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int ticks = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
  veltrano::QtToolkit toolkit(argc, argv);
  auto window = toolkit.NewWindow({.name = "Bench",
                                   .caption = "bench",
                                   .clientWidth = 1500,
                                   .clientHeight = 1500,
                                   .font = {.family = "Sans", .points = 9}});
  veltrano::Timer& timer = window->AddTimer("Timer1", 50);

  using Clock = std::chrono::steady_clock;
  std::vector<Clock::time_point> arrivals;
  arrivals.reserve(static_cast<std::size_t>(ticks) + 1);
  arrivals.push_back(Clock::now());
  timer.OnTimer([&] {
    arrivals.push_back(Clock::now());
    if (arrivals.size() > static_cast<std::size_t>(ticks)) QApplication::quit();
  });
  timer.SetEnabled(true);
  toolkit.Run();

  std::vector<double> periods;
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    periods.push_back(
        std::chrono::duration<double, std::milli>(arrivals[i] - arrivals[i - 1]).count());
  }
  const double total = std::accumulate(periods.begin(), periods.end(), 0.0);
  const double mean = total / static_cast<double>(periods.size());
  double squares = 0;
  for (double period : periods) squares += (period - mean) * (period - mean);
  const auto [shortest, longest] = std::minmax_element(periods.begin(), periods.end());
  std::printf(
      "%zu ticks of 50 ms: mean %.3f ms, deviation %.3f ms, shortest %.3f ms, longest %.3f ms\n",
      periods.size(), mean, std::sqrt(squares / static_cast<double>(periods.size())), *shortest,
      *longest);
  std::printf("drift over the run: %+.2f ms (%+.3f %%)\n",
              total - 50.0 * static_cast<double>(periods.size()),
              100.0 * (total / (50.0 * static_cast<double>(periods.size())) - 1.0));
  return 0;
}
