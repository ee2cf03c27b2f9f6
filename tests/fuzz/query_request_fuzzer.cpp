// Arbitrary bodies through the query protocol's decoders, past the
// signature: the harness signs each body, so the fuzzer reaches the
// protocol and query checks, every request's decoder and, through the
// robot's handlers, the keys they build and their judgment of the stored
// answer list, which comes from the input too.  The same body goes through
// every response's decoder, as the tariff control reads a response.  A
// message that decodes encodes again to exactly the bytes it came from.
//
// Input: a 2-byte little-endian length L, then L bytes of UTF-16LE that the
// user-interface thread answers every lookup with (an odd last byte is
// dropped), then the request body without its signature.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/buffer.h"
#include "protocol/messages.h"
#include "robot/query/query_handlers.h"
#include "robot/query/query_server.h"
#include "tests/fakes/fixed_environment.h"

namespace {

using namespace korvex;

class AnsweringUi final : public query::UiThreadPort {
 public:
  Text answer;
  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override {
    // The key is the handler's work: read it whole, as a lookup would.
    std::size_t sum = 0;
    for (const char16_t c : record.key) sum += c;
    record.item ^= static_cast<std::int32_t>(sum);
    record.response = answer;
    record.found = answer.empty() ? 0 : 1;
    if (!record.found) record.error = query::kErrorNoData;
    return 1;
  }
  void WaitWhileStopping(const std::function<bool()>&) override {}
};

class Icons final : public query::MessageBoxResources {
 public:
  IconHandle LoadSystemIcon(int id) override { return 0x10000 + static_cast<IconHandle>(id); }
  bool LoadMB_GetString() override { return true; }
  std::optional<Text> MB_GetString(unsigned index) override {
    if (index == 0) return Text(u"Aceptar");
    if (index == 5) return std::nullopt;
    return Text(u"&No");
  }
};

// A copy of a signed body as received: exactly its length, read from the
// start.
bool Received(const protocol::CBuffer& body, protocol::CBuffer& copy) {
  if (!copy.PrepareBuffer(body.Size())) return false;
  for (std::int32_t i = 0; i < body.Size(); ++i) copy.Data()[i] = body.Data()[i];
  return copy.SetSize(body.Size());
}

bool SameBytes(const protocol::CBuffer& a, const protocol::CBuffer& b) {
  if (a.Size() != b.Size()) return false;
  for (std::int32_t i = 0; i < a.Size(); ++i) {
    if (a.Data()[i] != b.Data()[i]) return false;
  }
  return true;
}

// The request's decoder, from the item on; what decodes encodes back.
template <class Request>
void RequestRoundTrip(protocol::CBuffer& received, const protocol::CBuffer& body, Clock& clock) {
  Request decoded;
  if (!protocol::DecodeRequest(received, decoded)) return;
  protocol::CBuffer encoded;
  if (!protocol::EncodeRequest(decoded, clock, encoded) || !SameBytes(encoded, body)) {
    __builtin_trap();
  }
}

template <class Response>
void ResponseRoundTrip(const protocol::CBuffer& body, Clock& clock) {
  protocol::CBuffer received;
  if (!Received(body, received)) return;
  Response decoded;
  if (!protocol::DecodeResponse(received, clock, decoded)) return;
  protocol::CBuffer encoded;
  if (!protocol::EncodeResponse(decoded, clock, encoded) || !SameBytes(encoded, body)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t answer_bytes = data[0] | static_cast<std::size_t>(data[1]) << 8;
  if (2 + answer_bytes > size) return 0;
  AnsweringUi ui;
  for (std::size_t i = 0; i + 1 < answer_bytes; i += 2) {
    ui.answer.push_back(static_cast<char16_t>(data[2 + i] | data[3 + i] << 8));
  }
  const std::uint8_t* body = data + 2 + answer_bytes;
  const std::size_t body_size = size - 2 - answer_bytes;
  if (body_size > static_cast<std::size_t>(protocol::kMaxRequestLength) - 4) return 0;

  SettableClock clock;
  clock.seconds = 1'700'000'000;
  protocol::CBuffer request;
  if (body_size > 0 && !request.AddData(body, static_cast<std::int32_t>(body_size))) return 0;
  request.AddSignature(clock);
  protocol::CBuffer received;
  protocol::CBuffer again;
  if (!Received(request, received) || !Received(request, again)) return 0;

  // The decoders alone.
  std::int32_t query = -1;
  if (protocol::DecodeRequestHeader(again, clock, query)) {
    switch (query) {
      case protocol::kMensajeAlDespachante:
        RequestRoundTrip<protocol::MensajeAlDespachanteRequest>(again, request, clock);
        break;
      case protocol::kPreguntaSiNo:
        RequestRoundTrip<protocol::PreguntaSiNoRequest>(again, request, clock);
        break;
      case protocol::kPreguntaTexto:
        RequestRoundTrip<protocol::PreguntaTextoRequest>(again, request, clock);
        break;
      case protocol::kPreguntaOpciones:
        RequestRoundTrip<protocol::PreguntaOpcionesRequest>(again, request, clock);
        break;
      default:
        __builtin_trap();  // the header accepts the four queries only
    }
  }
  ResponseRoundTrip<protocol::MensajeAlDespachanteResponse>(request, clock);
  ResponseRoundTrip<protocol::PreguntaSiNoResponse>(request, clock);
  ResponseRoundTrip<protocol::PreguntaTextoResponse>(request, clock);
  ResponseRoundTrip<protocol::PreguntaOpcionesResponse>(request, clock);

  // The robot's handling of the request.
  Icons icons;
  query::QueryConnection robot({&ui, &icons}, nullptr, clock);
  protocol::CBuffer response;
  if (query::HandleRequest(received, robot, clock, response)) {
    // A response is signed and holds at least the protocol.
    if (!response.CheckSignature(clock) || response.Size() < 8) __builtin_trap();
  }
  return 0;
}
