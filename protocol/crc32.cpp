#include "protocol/crc32.h"

#include <array>

namespace korvex::protocol {

namespace {

// The 256-entry table, built at compile time from the reflected polynomial
// (the same table that 0x04C11DB7 gives with input and output reflection).
constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t Crc32Update(std::uint32_t state, const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) state = kTable[(state ^ p[i]) & 0xFFu] ^ (state >> 8);
  return state;
}

}  // namespace korvex::protocol
