#include "protocol/buffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/trace.h"
#include "protocol/crc32.h"
#include "protocol/protocol.h"

namespace korvex::protocol {

namespace {

constexpr std::int32_t kGrowStep = 2048;
constexpr std::int32_t kIntegerSize = 4;
// The signature is never read as a value.
constexpr std::int32_t kSignatureSize = 4;
// Signed in the checker's second or up to this many seconds before it.
constexpr std::uint32_t kSignatureSeconds = 10;

Clock& DefaultClock() {
  static SystemClock clock;
  return clock;
}

void StoreLittleEndian(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t LoadLittleEndian(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

}  // namespace

std::uint32_t SignatureSeed(std::uint32_t t) {
  const std::uint32_t b2 = (t >> 16) & 0xFFu;
  const std::uint32_t b3 = (t >> 24) & 0xFFu;
  return (t & 0xFFFFu) << 16 | b2 << 8 | b3;
}

std::uint32_t SignatureCrc(std::uint32_t seed, const void* body, std::size_t length) {
  std::uint8_t seed_bytes[4];
  StoreLittleEndian(seed_bytes, seed);
  std::uint32_t state = Crc32Update(kCrc32Start, seed_bytes, sizeof seed_bytes);
  state = Crc32Update(state, body, length);
  return Crc32Finish(state);
}

CBuffer::~CBuffer() { Release(); }

void CBuffer::Release() {
  std::free(m_buffer);
  m_buffer = nullptr;
  m_size = 0;
  m_alloced = 0;
  m_readpos = 0;
}

bool CBuffer::PrepareBuffer(std::int32_t size) {
  Release();
  if (size <= 0) {
    KORVEX_TRACE("CBuffer::PrepareBuffer(%d): tamaño inválido", size);
    return false;
  }
  auto* storage = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size)));
  if (storage == nullptr) {
    KORVEX_TRACE("CBuffer::PrepareBuffer(%d): sin memoria", size);
    return false;
  }
  m_buffer = storage;
  m_alloced = size;
  return true;
}

bool CBuffer::SetSize(std::int32_t size) {
  if (m_buffer == nullptr || size < 0 || size > m_alloced) {
    KORVEX_TRACE("CBuffer::SetSize(): tamaño inválido; size: %d, m_alloced: %d", size, m_alloced);
    return false;
  }
  m_size = size;
  m_readpos = 0;
  return true;
}

bool CBuffer::AddData(const void* data, std::int32_t length) {
  if (length < 0 || (length > 0 && data == nullptr) ||
      length > std::numeric_limits<std::int32_t>::max() - m_size) {
    KORVEX_TRACE("CBuffer::AddData(): longitud inválida: %d", length);
    return false;
  }
  if (length == 0) return true;
  const std::int64_t needed = static_cast<std::int64_t>(m_size) + length;
  const std::int64_t rounded = (needed + kGrowStep - 1) / kGrowStep * kGrowStep;
  if (rounded > std::numeric_limits<std::int32_t>::max()) return false;
  if (m_alloced == 0 || rounded > m_alloced) {
    void* grown = std::realloc(m_buffer, static_cast<std::size_t>(rounded));
    if (grown == nullptr) {
      KORVEX_TRACE("CBuffer::AddData(): sin memoria para %lld bytes",
                   static_cast<long long>(rounded));
      return false;
    }
    m_buffer = static_cast<std::uint8_t*>(grown);
    m_alloced = static_cast<std::int32_t>(rounded);
  }
  std::memcpy(m_buffer + m_size, data, static_cast<std::size_t>(length));
  m_size += length;
  return true;
}

bool CBuffer::AddInteger(std::int32_t value) {
  std::uint8_t bytes[kIntegerSize];
  StoreLittleEndian(bytes, static_cast<std::uint32_t>(value));
  return AddData(bytes, kIntegerSize);
}

bool CBuffer::AddString(TextView text) {
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2)) {
    return false;
  }
  const auto count = static_cast<std::int32_t>(text.size());
  if (count == 0) return AddInteger(0);
  // Count and characters go in together, so a failure leaves nothing behind.
  const std::int32_t mark = m_size;
  if (!AddInteger(count)) return false;
  std::uint8_t chunk[512];
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = 0;
    for (; n < sizeof chunk / 2 && i < text.size(); ++n, ++i) {
      chunk[2 * n] = static_cast<std::uint8_t>(text[i]);
      chunk[2 * n + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    if (!AddData(chunk, static_cast<std::int32_t>(2 * n))) {
      m_size = mark;
      return false;
    }
  }
  return true;
}

