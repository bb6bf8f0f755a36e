// Constants and byte helpers of the BMP file layout, shared by its reader and writer.
#pragma once

#include <cstdint>

namespace imagelib::bmp {

inline constexpr std::uint32_t kFileHeaderSize = 14;
inline constexpr std::uint32_t kCoreHeaderSize = 12;
inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kV2HeaderSize = 52;
inline constexpr std::uint32_t kV3HeaderSize = 56;
inline constexpr std::uint32_t kV4HeaderSize = 108;
inline constexpr std::uint32_t kV5HeaderSize = 124;

inline constexpr std::uint32_t kRgb = 0;
inline constexpr std::uint32_t kRle8 = 1;
inline constexpr std::uint32_t kRle4 = 2;
inline constexpr std::uint32_t kBitfields = 3;
inline constexpr std::uint32_t kAlphaBitfields = 6;

inline std::uint16_t Read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}
inline std::uint32_t Read32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace imagelib::bmp
