// The query server on loopback: framing and its bounds, the 5-second waits,
// signatures, dispatch, connections served side by side, the bound on them,
// and Start/Stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "protocol/protocol.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using Clock_ = std::chrono::steady_clock;
using protocol::CBuffer;

double SecondsSince(Clock_::time_point start) {
  return std::chrono::duration<double>(Clock_::now() - start).count();
}

// A message question for the item 12.
std::function<void(CBuffer&)> Message(const Text& text, std::int32_t uType = 0x40) {
  return [text, uType](CBuffer& b) {
    b.AddInteger(12);
    b.AddString(text);
    b.AddString(u"Mensaje al declarante");
    b.AddInteger(uType);
  };
}

constexpr const char16_t* kAcknowledged =
    u"3|class CPressButton|class CNullInteraction|class CNullInteraction|";

class QueryServerTest : public QueryServiceTest {
 protected:
  // Stores the acknowledgement of a message text.
  void StoreMessage(const Text& text) {
    Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), text), kAcknowledged);
  }
  bool Acknowledged(const std::optional<Bytes>& response) {
    CBuffer b;
    std::int32_t ack = 0;
    return response && OpenResponse(*response, clock, b) && b.GetBool(ack) && ack == 1 &&
           b.ValidaEOM();
  }
};

TEST_F(QueryServerTest, AStoredMessageIsAcknowledgedWithProtocolOneAndSignature) {
  StoreMessage(u"Sin origen");
  const auto response =
      Exchange(port, SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"Sin origen")));
  ASSERT_TRUE(response);
  EXPECT_EQ(response->size(), 12u);
  EXPECT_TRUE(Acknowledged(response));
  const auto taken = ui.TakenLookups();
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].item, 12);
}

TEST_F(QueryServerTest, LengthsOutsideTheBoundsCloseBeforeAnyBodyIsRead) {
  // Each client sends its length and nothing else: the server either closes
  // at once or waits for the body (5 seconds).
  for (const std::uint32_t length :
       {11u, 0x100001u, 0u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu}) {
    SCOPED_TRACE(length);
    RawClient client(port);
    ASSERT_TRUE(client.Send(LittleEndian(length)));
    EXPECT_TRUE(client.ClosedWithin(3000));
  }
  std::vector<std::unique_ptr<RawClient>> reading;
  for (const std::uint32_t length : {12u, 0x100000u}) {
    reading.push_back(std::make_unique<RawClient>(port));
    ASSERT_TRUE(reading.back()->Send(LittleEndian(length)));
  }
  for (auto& client : reading) EXPECT_FALSE(client->ClosedWithin(300));
  for (auto& client : reading) EXPECT_TRUE(client->StillOpen());
  EXPECT_TRUE(ui.TakenLookups().empty());
}

TEST_F(QueryServerTest, TheLargestRequestIsReadWholeAndAnswered) {
  // 28 bytes around the two texts (protocol, query, item, two counts, uType,
  // signature) and the caption's 21 characters.
  const Text text(static_cast<std::size_t>((protocol::kMaxRequestLength - 28) / 2 - 21), u'a');
  StoreMessage(text);
  const Bytes body = SignedRequest(clock, protocol::kMensajeAlDespachante, Message(text));
  ASSERT_EQ(body.size(), static_cast<std::size_t>(protocol::kMaxRequestLength));
  EXPECT_TRUE(Acknowledged(Exchange(port, body)));
}

TEST_F(QueryServerTest, TheSmallestRequestIsReadAndItsHandlerFindsNoItem) {
  const Bytes body = SignedRequest(clock, protocol::kMensajeAlDespachante, [](CBuffer&) {});
  ASSERT_EQ(body.size(), 12u);
  EXPECT_FALSE(Exchange(port, body));
  EXPECT_TRUE(ui.TakenLookups().empty());
}

TEST_F(QueryServerTest, SilentClientsAreDroppedAfterFiveSecondsAndSlowOnesServed) {
  StoreMessage(u"despacio");
  const Bytes framed =
      Framed(SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"despacio")));
  const auto start = Clock_::now();

  // Sends its request in four parts with 2-second pauses: 6 seconds in all,
  // never 5 seconds of silence.
  auto slow = std::async(std::launch::async, [&] {
    RawClient client(port);
    const std::size_t quarter = framed.size() / 4;
    for (int part = 0; part < 4; ++part) {
      if (part > 0) std::this_thread::sleep_for(std::chrono::seconds(2));
      const auto from = framed.begin() + static_cast<std::ptrdiff_t>(part * quarter);
      const auto to = part == 3 ? framed.end() : from + static_cast<std::ptrdiff_t>(quarter);
      if (!client.Send(Bytes(from, to))) return false;
    }
    return Acknowledged(client.ReadResponse());
  });

  RawClient silent(port);
  ASSERT_TRUE(silent.Send(LittleEndian(40)));
  EXPECT_TRUE(silent.ClosedWithin(15000));
  std::printf("[ timing ] silent client dropped after %.2f s\n", SecondsSince(start));
  EXPECT_TRUE(slow.get());
  std::printf("[ timing ] slow client answered after %.2f s\n", SecondsSince(start));
}

