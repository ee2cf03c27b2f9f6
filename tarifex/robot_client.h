// The tariff control's robot client: before the control shows one of its own
// messages or questions during a total validation of a declaration's items,
// it asks the robot program whether a stored answer exists.  Every failure,
// of whatever kind, is the absence of an answer, and the control then shows
// its dialog to the user.
//
// The robot is asked only when the control's host window (the parent, the
// window the control was given to run in) is the total-validation window;
// the question carries the number of the item being validated, read from the
// host's progress frame.  Each question opens its own connection to the
// robot of the host's terminal-server session (SessionRobotPort; 19697 unless
// that robot says otherwise), sends one signed request and reads one signed
// response;
// the connect is bounded, and so is the whole exchange
// (protocol::kExchangeDeadlineMs), so the host's thread is never held for
// more than a few seconds, whatever the peer sends or withholds.  The messages and their framing are the protocol's
// (protocol/messages.h, protocol/framing.h); the client checks what the
// answers mean and converts the control's 8-bit texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/session_system.h"
#include "platform/window_system.h"
#include "protocol/buffer.h"
#include "protocol/protocol.h"

namespace korvex::tarifex {

inline constexpr int kTitleBufferChars = 512;

struct RobotClientOptions {
  // The robot's port; no value: the port of the robot of this session,
  // looked up at every question (SessionRobotPort).  Tests give their
  // server's.
  std::optional<std::uint16_t> port;
  // Signs the requests and checks the responses; null: the system clock.
  Clock* clock = nullptr;
  // Tells the session of the robot's window; null: the window found is
  // taken as of this session (the window system shows no other).
  SessionSystem* sessions = nullptr;
};

// The port of the robot of the caller's session: the one its main window
// ("PILOTEK_MAIN_FRAME") publishes as the property "KORVEX.QueryPort".
// protocol::kRobotPort when there is no such window, when the window found is
// of a process of another session, or when it publishes no port (a robot of
// an earlier version).
std::uint16_t SessionRobotPort(WindowSystem& ws, SessionSystem* sessions);

class CProtorobot {
 public:
  using CBuffer = protocol::CBuffer;

  explicit CProtorobot(WindowSystem& ws, const RobotClientOptions& options = {});
  virtual ~CProtorobot() = default;
  CProtorobot(const CProtorobot&) = delete;
  CProtorobot& operator=(const CProtorobot&) = delete;

  // The four questions.  Texts are the control's 8-bit strings
  // (Windows-1252, tarifex/ansi.h).
  // True when the robot acknowledged the message: the control does not show it.
  bool MensajeAlDespachante(Hwnd parent, std::string_view text, std::string_view caption,
                            std::uint32_t uType);
  // True with answer 6 (yes) or 7 (no).
  bool PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                    std::uint32_t uType, std::int32_t& answer);
  // True with the value to use.  When the robot answered "ask the user" the
  // result is false and the value received is handed back all the same.
  bool PreguntaTexto(Hwnd parent, std::string_view name, std::string& value);
  // options: the option texts in order; the request carries at most 65 535.
  // True with kCancelTreatment, kSelectNone or an index 0..count-1.
  bool PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                        std::int32_t& answerid);

  // One exchange with the robot (protocol::Exchange): sends the signed
  // request and reads a response whose length lies in 4..65 536.  The
  // response still has to be decoded.
  bool QueryRobot(CBuffer& request, CBuffer& response);

  // True when the parent is the total-validation window.
  bool IsBatchProcess(Hwnd parent);
  // The number of the item being validated, 1 to 9999, or 0.
  int ObtainCurrentItem(Hwnd parent);

 private:
  bool IsValidParent(Hwnd parent);
  // Steps common to the four questions: the run and the item (put into the
  // request), the request encoded, the exchange, and the response decoded.
  template <class Request, class Response>
  bool Ask(Hwnd parent, Request& request, Response& response);

  WindowSystem& m_ws;
  RobotClientOptions m_options;
  SystemClock m_systemClock;
  Clock& m_clock;
};

}  // namespace korvex::tarifex
