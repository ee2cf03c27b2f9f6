// Helpers of the query service's tests: signed requests, a raw client on
// loopback whose every wait is bounded, and the process's threads and open
// descriptors for leak checks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/socket.h"
#include "protocol/buffer.h"
#include "protocol/protocol.h"

namespace korvex::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes LittleEndian(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The body of a request: protocol, query, the parameters that add writes,
// signature by the clock.
inline Bytes SignedRequest(Clock& clock, std::int32_t query,
                           const std::function<void(protocol::CBuffer&)>& add,
                           std::int32_t protocol_id = protocol::kProtocolId) {
  protocol::CBuffer b;
  b.AddInteger(protocol_id);
  b.AddQuery(query);
  add(b);
  b.AddSignature(clock);
  return Bytes(b.Data(), b.Data() + b.Size());
}

// The length prefix and the body.
inline Bytes Framed(const Bytes& body) {
  Bytes out(4 + body.size());
  const auto length = static_cast<std::uint32_t>(body.size());
  for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(length >> (8 * i));
  std::copy(body.begin(), body.end(), out.begin() + 4);
  return out;
}

// A client connection made by hand, to send whatever a test wants.
class RawClient {
 public:
  explicit RawClient(std::uint16_t port) {
    net::InitializeSockets();
    m_socket = net::Socket::Tcp();
    m_connected = m_socket.IsValid() && m_socket.Connect("127.0.0.1", port, 5000);
  }
  bool connected() const { return m_connected; }

  bool Send(const Bytes& bytes) {
    return net::WriteAll(m_socket, bytes.data(), static_cast<int>(bytes.size()), 5000, nullptr);
  }

  // The response body, or no value when the server closed without one.
  // Waits at most wait_ms for each arrival of data.
  std::optional<Bytes> ReadResponse(int wait_ms = 10000) {
    std::uint8_t prefix[4];
    if (!net::ReadExactly(m_socket, prefix, 4, wait_ms, nullptr)) return std::nullopt;
    const std::uint32_t length = prefix[0] | prefix[1] << 8 | prefix[2] << 16 |
                                 static_cast<std::uint32_t>(prefix[3]) << 24;
    if (length > 0x10000) return std::nullopt;
    Bytes body(length);
    if (length > 0 && !net::ReadExactly(m_socket, body.data(), static_cast<int>(length), wait_ms,
                                        nullptr)) {
      return std::nullopt;
    }
    return body;
  }

  // True when the server closes the connection within wait_ms (anything it
  // sends before is read and dropped).
  bool ClosedWithin(int wait_ms) {
    std::uint8_t sink[256];
    for (;;) {
      if (net::WaitReadable(m_socket, wait_ms, nullptr) != net::WaitResult::kReady) return false;
      const int got = m_socket.Receive(sink, sizeof sink);
      if (got == net::Socket::kWouldBlock) continue;
      if (got <= 0) return true;
    }
  }

  // True while the server keeps the connection open and silent.
  bool StillOpen() {
    std::uint8_t byte;
    if (net::WaitReadable(m_socket, 0, nullptr) == net::WaitResult::kTimedOut) return true;
    return m_socket.Receive(&byte, 1) == net::Socket::kWouldBlock;
  }

  void Close() { m_socket.Close(); }

 private:
  net::Socket m_socket;
  bool m_connected = false;
};

// One request, framed, on a new connection; the response body if any.
inline std::optional<Bytes> Exchange(std::uint16_t port, const Bytes& body) {
  RawClient client(port);
  if (!client.connected() || !client.Send(Framed(body))) return std::nullopt;
  return client.ReadResponse();
}

// Reads a response body: checks its signature with the clock, then the
// protocol identifier; the buffer is left at the first answer field.
inline bool OpenResponse(const Bytes& body, Clock& clock, protocol::CBuffer& b) {
  if (!b.PrepareBuffer(static_cast<std::int32_t>(body.size()))) return false;
  std::copy(body.begin(), body.end(), b.Data());
  std::int32_t protocol_id = 0;
  return b.SetSize(static_cast<std::int32_t>(body.size())) && b.CheckSignature(clock) &&
         b.GetInteger(protocol_id) && protocol_id == protocol::kProtocolId;
}

// The process's threads and open descriptors, where the system shows them
// (Linux); no value elsewhere.
struct ProcessResources {
  std::size_t threads = 0;
  std::size_t descriptors = 0;
  friend bool operator==(const ProcessResources&, const ProcessResources&) = default;
};
std::optional<ProcessResources> CountProcessResources();

}  // namespace korvex::testing

#include <memory>

#include "robot/profiles/profile.h"
#include "robot/query/query_server.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/query_fakes.h"

namespace korvex::testing {

// A running query service on a free loopback port, with a dispatcher thread
// as its user-interface thread and an active profile.  The service's clock
// stands still, so a test signs "9 seconds ago" exactly.
class QueryServiceTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kNow = 1'700'000'000;

  SettableClock clock;
  UiDispatcher ui;
  FakeMessageBoxResources resources;
  CProfile profile{u"Pruebas"};
  std::unique_ptr<query::CDirectRobot> robot;
  std::uint16_t port = 0;

  void SetUp() override {
    clock.seconds = kNow;
    ui.SetProfile(&profile);
    robot = std::make_unique<query::CDirectRobot>(query::QueryServerOptions{0, &clock});
    robot->SetContext({&ui, &resources});
    ASSERT_TRUE(robot->Start());
    port = robot->Port();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    ui.Release();
    robot->Stop();
  }

  // Stores an answer list in the active profile, on the user-interface thread.
  void Store(const Text& key, const Text& answers) {
    ui.Run([&] { profile.SetAnswer(key, answers); });
  }
  std::int32_t IconOf(int idi) { return static_cast<std::int32_t>(resources.LoadSystemIcon(idi)); }
};

}  // namespace korvex::testing