TEST_F(QueryServerTest, ATricklingClientIsDroppedAtTheRequestsDeadline) {
  // A client that never stays silent for long, one byte every 40 ms, would
  // hold its connection for minutes with a large request; the whole request
  // has a deadline (here 400 ms instead of 30 s).
  StoreMessage(u"gota a gota");
  query::QueryServerOptions options{0, &clock};
  options.request_deadline_ms = 400;
  query::CDirectRobot strict(options);
  strict.SetContext({&ui, &resources});
  ASSERT_TRUE(strict.Start());
  const Bytes framed =
      Framed(SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"gota a gota")));
  RawClient client(strict.Port());
  ASSERT_TRUE(client.connected());
  std::size_t sent = 0;
  for (; sent < framed.size() && client.Send({framed[sent]}); ++sent) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  EXPECT_FALSE(client.ReadResponse(3000));
  EXPECT_TRUE(ui.TakenLookups().empty());
  std::printf("[ timing ] %zu of %zu bytes sent before the server closed\n", sent, framed.size());
  strict.Stop();
  // The same request sent at once is answered.
  EXPECT_TRUE(Acknowledged(Exchange(port, SignedRequest(clock, protocol::kMensajeAlDespachante,
                                                        Message(u"gota a gota")))));
}

TEST_F(QueryServerTest, SignaturesFromNowToNineSecondsAgoAreAccepted) {
  StoreMessage(u"firma");
  struct Case {
    std::int64_t age;
    bool answered;
  };
  for (const Case c : {Case{0, true}, Case{9, true}, Case{10, false}, Case{-1, false},
                       Case{3600, false}}) {
    SCOPED_TRACE(c.age);
    SettableClock signer;
    signer.seconds = kNow - c.age;
    const auto response =
        Exchange(port, SignedRequest(signer, protocol::kMensajeAlDespachante, Message(u"firma")));
    EXPECT_EQ(Acknowledged(response), c.answered);
  }
  EXPECT_EQ(ui.TakenLookups().size(), 2u);  // only the accepted ones reach a handler
}

TEST_F(QueryServerTest, RequestsRefusedBeforeAnyHandler) {
  StoreMessage(u"x");
  struct Case {
    const char* name;
    Bytes body;
  };
  Bytes tampered = SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"x"));
  tampered[8] ^= 1;  // the item
  const Case cases[] = {
      {"query number 4", SignedRequest(clock, 4, Message(u"x"))},
      {"query number -1", SignedRequest(clock, -1, Message(u"x"))},
      {"another protocol",
       SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"x"), 0x00010002)},
      {"a changed byte", tampered},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Exchange(port, c.body));
  }
  EXPECT_TRUE(ui.TakenLookups().empty());
}

TEST_F(QueryServerTest, TwoClientsAreServedSideBySideEachWithItsOwnResponse) {
  StoreMessage(u"uno");
  Store(query::YesNoKey(u"&Sí", u"&No", IconOf(win::kIdiQuestion), u"¿dos?"),
        u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
        u"class CNullInteraction|");
  ui.Hold();
  auto first = std::async(std::launch::async, [&] {
    return Exchange(port, SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"uno")));
  });
  auto second = std::async(std::launch::async, [&] {
    return Exchange(port, SignedRequest(clock, protocol::kPreguntaSiNo, [](CBuffer& b) {
                      b.AddInteger(13);
                      b.AddString(u"¿dos?");
                      b.AddString(u"Pregunta del tarifex");
                      b.AddInteger(0x24);
                    }));
  });
  // Both questions wait for the user-interface thread at the same time: each
  // connection has its own thread.
  EXPECT_TRUE(ui.WaitForWaitingLookups(2, std::chrono::seconds(10)));
  ui.Release();
  EXPECT_TRUE(Acknowledged(first.get()));
  const auto no = second.get();
  ASSERT_TRUE(no);
  CBuffer b;
  std::int32_t answer = 0;
  std::int32_t ack = 0;
  ASSERT_TRUE(OpenResponse(*no, clock, b));
  EXPECT_TRUE(b.GetInteger(answer) && b.GetBool(ack) && b.ValidaEOM());
  EXPECT_EQ(answer, protocol::kIdNo);
  EXPECT_EQ(ack, 1);
}

