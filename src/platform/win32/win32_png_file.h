#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano {

// Writes a PNG picture of `width` x `height` pixels, three bytes (red, green, blue) a pixel, the
// top row first. The image data is stored without compression, which every reader takes.
void WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace veltrano
