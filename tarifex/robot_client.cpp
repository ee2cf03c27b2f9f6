#include "tarifex/robot_client.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/socket.h"
#include "platform/trace.h"
#include "sentrel/host_windows.h"
#include "tarifex/ansi.h"

namespace korvex::tarifex {

namespace {

using protocol::CBuffer;

void PutLength(std::uint8_t* out, std::int32_t length) {
  const auto v = static_cast<std::uint32_t>(length);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetLength(const std::uint8_t* in) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
  return static_cast<std::int32_t>(v);
}

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

bool CProtorobot::QueryRobot(CBuffer& request, CBuffer& response) {
  KORVEX_TRACE("QueryRobot() start, port: %d", m_options.port);
  net::InitializeSockets();
  net::Socket socket = net::Socket::Tcp();
  if (!socket.IsValid()) {
    KORVEX_TRACE("QueryRobot() socket() error: 0x%08x", net::LastSocketError());
    return false;
  }
  if (!socket.Connect(protocol::kRobotAddress, m_options.port, kConnectTimeoutMs)) {
    KORVEX_TRACE("QueryRobot() socket() error: 0x%08x", net::LastSocketError());
    return false;  // the socket closes as it goes
  }
  KORVEX_TRACE("QueryRobot() connect() successful");
  // The length and the body go out in one piece.
  std::vector<std::uint8_t> framed(4 + static_cast<std::size_t>(request.Size()));
  PutLength(framed.data(), request.Size());
  std::copy(request.Data(), request.Data() + request.Size(), framed.begin() + 4);
  if (!net::WriteAll(socket, framed.data(), static_cast<int>(framed.size()),
                     protocol::kReadWaitMs, nullptr)) {
    KORVEX_TRACE("QueryRobot() error en WriteSockMessage()");
    return false;
  }
  KORVEX_TRACE("QueryRobot() escribí la pregunta al servidor");
  std::uint8_t prefix[4];
  if (!net::ReadExactly(socket, prefix, 4, protocol::kReadWaitMs, nullptr)) {
    KORVEX_TRACE("QueryRobot() error en ReadSockMessage()");
    return false;
  }
  const std::int32_t length = GetLength(prefix);
  if (length < protocol::kMinResponseLength || length > protocol::kMaxResponseLength) {
    KORVEX_TRACE("QueryRobot() tamaño inválido de la respuesta: %d", length);
    return false;
  }
  KORVEX_TRACE("QueryRobot() tamaño de la respuesta: %d", length);
  if (!response.PrepareBuffer(length)) {
    KORVEX_TRACE("QueryRobot() invalid size: %d", length);
    return false;
  }
  if (!net::ReadExactly(socket, response.Data(), length, protocol::kReadWaitMs, nullptr)) {
    KORVEX_TRACE("QueryRobot() error en ReadSockMessage()");
    return false;
  }
  KORVEX_TRACE("QueryRobot() respuesta leída con éxito");
  if (!response.SetSize(length)) {
    KORVEX_TRACE("QueryRobot() error en rcve.SetSize()");
    return false;
  }
  return true;
}

template <class AddParameters>
bool CProtorobot::Ask(const char* name, Hwnd parent, std::int32_t query,
                      AddParameters add_parameters, CBuffer& response) {
  if (!IsBatchProcess(parent)) {
    KORVEX_TRACE("%s(): no es una validación total", name);
    return false;
  }
  const int item = ObtainCurrentItem(parent);
  if (item == 0) {
    KORVEX_TRACE("%s(): no pude obtener el número de ítem", name);
    return false;
  }
  KORVEX_TRACE("%s(): el número de ítem es: %04d", name, item);
  CBuffer request;
  if (!request.AddInteger(protocol::kProtocolId) || !request.AddQuery(query) ||
      !request.AddInteger(item) || !add_parameters(request) || !request.AddSignature(m_clock)) {
    KORVEX_TRACE("%s(): la generación del buffer dio error", name);
    return false;
  }
  if (!QueryRobot(request, response)) {
    KORVEX_TRACE("%s(): sin respuesta del servidor", name);
    return false;
  }
  if (!response.CheckSignature(m_clock)) {
    KORVEX_TRACE("%s(): firma inválida", name);
    return false;
  }
  KORVEX_TRACE("%s(): firma correcta", name);
  std::int32_t protocol_id = 0;
  if (!response.GetInteger(protocol_id)) {
    KORVEX_TRACE("%s(): parámetro faltante en la respuesta: 'protocol'", name);
    return false;
  }
  if (protocol_id != protocol::kProtocolId) {
    KORVEX_TRACE("%s(): protocolo no soportado: 0x%08x", name,
                 static_cast<unsigned>(protocol_id));
    return false;
  }
  return true;
}

namespace {

// Reads the answer fields in order, then the end of the message.
bool ReadAnswer(const char* name, CBuffer& response,
                std::initializer_list<std::pair<const char*, std::function<bool()>>> fields) {
  for (const auto& [field, read] : fields) {
    if (!read()) {
      KORVEX_TRACE("%s(): parámetro faltante en la respuesta: '%s'", name, field);
      return false;
    }
  }
  if (!response.ValidaEOM()) {
    KORVEX_TRACE("%s(): el tamaño de la respuesta no era el esperado", name);
    return false;
  }
  return true;
}

}  // namespace

// --- the four questions -------------------------------------------------------------

bool CProtorobot::MensajeAlDespachante(Hwnd parent, std::string_view text,
                                       std::string_view caption, std::uint32_t uType) {
  KORVEX_TRACE("MensajeAlDespachante(0x%08llx, \"%s\", \"%s\", 0x%08x)",
               static_cast<unsigned long long>(parent), Quoted(text).c_str(),
               Quoted(caption).c_str(), uType);
  CBuffer response;
  const auto add = [&](CBuffer& r) {
    return r.AddString(FromAnsi(text)) && r.AddString(FromAnsi(caption)) &&
           r.AddInteger(static_cast<std::int32_t>(uType));
  };
  if (!Ask("MensajeAlDespachante", parent, protocol::kMensajeAlDespachante, add, response)) {
    return false;
  }
  std::int32_t acknowledged = 0;
  if (!ReadAnswer("MensajeAlDespachante", response,
                  {{"acknowledged", [&] { return response.GetBool(acknowledged); }}})) {
    return false;
  }
  KORVEX_TRACE("MensajeAlDespachante(): respuesta del robot: %s",
               acknowledged != 0 ? "mensaje aceptado" : "mostrar mensaje al usuario");
  return acknowledged != 0;
}

bool CProtorobot::PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                               std::uint32_t uType, std::int32_t& answer) {
  KORVEX_TRACE("PreguntaSiNo(0x%08llx, \"%s\", \"%s\", 0x%08x)",
               static_cast<unsigned long long>(parent), Quoted(text).c_str(),
               Quoted(caption).c_str(), uType);
  CBuffer response;
  const auto add = [&](CBuffer& r) {
    return r.AddString(FromAnsi(text)) && r.AddString(FromAnsi(caption)) &&
           r.AddInteger(static_cast<std::int32_t>(uType));
  };
  if (!Ask("PreguntaSiNo", parent, protocol::kPreguntaSiNo, add, response)) return false;
  std::int32_t value = 0;
  std::int32_t acknowledged = 0;
  if (!ReadAnswer("PreguntaSiNo", response,
                  {{"answer", [&] { return response.GetInteger(value); }},
                   {"acknowledged", [&] { return response.GetBool(acknowledged); }}})) {
    return false;
  }
  if (acknowledged == 0) {
    KORVEX_TRACE("PreguntaSiNo(): respuesta del robot: %s", "preguntar al usuario");
    return false;
  }
  if (value != protocol::kIdYes && value != protocol::kIdNo) {
    KORVEX_TRACE("PreguntaSiNo(): respuesta incorrecta; esperado IDYES(%d) o IDNO(%d): %d",
                 protocol::kIdYes, protocol::kIdNo, value);
    return false;
  }
  answer = value;
  return true;
}

bool CProtorobot::PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) {
  KORVEX_TRACE("PreguntaTexto(0x%08llx, \"%s\")", static_cast<unsigned long long>(parent),
               Quoted(name).c_str());
  CBuffer response;
  const auto add = [&](CBuffer& r) { return r.AddString(FromAnsi(name)); };
  if (!Ask("PreguntaTexto", parent, protocol::kPreguntaTexto, add, response)) return false;
  Text received;
  std::int32_t acknowledged = 0;
  if (!ReadAnswer("PreguntaTexto", response,
                  {{"answer", [&] { return response.GetString(received); }},
                   {"acknowledged", [&] { return response.GetBool(acknowledged); }}})) {
    return false;
  }
  value = ToAnsi(received);
  if (acknowledged != 0) {
    KORVEX_TRACE("PreguntaTexto(): respuesta del robot: \"%s\"", Quoted(value).c_str());
  } else {
    KORVEX_TRACE("PreguntaTexto(): respuesta del robot: preguntar al usuario");
  }
  return acknowledged != 0;
}

