#include "protocol/framing.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/trace.h"

namespace korvex::protocol {

namespace {

constexpr int kLengthSize = 4;

void PutLength(std::uint8_t* out, std::int32_t length) {
  const auto v = static_cast<std::uint32_t>(length);
  for (int i = 0; i < kLengthSize; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetLength(const std::uint8_t* in) {
  std::uint32_t v = 0;
  for (int i = 0; i < kLengthSize; ++i) v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return static_cast<std::int32_t>(v);
}

}  // namespace

bool WriteMessage(net::Socket& socket, const CBuffer& body, const net::StopSignal* stop,
                  net::Deadline deadline) {
  std::vector<std::uint8_t> framed(kLengthSize + static_cast<std::size_t>(body.Size()));
  PutLength(framed.data(), body.Size());
  std::copy(body.Data(), body.Data() + body.Size(), framed.begin() + kLengthSize);
  if (!net::WriteAll(socket, framed.data(), static_cast<int>(framed.size()), kReadWaitMs, stop,
                     deadline)) {
    KORVEX_TRACE("WriteMessage(): error en WriteSockMessage()");
    return false;
  }
  return true;
}

bool ReadMessage(net::Socket& socket, LengthBounds bounds, CBuffer& body,
                 const net::StopSignal* stop, net::Deadline deadline) {
  std::uint8_t prefix[kLengthSize];
  if (!net::ReadExactly(socket, prefix, kLengthSize, kReadWaitMs, stop, deadline)) {
    KORVEX_TRACE("ReadMessage(): error en ReadSockMessage()");
    return false;
  }
  const std::int32_t length = GetLength(prefix);
  if (length < bounds.min || length > bounds.max) {
    KORVEX_TRACE("ReadMessage(): tamaño inválido del mensaje: %d", length);
    return false;
  }
  KORVEX_TRACE("ReadMessage(): tamaño del mensaje: %d", length);
  if (!body.PrepareBuffer(length)) {
    KORVEX_TRACE("ReadMessage(): invalid size: %d", length);
    return false;
  }
  if (!net::ReadExactly(socket, body.Data(), length, kReadWaitMs, stop, deadline)) {
    KORVEX_TRACE("ReadMessage(): error en ReadSockMessage()");
    return false;
  }
  if (!body.SetSize(length)) {
    KORVEX_TRACE("ReadMessage(): error en rcve.SetSize()");
    return false;
  }
  return true;
}

bool Exchange(std::uint16_t port, const CBuffer& request, CBuffer& response, int deadline_ms) {
  KORVEX_TRACE("Exchange() start, port: %d", port);
  const net::Deadline deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline_ms);
  net::InitializeSockets();
  net::Socket socket = net::Socket::Tcp();
  if (!socket.IsValid()) {
    KORVEX_TRACE("Exchange() socket() error: 0x%08x", net::LastSocketError());
    return false;
  }
  if (!socket.Connect(kRobotAddress, port, kConnectWaitMs)) {
    KORVEX_TRACE("Exchange() connect() error: 0x%08x", net::LastSocketError());
    return false;  // the socket closes as it goes
  }
  KORVEX_TRACE("Exchange() connect() successful");
  if (!WriteMessage(socket, request, nullptr, deadline)) return false;
  KORVEX_TRACE("Exchange() escribí la pregunta al servidor");
  if (!ReadMessage(socket, kResponseBounds, response, nullptr, deadline)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      KORVEX_TRACE("Exchange() sin respuesta completa en %d ms", deadline_ms);
    }
    return false;
  }
  KORVEX_TRACE("Exchange() respuesta leída con éxito");
  return true;
}

}  // namespace korvex::protocol
