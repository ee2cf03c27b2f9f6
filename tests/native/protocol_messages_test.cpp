// Each message of the query protocol through its one encoder and decoder
// (protocol/messages.h): the encoder lays the values out as the protocol
// lists them (protocol/protocol.h), the decoder gives back what was sent,
// and a body with a value missing, a value too many or a value out of its
// bounds is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "protocol/messages.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/native/query_test_support.h"

namespace korvex::protocol {
namespace {

using korvex::testing::Bytes;
using korvex::testing::SignedRequest;

constexpr std::int64_t kNow = 1'700'000'000;

// A text with what the escaping of keys and the UTF-16 of the wire treat
// specially.
const Text kTricky = u"Pipe | barra \\ \"comillas\" <x>\r\n\tñ € \U0001F600";

Bytes BytesOf(const CBuffer& b) { return Bytes(b.Data(), b.Data() + b.Size()); }

// A body as received: exactly its length, read from the start.
void Receive(const Bytes& body, CBuffer& b) {
  ASSERT_TRUE(b.PrepareBuffer(static_cast<std::int32_t>(body.size())));
  std::copy(body.begin(), body.end(), b.Data());
  ASSERT_TRUE(b.SetSize(static_cast<std::int32_t>(body.size())));
}

// The request encoded is the layout; decoded, it is what was sent.
template <class Request>
void ExpectRequestRoundTrip(const Request& sent, const std::function<void(CBuffer&)>& layout) {
  SettableClock clock;
  clock.seconds = kNow;
  CBuffer encoded;
  ASSERT_TRUE(EncodeRequest(sent, clock, encoded));
  const Bytes body = BytesOf(encoded);
  EXPECT_EQ(body, SignedRequest(clock, Request::kQuery, layout));
  CBuffer received;
  Receive(body, received);
  std::int32_t query = -1;
  ASSERT_TRUE(DecodeRequestHeader(received, clock, query));
  EXPECT_EQ(query, Request::kQuery);
  Request decoded;
  ASSERT_TRUE(DecodeRequest(received, decoded));
  EXPECT_EQ(decoded, sent);
}

template <class Response>
void ExpectResponseRoundTrip(const Response& sent, const std::function<void(CBuffer&)>& layout) {
  SettableClock clock;
  clock.seconds = kNow;
  CBuffer encoded;
  ASSERT_TRUE(EncodeResponse(sent, clock, encoded));
  CBuffer expected;
  expected.AddInteger(kProtocolId);
  layout(expected);
  expected.AddSignature(clock);
  EXPECT_EQ(BytesOf(encoded), BytesOf(expected));
  CBuffer received;
  Receive(BytesOf(encoded), received);
  Response decoded;
  ASSERT_TRUE(DecodeResponse(received, clock, decoded));
  EXPECT_EQ(decoded, sent);
}

TEST(ProtocolMessages, EveryMessageComesBackAsItWasSentInTheListedLayout) {
  const std::vector<Text> most(static_cast<std::size_t>(kMaxOptions), u"opción");
  const struct {
    const char* message;
    std::function<void()> round_trip;
  } cases[] = {
      {"MensajeAlDespachante",
       [] {
         ExpectRequestRoundTrip(
             MensajeAlDespachanteRequest{12, kTricky, u"Mensaje al declarante", 0x40},
             [](CBuffer& b) {
               b.AddInteger(12);
               b.AddString(kTricky);
               b.AddString(u"Mensaje al declarante");
               b.AddInteger(0x40);
             });
       }},
      {"MensajeAlDespachante, empty texts and extreme numbers",
       [] {
         ExpectRequestRoundTrip(MensajeAlDespachanteRequest{INT_MIN, u"", u"", INT_MAX},
                                [](CBuffer& b) {
                                  b.AddInteger(INT_MIN);
                                  b.AddString(u"");
                                  b.AddString(u"");
                                  b.AddInteger(INT_MAX);
                                });
       }},
      {"PreguntaSiNo",
       [] {
         ExpectRequestRoundTrip(PreguntaSiNoRequest{9999, u"¿Seguir?", kTricky, 0x24},
                                [](CBuffer& b) {
                                  b.AddInteger(9999);
                                  b.AddString(u"¿Seguir?");
                                  b.AddString(kTricky);
                                  b.AddInteger(0x24);
                                });
       }},
      {"PreguntaTexto",
       [] {
         ExpectRequestRoundTrip(PreguntaTextoRequest{1, kTricky}, [](CBuffer& b) {
           b.AddInteger(1);
           b.AddString(kTricky);
         });
       }},
      {"PreguntaOpciones, no option",
       [] {
         ExpectRequestRoundTrip(PreguntaOpcionesRequest{3, {}}, [](CBuffer& b) {
           b.AddInteger(3);
           b.AddInteger(0);
         });
       }},
      {"PreguntaOpciones",
       [] {
         ExpectRequestRoundTrip(PreguntaOpcionesRequest{3, {u"Uno", u"", kTricky}},
                                [](CBuffer& b) {
                                  b.AddInteger(3);
                                  b.AddInteger(3);
                                  b.AddString(u"Uno");
                                  b.AddString(u"");
                                  b.AddString(kTricky);
                                });
       }},
      {"PreguntaOpciones, the most options",
       [&] {
         ExpectRequestRoundTrip(PreguntaOpcionesRequest{3, most}, [&](CBuffer& b) {
           b.AddInteger(3);
           b.AddInteger(kMaxOptions);
           for (const Text& option : most) b.AddString(option);
         });
       }},
      {"response to MensajeAlDespachante",
       [] {
         ExpectResponseRoundTrip(MensajeAlDespachanteResponse{1},
                                 [](CBuffer& b) { b.AddInteger(1); });
       }},
      {"response to PreguntaSiNo",
       [] {
         ExpectResponseRoundTrip(PreguntaSiNoResponse{kIdNo, 1}, [](CBuffer& b) {
           b.AddInteger(7);
           b.AddInteger(1);
         });
       }},
      {"response to PreguntaTexto, ask the user",
       [] {
         ExpectResponseRoundTrip(PreguntaTextoResponse{kTricky, 0}, [](CBuffer& b) {
           b.AddString(kTricky);
           b.AddInteger(0);
         });
       }},
      {"responses to PreguntaOpciones",
       [] {
         for (const std::int32_t answer : {kCancelTreatment, kSelectNone, 0, 4999}) {
           ExpectResponseRoundTrip(PreguntaOpcionesResponse{answer},
                                   [&](CBuffer& b) { b.AddInteger(answer); });
         }
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    c.round_trip();
  }
}

// Bodies signed with the clock, each decoded by the decoder named.
TEST(ProtocolMessages, DecodersRefuseWhatIsNotExactlyTheirMessage) {
  SettableClock clock;
  clock.seconds = kNow;
  const auto request = [&](std::int32_t query, const std::function<void(CBuffer&)>& values) {
    return SignedRequest(clock, query, values);
  };
  const auto response = [&](const std::function<void(CBuffer&)>& values,
                            std::int32_t protocol_id = kProtocolId) {
    CBuffer b;
    b.AddInteger(protocol_id);
    values(b);
    b.AddSignature(clock);
    return BytesOf(b);
  };
  const auto decodes = [&](const Bytes& body, auto decoded) {
    CBuffer b;
    Receive(body, b);
    if constexpr (requires { DecodeRequest(b, decoded); }) {
      std::int32_t query = -1;
      return DecodeRequestHeader(b, clock, query) && DecodeRequest(b, decoded);
    } else {
      return DecodeResponse(b, clock, decoded);
    }
  };
  const struct {
    const char* body;
    bool decodes;
  } cases[] = {
      {"a message question without its type",
       decodes(request(kMensajeAlDespachante,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddString(u"t");
                         b.AddString(u"c");
                       }),
               MensajeAlDespachanteRequest{})},
      {"a yes/no question with a value too many",
       decodes(request(kPreguntaSiNo,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddString(u"t");
                         b.AddString(u"c");
                         b.AddInteger(0);
                         b.AddInteger(0);
                       }),
               PreguntaSiNoRequest{})},
      {"a text question whose name's count runs past the body",
       decodes(request(kPreguntaTexto,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddInteger(3);
                       }),
               PreguntaTextoRequest{})},
      {"options counted -1",
       decodes(request(kPreguntaOpciones,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddInteger(-1);
                       }),
               PreguntaOpcionesRequest{})},
      {"options counted one more than the most",
       decodes(request(kPreguntaOpciones,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddInteger(kMaxOptions + 1);
                       }),
               PreguntaOpcionesRequest{})},
      {"options counted 2 carrying 1",
       decodes(request(kPreguntaOpciones,
                       [](CBuffer& b) {
                         b.AddInteger(1);
                         b.AddInteger(2);
                         b.AddString(u"a");
                       }),
               PreguntaOpcionesRequest{})},
      {"a query number beyond the four",
       decodes(request(4, [](CBuffer& b) { b.AddInteger(1); }), PreguntaTextoRequest{})},
      {"a response whose acknowledgement is 2",
       decodes(response([](CBuffer& b) { b.AddInteger(2); }), MensajeAlDespachanteResponse{})},
      {"a yes/no response without its acknowledgement",
       decodes(response([](CBuffer& b) { b.AddInteger(6); }), PreguntaSiNoResponse{})},
      {"a response of another protocol",
       decodes(response([](CBuffer& b) { b.AddInteger(0); }, 0x00010002),
               PreguntaOpcionesResponse{})},
      {"a response with a value too many",
       decodes(response(
                   [](CBuffer& b) {
                     b.AddInteger(0);
                     b.AddInteger(0);
                   }),
               PreguntaOpcionesResponse{})},
  };
  for (const auto& c : cases) EXPECT_FALSE(c.decodes) << c.body;
  // The same response, well made, is read.
  EXPECT_TRUE(decodes(response([](CBuffer& b) { b.AddInteger(0); }), PreguntaOpcionesResponse{}));
}

}  // namespace
}  // namespace korvex::protocol
