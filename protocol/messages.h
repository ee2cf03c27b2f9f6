// The four questions of the query protocol and the robot's answers, each
// with its one encoder and decoder: the tariff control (and kvxtool ask)
// encode the requests and decode the responses, the robot decodes the
// requests and encodes the responses, all through these functions.  The
// values of each message are listed in protocol/protocol.h.
//
// A request's body is the protocol identifier, the query number, the item
// and the question's values, then the signature; a response's body is the
// protocol identifier and the answer's values, then the signature.  An
// encoder writes a whole signed body.  A decoder reads every value in order
// and accepts the body only when nothing but the signature follows the last
// one; every failure is false, with the reason traced, and what was decoded
// so far is not to be used.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"
#include "protocol/buffer.h"
#include "protocol/protocol.h"

namespace korvex::protocol {

// --- requests ------------------------------------------------------------------------------

struct MensajeAlDespachanteRequest {
  static constexpr std::int32_t kQuery = kMensajeAlDespachante;
  static constexpr const char* kName = "MensajeAlDespachante";
  std::int32_t item = 0;
  Text text;
  Text caption;
  std::int32_t type = 0;  // the message box's uType
  friend bool operator==(const MensajeAlDespachanteRequest&,
                         const MensajeAlDespachanteRequest&) = default;
};

struct PreguntaSiNoRequest {
  static constexpr std::int32_t kQuery = kPreguntaSiNo;
  static constexpr const char* kName = "PreguntaSiNo";
  std::int32_t item = 0;
  Text text;
  Text caption;
  std::int32_t type = 0;
  friend bool operator==(const PreguntaSiNoRequest&, const PreguntaSiNoRequest&) = default;
};

struct PreguntaTextoRequest {
  static constexpr std::int32_t kQuery = kPreguntaTexto;
  static constexpr const char* kName = "PreguntaTexto";
  std::int32_t item = 0;
  Text name;  // of the value asked for
  friend bool operator==(const PreguntaTextoRequest&, const PreguntaTextoRequest&) = default;
};

struct PreguntaOpcionesRequest {
  static constexpr std::int32_t kQuery = kPreguntaOpciones;
  static constexpr const char* kName = "PreguntaOpciones";
  std::int32_t item = 0;
  std::vector<Text> options;  // at most kMaxOptions are accepted
  friend bool operator==(const PreguntaOpcionesRequest&,
                         const PreguntaOpcionesRequest&) = default;
};

bool EncodeRequest(const MensajeAlDespachanteRequest& request, Clock& clock, CBuffer& out);
bool EncodeRequest(const PreguntaSiNoRequest& request, Clock& clock, CBuffer& out);
bool EncodeRequest(const PreguntaTextoRequest& request, Clock& clock, CBuffer& out);
bool EncodeRequest(const PreguntaOpcionesRequest& request, Clock& clock, CBuffer& out);

// The start of a received request: its signature, the protocol and the
// query number (0 to 3), which says the request's decoder.
bool DecodeRequestHeader(CBuffer& request, Clock& clock, std::int32_t& query);
// The rest of the request, from the item on.
bool DecodeRequest(CBuffer& request, MensajeAlDespachanteRequest& out);
bool DecodeRequest(CBuffer& request, PreguntaSiNoRequest& out);
bool DecodeRequest(CBuffer& request, PreguntaTextoRequest& out);
bool DecodeRequest(CBuffer& request, PreguntaOpcionesRequest& out);

// --- responses ----------------------------------------------------------------------------

struct MensajeAlDespachanteResponse {
  std::int32_t acknowledged = 0;  // 1: the message is not shown
  friend bool operator==(const MensajeAlDespachanteResponse&,
                         const MensajeAlDespachanteResponse&) = default;
};

struct PreguntaSiNoResponse {
  std::int32_t answer = 0;  // kIdYes or kIdNo
  std::int32_t acknowledged = 0;
  friend bool operator==(const PreguntaSiNoResponse&, const PreguntaSiNoResponse&) = default;
};

struct PreguntaTextoResponse {
  Text value;
  std::int32_t acknowledged = 0;  // 1: use the value; 0: ask the user
  friend bool operator==(const PreguntaTextoResponse&, const PreguntaTextoResponse&) = default;
};

struct PreguntaOpcionesResponse {
  std::int32_t answerid = kCancelTreatment;  // kSelectNone or an option's index too
  friend bool operator==(const PreguntaOpcionesResponse&,
                         const PreguntaOpcionesResponse&) = default;
};

bool EncodeResponse(const MensajeAlDespachanteResponse& response, Clock& clock, CBuffer& out);
bool EncodeResponse(const PreguntaSiNoResponse& response, Clock& clock, CBuffer& out);
bool EncodeResponse(const PreguntaTextoResponse& response, Clock& clock, CBuffer& out);
bool EncodeResponse(const PreguntaOpcionesResponse& response, Clock& clock, CBuffer& out);

// A whole received response: its signature, the protocol, the values.
bool DecodeResponse(CBuffer& response, Clock& clock, MensajeAlDespachanteResponse& out);
bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaSiNoResponse& out);
bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaTextoResponse& out);
bool DecodeResponse(CBuffer& response, Clock& clock, PreguntaOpcionesResponse& out);

// --- what an answer means -------------------------------------------------------------------

// An answer of the yes/no question.
constexpr bool IsYesOrNo(std::int32_t answer) { return answer == kIdYes || answer == kIdNo; }
// An answer of the choice among count options.
constexpr bool IsOptionsAnswer(std::int32_t answerid, std::int32_t count) {
  return answerid == kSelectNone || answerid == kCancelTreatment ||
         (answerid >= 0 && answerid < count);
}

}  // namespace korvex::protocol
