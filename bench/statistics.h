#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace veltrano::bench {

// Median, 99th percentile (nearest rank) and maximum of a set of samples.
struct Spread {
  double median = 0;
  double p99 = 0;
  double max = 0;
  std::size_t count = 0;
};

inline Spread SpreadOf(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  const auto rank = [&](double fraction) {
    const auto index = static_cast<std::size_t>(std::ceil(fraction * double(samples.size())));
    return samples[std::clamp<std::size_t>(index, 1, samples.size()) - 1];
  };
  return {rank(0.5), rank(0.99), samples.back(), samples.size()};
}

}  // namespace veltrano::bench
