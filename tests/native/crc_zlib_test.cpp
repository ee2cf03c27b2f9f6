// The signature's CRC-32 agrees with zlib's crc32 (zlib is a test-only
// dependency, linked into the native tests alone).
#include <zlib.h>

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "protocol/buffer.h"
#include "protocol/crc32.h"

namespace korvex::protocol {
namespace {

TEST(Crc32AgainstZlib, RandomBuffersOfManyLengths) {
  std::mt19937 random(19697);
  std::vector<unsigned char> data(70000);
  for (auto& byte : data) byte = static_cast<unsigned char>(random());
  for (std::size_t length : {0u, 1u, 3u, 4u, 7u, 255u, 256u, 4096u, 65537u, 70000u}) {
    SCOPED_TRACE(length);
    const uLong expected = crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(length));
    EXPECT_EQ(Crc32(data.data(), length), static_cast<std::uint32_t>(expected));
  }
}

TEST(Crc32AgainstZlib, SignatureIsZlibsCrcOfSeedThenBody) {
  std::mt19937 random(7);
  std::vector<unsigned char> body(1000);
  for (auto& byte : body) byte = static_cast<unsigned char>(random());
  for (const std::uint32_t t : {0u, 1'700'000'000u, 0xFFFFFFFFu, 0x01020304u}) {
    SCOPED_TRACE(t);
    const std::uint32_t seed = SignatureSeed(t);
    const unsigned char seed_bytes[4] = {
        static_cast<unsigned char>(seed), static_cast<unsigned char>(seed >> 8),
        static_cast<unsigned char>(seed >> 16), static_cast<unsigned char>(seed >> 24)};
    uLong z = crc32(0L, Z_NULL, 0);
    z = crc32(z, seed_bytes, 4);
    z = crc32(z, body.data(), static_cast<uInt>(body.size()));
    EXPECT_EQ(SignatureCrc(seed, body.data(), body.size()), static_cast<std::uint32_t>(z));
  }
}

}  // namespace
}  // namespace korvex::protocol
