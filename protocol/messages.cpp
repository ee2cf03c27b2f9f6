#include "protocol/messages.h"

#include "platform/trace.h"

namespace korvex::protocol {

namespace {

std::string Utf8(TextView text) { return ToUtf8(text); }

// Reads a message's values in order; the first that is missing is traced
// under its name and fails every read after it.
class Fields {
 public:
  // side: "pregunta" for a request, "respuesta" for a response.
  Fields(CBuffer& in, const char* message, const char* side)
      : m_in(in), m_message(message), m_side(side) {}

  Fields& Integer(const char* name, std::int32_t& value) {
    return Read(name, [&] { return m_in.GetInteger(value); });
  }
  Fields& Bool(const char* name, std::int32_t& value) {
    return Read(name, [&] { return m_in.GetBool(value); });
  }
  Fields& String(const char* name, Text& value) {
    return Read(name, [&] { return m_in.GetString(value); });
  }
  bool ok() const { return m_ok; }
  // True when every value was read and only the signature is left.
  bool End() {
    if (!m_ok) return false;
    if (!m_in.ValidaEOM()) {
      KORVEX_TRACE("%s(): el tamaño de la %s no era el esperado", m_message, m_side);
      return false;
    }
    return true;
  }

 private:
  template <class ReadFn>
  Fields& Read(const char* name, ReadFn read) {
    if (m_ok && !read()) {
      KORVEX_TRACE("%s(): parámetro faltante en la %s: '%s'", m_message, m_side, name);
      m_ok = false;
    }
    return *this;
  }

