#include "tarifex/robot_client.h"

#include <vector>

#include "platform/trace.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "sentrel/host_windows.h"
#include "tarifex/ansi.h"

namespace korvex::tarifex {

namespace {

using protocol::CBuffer;

bool IsCSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// atoi's reading: blanks, an optional sign, the digits up to the first
// other character; the value taken modulo 2^32 like the runtime's.
std::uint32_t LeadingNumber(TextView text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - u'0');
  }
  return negative ? 0u - value : value;
}

std::string Quoted(std::string_view s) { return ToUtf8(FromAnsi(s)); }

// The host's windows the client reads.
constexpr TextView kProgressPrefix = sentrel::kProgressPrefix;

}  // namespace

CProtorobot::CProtorobot(WindowSystem& ws, const RobotClientOptions& options)
    : m_ws(ws), m_options(options),
      m_clock(options.clock != nullptr ? *options.clock : m_systemClock) {}

// --- the host's windows ---------------------------------------------------------

bool CProtorobot::IsValidParent(Hwnd parent) {
  return parent != kNoWindow && m_ws.GetWindowLongW(parent, win::kGwlStyle) != 0;
}

bool CProtorobot::IsBatchProcess(Hwnd parent) {
  if (!IsValidParent(parent)) {
    KORVEX_TRACE("CProtorobot::IsBatchProcess(): parent (0x%08llx) es inválida",
                 static_cast<unsigned long long>(parent));
    return false;
  }
  const Text title = m_ws.GetWindowTextW(parent, kTitleBufferChars);
  const bool batch = title == sentrel::kValidationCaption;
  KORVEX_TRACE("CProtorobot::IsBatchProcess(): %s", batch ? "yes" : "no");
  if (!batch) {
    KORVEX_TRACE("CProtorobot::IsBatchProcess(): el título de la ventana padre es: [%s]",
                 ToUtf8(title).c_str());
  }
  return batch;
}

int CProtorobot::ObtainCurrentItem(Hwnd parent) {
  if (!IsValidParent(parent)) {
    KORVEX_TRACE("CProtorobot::ObtainCurrentItem(): parent (0x%08llx) es inválida",
                 static_cast<unsigned long long>(parent));
    return 0;
  }
  int item = 0;
  for (Hwnd frame = m_ws.FindWindowExW(parent, kNoWindow, sentrel::kFrameClass);
       frame != kNoWindow; frame = m_ws.FindWindowExW(parent, frame, sentrel::kFrameClass)) {
    const Text text = m_ws.GetWindowTextW(frame, kTitleBufferChars);
    if (text.compare(0, kProgressPrefix.size(), kProgressPrefix) != 0) continue;
    const auto number =
        static_cast<std::uint16_t>(LeadingNumber(TextView(text).substr(text.find(u':') + 1)));
    if (number >= 1 && number <= 9999) item = number;
    break;
  }
  KORVEX_TRACE("CProtorobot::ObtainCurrentItem(): %d", item);
  return item;
}

// --- the exchange ---------------------------------------------------------------------

std::uint16_t SessionRobotPort(WindowSystem& ws, SessionSystem* sessions) {
  const Hwnd robot = ws.FindWindowW(protocol::kRobotWindowCaption);
  if (robot == kNoWindow) return protocol::kRobotPort;
  if (sessions != nullptr &&
      !IsProcessOfCallersSession(*sessions, ws.GetWindowThreadProcessId(robot).process_id)) {
    return protocol::kRobotPort;
  }
  const std::uintptr_t port = ws.GetPropW(robot, protocol::kQueryPortProperty);
  if (port == 0 || port > 0xFFFF) return protocol::kRobotPort;
  return static_cast<std::uint16_t>(port);
}

bool CProtorobot::QueryRobot(CBuffer& request, CBuffer& response) {
  const std::uint16_t port =
      m_options.port.has_value() ? *m_options.port : SessionRobotPort(m_ws, m_options.sessions);
  KORVEX_TRACE("QueryRobot() start, port: %d", port);
  return protocol::Exchange(port, request, response);
}

