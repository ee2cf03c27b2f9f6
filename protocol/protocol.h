// The robot query protocol: the tariff control asks, the robot answers, one
// signed request and at most one signed response per TCP connection on the
// loopback address.
//
// Every message travels as a 4-byte little-endian length N and N body bytes
// (protocol/framing.h).  A body is the protocol identifier, the message's
// values and the 4-byte signature (protocol/buffer.h); each message has its
// one encoder and decoder (protocol/messages.h).  A request carries the query
// number after the protocol identifier:
//
//   query                     request values after the query number     response values
//   0 MensajeAlDespachante    item, lpText, lpCaption, uType             acknowledged (bool, 1)
//   1 PreguntaSiNo            item, lpText, lpCaption, uType             answer (6 yes, 7 no), acknowledged (1)
//   2 PreguntaTexto           item, lpText (the value's name)            value (string), acknowledged (1 use it, 0 ask)
//   3 PreguntaOpciones        item, count (0-5000), count strings        answerid (-999 cancel, -1 none, 0..count-1)
//
// The robot answers only when it has an answer; otherwise it closes the
// connection without one and the control asks its user.
#pragma once

#include <cstdint>

namespace korvex::protocol {

inline constexpr std::int32_t kProtocolId = 0x00010001;

inline constexpr std::int32_t kMensajeAlDespachante = 0;
inline constexpr std::int32_t kPreguntaSiNo = 1;
inline constexpr std::int32_t kPreguntaTexto = 2;
inline constexpr std::int32_t kPreguntaOpciones = 3;

inline constexpr const char* kRobotAddress = "127.0.0.1";
inline constexpr std::uint16_t kRobotPort = 19697;

// One robot per terminal-server session, and one port 19697 per machine:
// the robot listens on 19697 when it can, on a free port otherwise, and
// publishes the port it listens on as a property of its main window, which
// only the programs of its own session see.  The tariff control asks the
// robot whose window it finds, on the port that window publishes, and on
// 19697 when no window publishes one (a robot of an earlier version).
inline constexpr char16_t kRobotWindowCaption[] = u"PILOTEK_MAIN_FRAME";
inline constexpr char16_t kQueryPortProperty[] = u"KORVEX.QueryPort";

// Accepted body lengths: the smallest request holds the protocol, the query
// and the signature; the smallest response the signature.
inline constexpr std::int32_t kMinRequestLength = 12;
inline constexpr std::int32_t kMaxRequestLength = 0x100000;
inline constexpr std::int32_t kMinResponseLength = 4;
inline constexpr std::int32_t kMaxResponseLength = 0x10000;

// Each wait for data on a connection, at both ends.
inline constexpr int kReadWaitMs = 5000;

// The asking side's whole exchange, from the connect to the last byte of the
// response: the tariff control asks on the host's user-interface thread, and
// a peer that trickles a byte within every wait must not keep that thread
// for longer than this.  The robot answers in milliseconds.
inline constexpr int kExchangeDeadlineMs = 3000;

// The robot listens on the same machine, where a connection to a listening
// port is made in microseconds.  Windows retries a refused connection for
// about a second before it reports the refusal, and the host's thread waits
// meanwhile, so with the robot not running every question would freeze the
// host: a connect not made within this time is given up.
inline constexpr int kConnectWaitMs = 300;

// Answers of the yes/no question (the Windows dialog results IDYES, IDNO)
// and the special answers of the choice among options.
inline constexpr std::int32_t kIdYes = 6;
inline constexpr std::int32_t kIdNo = 7;
inline constexpr std::int32_t kSelectNone = -1;
inline constexpr std::int32_t kCancelTreatment = -999;
inline constexpr std::int32_t kMaxOptions = 5000;

}  // namespace korvex::protocol