bool CBuffer::AddString(const char16_t* text) {
  if (text == nullptr) {
    KORVEX_TRACE("CBuffer::AddString(): (null)");
    return AddInteger(0);
  }
  return AddString(TextView(text));
}

bool CBuffer::GetInteger(std::int32_t& value) {
  if (m_size - m_readpos < kIntegerSize + kSignatureSize) {
    KORVEX_TRACE("CBuffer::GetInteger(): faltan datos; m_size: %d, m_readpos: %d", m_size,
                 m_readpos);
    return false;
  }
  value = static_cast<std::int32_t>(LoadLittleEndian(m_buffer + m_readpos));
  m_readpos += kIntegerSize;
  return true;
}

bool CBuffer::GetQuery(std::int32_t protocol, std::int32_t& query) {
  std::int32_t value = 0;
  if (!GetInteger(value)) return false;
  if (protocol != kProtocolId) {
    KORVEX_TRACE("CBuffer::GetQuery(): protocolo no soportado: 0x%08x (query: 0x%08x)",
                 static_cast<unsigned>(protocol), static_cast<unsigned>(value));
    return false;
  }
  if (value < kMensajeAlDespachante || value > kPreguntaOpciones) {
    KORVEX_TRACE("CBuffer::GetQuery(): query no soportado: 0x%08x (protocol: 0x%08x)",
                 static_cast<unsigned>(value), static_cast<unsigned>(protocol));
    return false;
  }
  query = value;
  return true;
}

bool CBuffer::GetBool(std::int32_t& value) {
  std::int32_t read = 0;
  if (!GetInteger(read)) return false;
  if (read != 0 && read != 1) {
    KORVEX_TRACE("CBuffer::GetBool(): valor inválido: %d", read);
    return false;
  }
  value = read;
  return true;
}

bool CBuffer::GetString(Text& text) {
  std::int32_t count = 0;
  if (!GetInteger(count)) return false;
  if (count == 0) {
    text.clear();
    return true;
  }
  const std::int64_t bytes = static_cast<std::int64_t>(count) * 2;
  if (count < 0 || bytes > m_size - m_readpos - kSignatureSize) {
    KORVEX_TRACE("CBuffer::GetString(): cuenta inválida: %d", count);
    return false;
  }
  Text out(static_cast<std::size_t>(count), u'\0');
  const std::uint8_t* p = m_buffer + m_readpos;
  for (std::int32_t i = 0; i < count; ++i) {
    out[static_cast<std::size_t>(i)] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
  }
  m_readpos += static_cast<std::int32_t>(bytes);
  text = std::move(out);
  return true;
}

bool CBuffer::ValidaEOM() const {
  if (m_size - m_readpos != kSignatureSize) {
    KORVEX_TRACE("CBuffer::ValidaEOM() m_size(%d)-m_readpos(%d) != sizeof(int)(%d)", m_size,
                 m_readpos, kSignatureSize);
    return false;
  }
  return true;
}

bool CBuffer::AddSignature() { return AddSignature(DefaultClock()); }

bool CBuffer::AddSignature(Clock& clock) {
  const auto t = static_cast<std::uint32_t>(clock.SecondsSince1970());
  const std::uint32_t crc =
      SignatureCrc(SignatureSeed(t), m_buffer, static_cast<std::size_t>(m_size));
  return AddInteger(static_cast<std::int32_t>(crc));
}

bool CBuffer::CheckSignature() const { return CheckSignature(DefaultClock()); }

bool CBuffer::CheckSignature(Clock& clock) const {
  if (m_size < kSignatureSize) {
    KORVEX_TRACE("CBuffer::CheckSignature() ERROR");
    return false;
  }
  const std::size_t body = static_cast<std::size_t>(m_size - kSignatureSize);
  const std::uint32_t signature = LoadLittleEndian(m_buffer + body);
  const auto t = static_cast<std::uint32_t>(clock.SecondsSince1970());
  for (std::uint32_t i = 0; i < kSignatureSeconds; ++i) {
    const std::uint32_t seed = SignatureSeed(t - i);
    const std::uint32_t crc = SignatureCrc(seed, m_buffer, body);
    if (crc == signature) {
      KORVEX_TRACE("CBuffer::CheckSignature() OK");
      return true;
    }
    KORVEX_TRACE("CBuffer::CheckSignature() crc 0x%08x != signature 0x%08x (seed: 0x%08x)", crc,
                 signature, seed);
  }
  KORVEX_TRACE("CBuffer::CheckSignature() ERROR");
  return false;
}

}  // namespace korvex::protocol
