#include "platform/win32/win32_png_file.h"

#include <array>
#include <fstream>
#include <string_view>

#include "platform/error.h"

namespace veltrano {

namespace {

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, std::string_view type, const std::string& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::string typed = std::string(type) + data;
  out += typed;
  PutBigEndian(out, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw) {
  constexpr std::size_t kBlock = 65535;
  std::string out = "\x78\x01";
  std::size_t offset = 0;
  do {
    const std::size_t length = std::min(kBlock, raw.size() - offset);
    const bool last = offset + length == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(raw, offset, length);
    offset += length;
  } while (offset < raw.size());
  std::uint32_t a = 1, b = 0;  // Adler-32
  for (const char c : raw) {
    a = (a + static_cast<std::uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

}  // namespace

void WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgb) {
  const auto rowBytes = static_cast<std::size_t>(width) * 3;
  if (width <= 0 || height <= 0 || rgb.size() != rowBytes * static_cast<std::size_t>(height)) {
    throw Error("A picture needs width x height pixels");
  }
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(width));
  PutBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace
  std::string raw;
  for (int row = 0; row < height; ++row) {
    raw += '\0';  // no filter
    raw.append(reinterpret_cast<const char*>(rgb.data()) + row * rowBytes, rowBytes);
  }
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", "");
  std::ofstream file(path, std::ios::binary);
  if (!(file << png)) throw Error("Cannot write the picture " + path);
}

}  // namespace veltrano
