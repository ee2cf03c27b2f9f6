// The CRC-32 of the query protocol's signature: the common CRC of ISO-HDLC
// and IEEE 802.3 (reflected polynomial 0xEDB88320, initial value and final
// exclusive-or 0xFFFFFFFF), the one zlib computes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvex::protocol {

// A running CRC: start with kCrc32Start, feed the bytes in order, finish.
inline constexpr std::uint32_t kCrc32Start = 0xFFFFFFFFu;
std::uint32_t Crc32Update(std::uint32_t state, const void* data, std::size_t length);
inline std::uint32_t Crc32Finish(std::uint32_t state) { return state ^ 0xFFFFFFFFu; }

inline std::uint32_t Crc32(const void* data, std::size_t length) {
  return Crc32Finish(Crc32Update(kCrc32Start, data, length));
}

}  // namespace korvex::protocol