TEST_F(QueryServerTest, ConnectionsBeyondTheBoundAreClosedAtOnce) {
  // kMaxConnections questions wait for the user-interface thread at once.
  StoreMessage(u"lleno");
  ui.Hold();
  std::vector<std::future<bool>> waiting;
  for (int i = 0; i < query::kMaxConnections; ++i) {
    waiting.push_back(std::async(std::launch::async, [&] {
      RawClient client(port);
      return client.Send(Framed(SignedRequest(clock, protocol::kMensajeAlDespachante,
                                              Message(u"lleno")))) &&
             Acknowledged(client.ReadResponse(60000));
    }));
  }
  ASSERT_TRUE(ui.WaitForWaitingLookups(query::kMaxConnections, std::chrono::seconds(30)));

  // One more is closed at once, without a response and without a lookup.
  RawClient extra(port);
  ASSERT_TRUE(extra.connected());
  ASSERT_TRUE(extra.Send(Framed(
      SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"lleno")))));
  EXPECT_TRUE(extra.ClosedWithin(10000));

  ui.Release();
  for (auto& w : waiting) EXPECT_TRUE(w.get());
  EXPECT_EQ(ui.TakenLookups().size(), static_cast<std::size_t>(query::kMaxConnections));

  // The slots are free again.
  EXPECT_TRUE(Acknowledged(Exchange(
      port, SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"lleno")))));
}

TEST_F(QueryServerTest, StopEndsSilentClientsAtOnce) {
  std::vector<std::unique_ptr<RawClient>> silent;
  for (int i = 0; i < 5; ++i) {
    silent.push_back(std::make_unique<RawClient>(port));
    ASSERT_TRUE(silent.back()->Send(LittleEndian(100)));
  }
  const auto start = Clock_::now();
  robot->Stop();
  std::printf("[ timing ] Stop with 5 silent clients: %.3f s\n", SecondsSince(start));
  for (auto& client : silent) EXPECT_TRUE(client->ClosedWithin(3000));
}

TEST_F(QueryServerTest, StopOnTheUserInterfaceThreadWhileAQuestionWaitsForIt) {
  StoreMessage(u"esperando");
  ui.Hold();
  auto waiting = std::async(std::launch::async, [&] {
    return Exchange(port,
                    SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"esperando")));
  });
  ASSERT_TRUE(ui.WaitForWaitingLookups(1, std::chrono::seconds(10)));

  // The thread that the question waits for is the one that stops the
  // service, as the main frame does when it closes.
  const auto start = Clock_::now();
  auto stopped = std::async(std::launch::async, [&] { ui.Run([&] { robot->Stop(); }); });
  if (stopped.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "Stop did not return: the stopping thread and a connection wait for each other";
    std::abort();  // nothing could end the test otherwise
  }
  std::printf("[ timing ] Stop with a question waiting for the user-interface thread: %.3f s\n",
              SecondsSince(start));
  EXPECT_FALSE(waiting.get());            // no response
  EXPECT_TRUE(ui.TakenLookups().empty());  // and no lookup made
}

TEST_F(QueryServerTest, StartAndStop) {
  // A second Start while running does nothing.
  EXPECT_TRUE(robot->Start());
  EXPECT_EQ(robot->Port(), port);

  // Stop with no client: the listener ends at once.
  auto start = Clock_::now();
  robot->Stop();
  std::printf("[ timing ] Stop of an idle server: %.3f s\n", SecondsSince(start));
  EXPECT_EQ(robot->Port(), 0);
  EXPECT_FALSE(Exchange(port, SignedRequest(clock, 0, Message(u"x"))));
  robot->Stop();  // nothing to stop

  // Start after Stop makes a new server.
  StoreMessage(u"de nuevo");
  ASSERT_TRUE(robot->Start());
  EXPECT_TRUE(Acknowledged(Exchange(
      robot->Port(), SignedRequest(clock, protocol::kMensajeAlDespachante, Message(u"de nuevo")))));

  // Without a context nothing starts.
  query::CDirectRobot without_context(query::QueryServerOptions{0, &clock});
  EXPECT_FALSE(without_context.Start());
  EXPECT_EQ(without_context.LastError(), 0);

#ifndef _WIN32
  // The port taken: the server does not listen and keeps the socket error.
  // (Windows lets SO_REUSEADDR bind a port twice; not checked there.)
  query::CDirectRobot second(query::QueryServerOptions{robot->Port(), &clock});
  second.SetContext({&ui, &resources});
  EXPECT_FALSE(second.Start());
  EXPECT_NE(second.LastError(), 0);
  second.Stop();
#endif
}

}  // namespace
}  // namespace korvex::testing