bool CProtorobot::PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                                   std::int32_t& answerid) {
  const auto count = static_cast<std::uint16_t>(options.size());
  KORVEX_TRACE("PreguntaOpciones(0x%08llx, (%d lines))", static_cast<unsigned long long>(parent),
               count);
  CBuffer response;
  const auto add = [&](CBuffer& r) {
    if (!r.AddInteger(count)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      if (!r.AddString(FromAnsi(options[i]))) return false;
    }
    return true;
  };
  if (!Ask("PreguntaOpciones", parent, protocol::kPreguntaOpciones, add, response)) return false;
  std::int32_t value = 0;
  if (!ReadAnswer("PreguntaOpciones", response,
                  {{"answerid", [&] { return response.GetInteger(value); }}})) {
    return false;
  }
  if (value == protocol::kSelectNone) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: no seleccionar ninguna.");
  } else if (value == protocol::kCancelTreatment) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: cancelar tratamiento.");
  } else if (value >= 0 && value < count) {
    KORVEX_TRACE("PreguntaOpciones(): respuesta del robot: item #%d de %d.", value + 1, count);
  } else {
    KORVEX_TRACE("PreguntaOpciones(): respuesta inválida del robot: %d (esperado -999, -1 o 0-%d",
                 value, count - 1);
    return false;
  }
  answerid = value;
  return true;
}

}  // namespace korvex::tarifex
