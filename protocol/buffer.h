// CProtorobot::CBuffer: the one class through which every message of the
// query protocol is built and read, in the robot and in the tariff control.
//
// Values on the wire, little-endian: an integer is 4 bytes of signed 32-bit
// two's complement; a boolean is an integer 0 or 1; a string is an integer
// count of UTF-16 code units followed by count * 2 bytes of UTF-16LE, no
// terminator (the empty string is the count 0 alone); the signature is the
// last 4 bytes of every body.
//
// Sending: Add* in the message's order, AddSignature, then write Size() and
// the Size() bytes of Data().  Receiving: read the length, PrepareBuffer,
// read exactly that many bytes into Data(), SetSize, CheckSignature, Get* in
// order, ValidaEOM.  Every operation reports failure as false; after a failed
// read the message is abandoned.
//
// Signature: the CRC-32 (protocol/crc32.h) of a 4-byte seed followed by the
// body bytes before the signature.  The seed comes from the clock: with t the
// seconds since 1970 as an unsigned 32-bit value and b0..b3 its bytes from
// the least significant, the seed's bytes in order are b3, b2, b0, b1.  A
// message is accepted when it was signed in the checker's current second or
// up to 9 seconds before it (both ends share the machine's clock).
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/text.h"

namespace korvex::protocol {

// The seed of a signature made at t seconds since 1970.
std::uint32_t SignatureSeed(std::uint32_t seconds);

class CBuffer {
 public:
  CBuffer() = default;
  virtual ~CBuffer();
  CBuffer(const CBuffer&) = delete;
  CBuffer& operator=(const CBuffer&) = delete;

  // Receiving: frees any storage and allocates exactly size bytes, with
  // nothing received yet.  Size 0 (or negative) leaves the buffer empty and
  // fails.
  bool PrepareBuffer(std::int32_t size);
  // Declares how many bytes were received; fails without storage, for a
  // negative size or one beyond the prepared capacity.
  bool SetSize(std::int32_t size);

  // Appending grows the storage in steps of 2048 bytes; a failed allocation
  // leaves the content as it was.
  bool AddData(const void* data, std::int32_t length);
  bool AddInteger(std::int32_t value);
  bool AddQuery(std::int32_t query) { return AddInteger(query); }
  bool AddBool(std::int32_t value) { return AddInteger(value != 0 ? 1 : 0); }
  bool AddString(TextView text);
  // A null text is written as the empty string.
  bool AddString(const char16_t* text);

  // Every read keeps the 4 signature bytes unread.
  bool GetInteger(std::int32_t& value);
  // Reads the query number; fails when protocol (read before) is not
  // kProtocolId or the number is outside 0..3.
  bool GetQuery(std::int32_t protocol, std::int32_t& query);
  bool GetBool(std::int32_t& value);
  bool GetString(Text& text);
  // True exactly when only the signature is left unread.
  bool ValidaEOM() const;

  bool AddSignature();
  bool AddSignature(Clock& clock);
  bool CheckSignature() const;
  bool CheckSignature(Clock& clock) const;

  std::uint8_t* Data() { return m_buffer; }
  const std::uint8_t* Data() const { return m_buffer; }
  std::int32_t Size() const { return m_size; }
  std::int32_t Capacity() const { return m_alloced; }
  std::int32_t ReadPosition() const { return m_readpos; }

 private:
  void Release();

  std::uint8_t* m_buffer = nullptr;  // general-purpose heap (malloc/realloc/free)
  std::int32_t m_size = 0;
  std::int32_t m_alloced = 0;
  std::int32_t m_readpos = 0;
};

// The CRC that signs a body of length bytes with the seed.
std::uint32_t SignatureCrc(std::uint32_t seed, const void* body, std::size_t length);

}  // namespace korvex::protocol