template <class Request, class Response>
bool CProtorobot::Ask(Hwnd parent, Request& request, Response& response) {
  const char* name = Request::kName;
  if (!IsBatchProcess(parent)) {
    KORVEX_TRACE("%s(): no es una validación total", name);
    return false;
  }
  request.item = ObtainCurrentItem(parent);
  if (request.item == 0) {
    KORVEX_TRACE("%s(): no pude obtener el número de ítem", name);
    return false;
  }
  KORVEX_TRACE("%s(): el número de ítem es: %04d", name, request.item);
  CBuffer out;
  if (!protocol::EncodeRequest(request, m_clock, out)) {
    KORVEX_TRACE("%s(): la generación del buffer dio error", name);
    return false;
  }
  CBuffer in;
  if (!QueryRobot(out, in)) {
    KORVEX_TRACE("%s(): sin respuesta del servidor", name);
    return false;
  }
  return protocol::DecodeResponse(in, m_clock, response);
}

// --- the four questions -------------------------------------------------------------

bool CProtorobot::MensajeAlDespachante(Hwnd parent, std::string_view text,
                                       std::string_view caption, std::uint32_t uType) {
  KORVEX_TRACE("MensajeAlDespachante(0x%08llx, \"%s\", \"%s\", 0x%08x)",
               static_cast<unsigned long long>(parent), Quoted(text).c_str(),
               Quoted(caption).c_str(), uType);
  protocol::MensajeAlDespachanteRequest request{.text = FromAnsi(text),
                                                .caption = FromAnsi(caption),
                                                .type = static_cast<std::int32_t>(uType)};
  protocol::MensajeAlDespachanteResponse response;
  if (!Ask(parent, request, response)) return false;
  KORVEX_TRACE("MensajeAlDespachante(): respuesta del robot: %s",
               response.acknowledged != 0 ? "mensaje aceptado" : "mostrar mensaje al usuario");
  return response.acknowledged != 0;
}

bool CProtorobot::PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                               std::uint32_t uType, std::int32_t& answer) {
  KORVEX_TRACE("PreguntaSiNo(0x%08llx, \"%s\", \"%s\", 0x%08x)",
               static_cast<unsigned long long>(parent), Quoted(text).c_str(),
               Quoted(caption).c_str(), uType);
  protocol::PreguntaSiNoRequest request{.text = FromAnsi(text), .caption = FromAnsi(caption),
                                        .type = static_cast<std::int32_t>(uType)};
  protocol::PreguntaSiNoResponse response;
  if (!Ask(parent, request, response)) return false;
  if (response.acknowledged == 0) {
    KORVEX_TRACE("PreguntaSiNo(): respuesta del robot: %s", "preguntar al usuario");
    return false;
  }
  if (!protocol::IsYesOrNo(response.answer)) {
    KORVEX_TRACE("PreguntaSiNo(): respuesta incorrecta; esperado IDYES(%d) o IDNO(%d): %d",
                 protocol::kIdYes, protocol::kIdNo, response.answer);
    return false;
  }
  answer = response.answer;
  return true;
}

bool CProtorobot::PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) {
  KORVEX_TRACE("PreguntaTexto(0x%08llx, \"%s\")", static_cast<unsigned long long>(parent),
               Quoted(name).c_str());
  protocol::PreguntaTextoRequest request{.name = FromAnsi(name)};
  protocol::PreguntaTextoResponse response;
  if (!Ask(parent, request, response)) return false;
  value = ToAnsi(response.value);
  if (response.acknowledged != 0) {
    KORVEX_TRACE("PreguntaTexto(): respuesta del robot: \"%s\"", Quoted(value).c_str());
  } else {
    KORVEX_TRACE("PreguntaTexto(): respuesta del robot: preguntar al usuario");
  }
  return response.acknowledged != 0;
}

bool CProtorobot::PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                                   std::int32_t& answerid) {
  // The count travels as the control's 16-bit count: the first count options.
  const auto count = static_cast<std::uint16_t>(options.size());
  KORVEX_TRACE("PreguntaOpciones(0x%08llx, (%d lines))", static_cast<unsigned long long>(parent),
               count);
  protocol::PreguntaOpcionesRequest request;
  request.options.reserve(count);
  for (std::size_t i = 0; i < count; ++i) request.options.push_back(FromAnsi(options[i]));
  protocol::PreguntaOpcionesResponse response;
  if (!Ask(parent, request, response)) return false;
  const std::int32_t value = response.answerid;
  if (!protocol::IsOptionsAnswer(value, count)) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta inválida del robot: %d (esperado -999, -1 o 0-%d",
                 value, count - 1);
    return false;
  }
  if (value == protocol::kSelectNone) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: no seleccionar ninguna.");
  } else if (value == protocol::kCancelTreatment) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: cancelar tratamiento.");
  } else {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: item #%d de %d.", value + 1, count);
  }
  answerid = value;
  return true;
}

}  // namespace korvex::tarifex
