// The query protocol on the wire: every message travels as a 4-byte
// little-endian length N and the N bytes of its body (protocol/buffer.h),
// from the tariff control to the robot and back.  The robot's server and the
// control's client (and kvxtool ask) frame their messages here alone, and
// the asking side's exchange is here too.
//
// A length outside the receiver's bounds is refused before any body byte is
// read, and a body's storage is allocated only for a length within them.
// Each wait for data lasts at most kReadWaitMs (protocol/protocol.h); a stop
// signal and a deadline, where the caller has them, end the waits sooner.
#pragma once

#include <cstdint>

#include "platform/socket.h"
#include "protocol/buffer.h"
#include "protocol/protocol.h"

namespace korvex::protocol {

// The body lengths a receiver accepts.
struct LengthBounds {
  std::int32_t min = 0;
  std::int32_t max = 0;
};
inline constexpr LengthBounds kRequestBounds{kMinRequestLength, kMaxRequestLength};
inline constexpr LengthBounds kResponseBounds{kMinResponseLength, kMaxResponseLength};

// Writes the body's length and the body, in one piece.
bool WriteMessage(net::Socket& socket, const CBuffer& body, const net::StopSignal* stop = nullptr,
                  net::Deadline deadline = net::kNoDeadline);

// Reads one message whose length lies within bounds into body: prepared for
// exactly that length, set to it and read from its start.
bool ReadMessage(net::Socket& socket, LengthBounds bounds, CBuffer& body,
                 const net::StopSignal* stop = nullptr,
                 net::Deadline deadline = net::kNoDeadline);

// One exchange with the robot listening on 127.0.0.1:port: the connection
// (given up when not made within kConnectWaitMs), the request, and a
// response within kResponseBounds, which still has to be decoded.  The
// whole exchange is over within deadline_ms, whatever each wait allows.
bool Exchange(std::uint16_t port, const CBuffer& request, CBuffer& response,
              int deadline_ms = kExchangeDeadlineMs);

}  // namespace korvex::protocol
