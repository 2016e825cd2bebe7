#include "report.h"

#include <cstdio>
#include <sstream>
#include <vector>

namespace veltrano::flight_check {
namespace {

std::string Format(const char* format, auto... values) {
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, values...)), '\0');
  std::snprintf(text.data(), text.size() + 1, format, values...);
  return text;
}

std::string Seconds(double seconds) { return Format("%.2f", seconds); }

std::vector<const AxisFigures*> Axes(const FlightFigures& figures) {
  return {&figures.pitch, &figures.roll, &figures.vibration};
}

std::string AtLimit(const AxisFigures& axis) {
  const bool vibration = !axis.level;
  std::string line = "at a limit for " + Seconds(axis.AtLimitSeconds()) + " s, first at " +
                     Seconds(*axis.firstAtLimit) + " s:";
  if (axis.atLowSeconds > 0.0) {
    line += Format(" 0%s for %s s", vibration ? " (no vibration)" : "",
                   Seconds(axis.atLowSeconds).c_str());
  }
  if (axis.atHighSeconds > 0.0) {
    line += Format("%s 255%s for %s s", axis.atLowSeconds > 0.0 ? "," : "",
                   vibration ? " (full)" : "", Seconds(axis.atHighSeconds).c_str());
  }
  return line;
}

std::string AtTravelEnd(const AxisFigures& axis) {
  return "its centre sends it to an end of its travel for " + Seconds(axis.atTravelEndSeconds) +
         " s, first at " + Seconds(*axis.firstAtTravelEnd) + " s";
}

std::string TooFast(const AxisFigures& axis) {
  return Format(
      "moves more than level %d allows (%.1f a packet) in %zu packet%s, by up to %d at "
      "%s s",
      *axis.level, *axis.stepAllowed, axis.stepsTooLarge, axis.stepsTooLarge == 1 ? "" : "s",
      axis.largestStep, Seconds(axis.largestStepAt).c_str());
}

std::string Verdict(const AxisFigures& axis) {
  if (axis.effect == "off") {
    return Format("%s: off, rests at %d", axis.name.c_str(), axis.rest);
  }
  std::vector<std::string> warnings;
  if (axis.firstAtLimit) warnings.push_back(AtLimit(axis));
  if (axis.firstAtTravelEnd) warnings.push_back(AtTravelEnd(axis));
  if (axis.stepsTooLarge > 0) warnings.push_back(TooFast(axis));
  if (warnings.empty()) {
    std::string fine = axis.name + ": ok: never at a limit";
    if (axis.level) {
      fine += Format(", no step beyond level %d's %.1f a packet", *axis.level, *axis.stepAllowed);
    }
    return fine;
  }
  std::string line = axis.name + ": WARNING: " + warnings[0];
  for (std::size_t i = 1; i < warnings.size(); ++i) line += "; " + warnings[i];
  return line;
}

void AxisJson(std::ostream& out, const AxisFigures& axis) {
  out << "  \"" << axis.name << "\": {\"effect\": \"" << axis.effect << "\", \"min\": " << axis.min
      << ", \"min_at_s\": " << Seconds(axis.minAt) << ", \"max\": " << axis.max
      << ", \"max_at_s\": " << Seconds(axis.maxAt) << ", \"position_min\": " << axis.positionMin
      << ", \"position_max\": " << axis.positionMax
      << ", \"at_limit_s\": " << Seconds(axis.AtLimitSeconds())
      << ", \"largest_step\": " << axis.largestStep
      << ", \"largest_step_at_s\": " << Seconds(axis.largestStepAt) << "}";
}

}  // namespace

void PrintTable(std::ostream& out, const FlightFigures& figures) {
  out << "axis       effect         min    at s   max    at s  position  at limit s  largest step"
         "    at s\n";
  for (const AxisFigures* axis : Axes(figures)) {
    const std::string positions = Format("%d..%d", axis->positionMin, axis->positionMax);
    out << Format("%-10s %-12s %4d %7s  %4d %7s  %8s  %10s  %12d %7s\n", axis->name.c_str(),
                  axis->effect.c_str(), axis->min, Seconds(axis->minAt).c_str(), axis->max,
                  Seconds(axis->maxAt).c_str(), positions.c_str(),
                  Seconds(axis->AtLimitSeconds()).c_str(), axis->largestStep,
                  Seconds(axis->largestStepAt).c_str());
  }
}

void PrintVerdicts(std::ostream& out, const FlightFigures& figures) {
  for (const AxisFigures* axis : Axes(figures)) out << Verdict(*axis) << '\n';
}

std::string FiguresJson(const FlightFigures& figures) {
  std::ostringstream out;
  out << "{\n  \"ticks\": " << figures.ticks << ",\n  \"seconds\": " << Seconds(figures.seconds)
      << ",\n";
  const auto axes = Axes(figures);
  for (std::size_t i = 0; i < axes.size(); ++i) {
    AxisJson(out, *axes[i]);
    out << (i + 1 < axes.size() ? ",\n" : "\n");
  }
  out << "}\n";
  return out.str();
}

}  // namespace veltrano::flight_check