  CBuffer& m_in;
  const char* m_message;
  const char* m_side;
  bool m_ok = true;
};

// A body begun with the protocol (and a request's query number and item),
// the values written by add, and the signature.
template <class AddFn>
bool Write(CBuffer& out, Clock& clock, AddFn add) {
  return out.AddInteger(kProtocolId) && add() && out.AddSignature(clock);
}

template <class Request>
bool WriteRequest(const Request& request, Clock& clock, CBuffer& out, auto add_values) {
  return Write(out, clock, [&] {
    return out.AddQuery(Request::kQuery) && out.AddInteger(request.item) && add_values();
  });
}

// A response's signature and protocol.
bool OpenResponse(CBuffer& response, Clock& clock, const char* message) {
  if (!response.CheckSignature(clock)) {
    KORVEX_TRACE("%s(): firma inválida", message);
    return false;
  }
  std::int32_t protocol_id = 0;
  if (!response.GetInteger(protocol_id)) {
    KORVEX_TRACE("%s(): parámetro faltante en la respuesta: 'protocol'", message);
    return false;
  }
  if (protocol_id != kProtocolId) {
    KORVEX_TRACE("%s(): protocolo no soportado: 0x%08x", message,
                 static_cast<unsigned>(protocol_id));
    return false;
  }
  return true;
}

// The two message questions carry the same values.
template <class Question>
bool EncodeMessageQuestion(const Question& q, Clock& clock, CBuffer& out) {
  return WriteRequest(q, clock, out, [&] {
    return out.AddString(q.text) && out.AddString(q.caption) && out.AddInteger(q.type);
  });
}

template <class Question>
bool DecodeMessageQuestion(CBuffer& request, Question& q) {
  Fields fields(request, Question::kName, "pregunta");
  fields.Integer("item", q.item)
      .String("lpText", q.text)
      .String("lpCaption", q.caption)
      .Integer("uType", q.type);
  if (!fields.ok()) return false;
  KORVEX_TRACE("%s(): '%s', '%s', 0x%08x", Question::kName, Utf8(q.text).c_str(),
               Utf8(q.caption).c_str(), static_cast<unsigned>(q.type));
  return fields.End();
}

}  // namespace

// --- requests ------------------------------------------------------------------------------

bool EncodeRequest(const MensajeAlDespachanteRequest& request, Clock& clock, CBuffer& out) {
  return EncodeMessageQuestion(request, clock, out);
}

bool EncodeRequest(const PreguntaSiNoRequest& request, Clock& clock, CBuffer& out) {
  return EncodeMessageQuestion(request, clock, out);
}

bool EncodeRequest(const PreguntaTextoRequest& request, Clock& clock, CBuffer& out) {
  return WriteRequest(request, clock, out, [&] { return out.AddString(request.name); });
}

bool EncodeRequest(const PreguntaOpcionesRequest& request, Clock& clock, CBuffer& out) {
  return WriteRequest(request, clock, out, [&] {
    if (!out.AddInteger(static_cast<std::int32_t>(request.options.size()))) return false;
    for (const Text& option : request.options) {
      if (!out.AddString(option)) return false;
    }
    return true;
  });
}

bool DecodeRequestHeader(CBuffer& request, Clock& clock, std::int32_t& query) {
  if (!request.CheckSignature(clock)) {
    KORVEX_TRACE("DecodeRequestHeader(): firma inválida");
    return false;
  }
  KORVEX_TRACE("DecodeRequestHeader(): firma correcta");
  std::int32_t protocol_id = 0;
  if (!request.GetInteger(protocol_id)) {
    KORVEX_TRACE("DecodeRequestHeader(): parámetro faltante en la pregunta: 'protocol'");
    return false;
  }
  if (protocol_id != kProtocolId) {
    KORVEX_TRACE("DecodeRequestHeader(): protocolo no soportado: 0x%08x",
                 static_cast<unsigned>(protocol_id));
    return false;
  }
  if (!request.GetQuery(protocol_id, query)) {
    KORVEX_TRACE("DecodeRequestHeader(): parámetro faltante o inválido en la pregunta: 'query'");
    return false;
  }
  return true;
}

bool DecodeRequest(CBuffer& request, MensajeAlDespachanteRequest& out) {
  return DecodeMessageQuestion(request, out);
}

bool DecodeRequest(CBuffer& request, PreguntaSiNoRequest& out) {
  return DecodeMessageQuestion(request, out);
}

bool DecodeRequest(CBuffer& request, PreguntaTextoRequest& out) {
  Fields fields(request, PreguntaTextoRequest::kName, "pregunta");
  fields.Integer("item", out.item).String("lpText", out.name);
  if (!fields.ok()) return false;
  KORVEX_TRACE("PreguntaTexto(): '%s'", Utf8(out.name).c_str());
  return fields.End();
}

bool DecodeRequest(CBuffer& request, PreguntaOpcionesRequest& out) {
  Fields fields(request, PreguntaOpcionesRequest::kName, "pregunta");
  std::int32_t count = 0;
  if (!fields.Integer("item", out.item).Integer("count", count).ok()) return false;
  if (count < 0 || count > kMaxOptions) {
    KORVEX_TRACE("PreguntaOpciones(): parámetro 'count' fuera de rango (0-%d): %d", kMaxOptions,
                 count);
    return false;
  }
  out.options.assign(static_cast<std::size_t>(count), Text());
  for (Text& option : out.options) {
    if (!fields.String("elements[]", option).ok()) return false;
  }
  if (!fields.End()) return false;
  KORVEX_TRACE("PreguntaOpciones(): %d elementos", count);
  return true;
}

// --- responses ----------------------------------------------------------------------------

bool EncodeResponse(const MensajeAlDespachanteResponse& response, Clock& clock, CBuffer& out) {
  return Write(out, clock, [&] { return out.AddBool(response.acknowledged); });
}

bool EncodeResponse(const PreguntaSiNoResponse& response, Clock& clock, CBuffer& out) {
  return Write(out, clock, [&] {
    return out.AddInteger(response.answer) && out.AddBool(response.acknowledged);
  });
}

bool EncodeResponse(const PreguntaTextoResponse& response, Clock& clock, CBuffer& out) {
  return Write(out, clock, [&] {
    return out.AddString(response.value) && out.AddBool(response.acknowledged);
  });
}

bool EncodeResponse(const PreguntaOpcionesResponse& response, Clock& clock, CBuffer& out) {
  return Write(out, clock, [&] { return out.AddInteger(response.answerid); });
}

bool DecodeResponse(CBuffer& response, Clock& clock, MensajeAlDespachanteResponse& out) {
  const char* name = MensajeAlDespachanteRequest::kName;
  return OpenResponse(response, clock, name) &&
         Fields(response, name, "respuesta").Bool("acknowledged", out.acknowledged).End();
}

bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaSiNoResponse& out) {
  const char* name = PreguntaSiNoRequest::kName;
  return OpenResponse(response, clock, name) &&
         Fields(response, name, "respuesta")
             .Integer("answer", out.answer)
             .Bool("acknowledged", out.acknowledged)
             .End();
}

bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaTextoResponse& out) {
  const char* name = PreguntaTextoRequest::kName;
  return OpenResponse(response, clock, name) &&
         Fields(response, name, "respuesta")
             .String("answer", out.value)
             .Bool("acknowledged", out.acknowledged)
             .End();
}

bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaOpcionesResponse& out) {
  const char* name = PreguntaOpcionesRequest::kName;
  return OpenResponse(response, clock, name) &&
         Fields(response, name, "respuesta").Integer("answerid", out.answerid).End();
}

}  // namespace korvex::protocol
