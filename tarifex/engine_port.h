// The tariff engine port: the calls of the host's closed engine library
// (Mendrel.dll), which exports them by ordinal only.  Each operation is one
// ordinal; the Win32 adapter (tarifex/win32/mendrel_engine.*) forwards it to
// the function GetProcAddress finds for that ordinal, and tests use a
// scripted engine.
//
// Texts are the control's 8-bit strings.  Texts the engine returns are its
// own zero-terminated buffers, valid until its next call; the control copies
// them at once and takes a null pointer for an empty text.
#pragma once

#include <array>
#include <cstdint>

namespace korvex::tarifex {

// A message handle of the engine: an opaque 8-byte structure that the
// control owns and clears to zero at the start of each run; the engine
// keeps its state of one message in it.
struct EngineMessage {
  std::array<std::uint8_t, 8> bytes{};
};

namespace ordinal {
inline constexpr int kBegin = 193;
inline constexpr int kEnd = 194;
inline constexpr int kOpenSession = 142;
inline constexpr int kBindSession = 111;
inline constexpr int kErrorCause = 180;
inline constexpr int kErrorText = 187;
inline constexpr int kErrorFunction = 186;
inline constexpr int kErrorNumber = 183;
inline constexpr int kClearMessage = 112;
inline constexpr int kPutRecord = 115;
inline constexpr int kSend = 109;
inline constexpr int kReceive = 108;
inline constexpr int kReceivedRecord = 114;
inline constexpr int kCloseSession = 110;
}  // namespace ordinal

class TariffEngine {
 public:
  virtual ~TariffEngine() = default;

  // 193: once at the start of a run, before anything else.
  virtual void Begin() = 0;
  // 194: once at the end of every run, successful or not.
  virtual void End() = 0;

  // 142: opens the session with the engine's host and port; -1 on failure,
  // else a session value.
  virtual std::int32_t OpenSession(const char* host, const char* port) = 0;
  // 111: called with the session value twice, right after a successful open.
  virtual void BindSession(std::int32_t session, std::int32_t session_again) = 0;

  // The details of a failed open, each call taking the previous one's
  // result: 180 the cause, 187 the error, 186 the function, 183 the error
  // number.
  virtual const char* ErrorCause() = 0;
  virtual const char* ErrorText(const char* cause) = 0;
  virtual const char* ErrorFunction(const char* error) = 0;
  virtual std::int32_t ErrorNumber(const char* function) = 0;

  // 112: clears a message handle before use and when the session closes.
  virtual void ClearMessage(EngineMessage* message) = 0;
  // 115: puts a record into the outgoing message; length counts the
  // terminating zero.
  virtual void PutRecord(EngineMessage* message, const char* text, std::int32_t length) = 0;
  // 109: sends the outgoing message; non-zero on success.
  virtual std::int32_t Send(EngineMessage* message) = 0;
  // 108: receives the next record into the incoming message; non-zero on
  // success.
  virtual std::int32_t Receive(EngineMessage* message) = 0;
  // 114: the received record as a zero-terminated text.
  virtual const char* ReceivedRecord(EngineMessage* message) = 0;
  // 110: closes the session (after 112 on both handles).
  virtual void CloseSession() = 0;
};

}  // namespace korvex::tarifex
