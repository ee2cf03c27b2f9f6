// The robot client's whole exchange has one deadline: a local program on the
// robot's port that answers with a large length and then trickles one byte
// now and then (each in time for the wait it ends) cannot keep the host's
// thread inside a run of the tariff control; once the deadline has passed
// the control asks its own user, as when no robot runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "protocol/protocol.h"
#include "tarifex/engine_record.h"
#include "tarifex/protorobot_questions.h"
#include "tarifex/robot_client.h"
#include "tarifex/tarifex_control.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/tarifex_fakes.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using tarifex::CProtorobot;
using tarifex::ProtorobotQuestions;
using tarifex::RecordMode;
using tarifex::TarifexControl;
using ::testing::ElementsAre;

// Listens on a free loopback port; every connection gets, once the request
// has come in, the length of the largest response and then one byte every
// interval, until the client goes or the server stops.
class TricklingServer {
 public:
  explicit TricklingServer(std::chrono::milliseconds interval) : m_interval(interval) {
    net::InitializeSockets();
    m_listening = net::Socket::Tcp();
    m_ready = m_listening.IsValid() && m_stop.Open() && m_listening.Bind("127.0.0.1", 0) &&
              m_listening.Listen(4) && m_listening.SetNonBlocking();
    if (m_ready) m_thread = std::thread([this] { Serve(); });
  }
  ~TricklingServer() { Stop(); }
  // Ends every connection.
  void Stop() {
    m_stop.Set();
    if (m_thread.joinable()) m_thread.join();
  }
  bool ready() const { return m_ready; }
  std::uint16_t port() const { return m_listening.LocalPort(); }
  int bytes_trickled() const { return m_trickled.load(); }

 private:
  void Serve() {
    while (net::WaitReadable(m_listening, -1, &m_stop) == net::WaitResult::kReady) {
      net::Socket client = m_listening.Accept();
      if (!client.IsValid() || !client.SetNonBlocking()) continue;
      std::uint8_t request[256];
      if (net::WaitReadable(client, 5000, &m_stop) != net::WaitResult::kReady) return;
      client.Receive(request, sizeof request);
      const Bytes length = LittleEndian(protocol::kMaxResponseLength);
      if (!net::WriteAll(client, length.data(), 4, 1000, &m_stop)) continue;
      // Each byte comes well within the client's wait for it.
      for (;;) {
        if (net::WaitReadable(m_stop.Handle(), static_cast<int>(m_interval.count()), &m_stop) ==
            net::WaitResult::kStopped) {
          return;
        }
        const std::uint8_t byte = 0x5A;
        if (client.Send(&byte, 1) != 1) break;  // the client has gone
        ++m_trickled;
      }
    }
  }

  std::chrono::milliseconds m_interval;
  net::Socket m_listening;
  net::StopSignal m_stop;
  bool m_ready = false;
  std::atomic<int> m_trickled{0};
  std::thread m_thread;
};

TEST(RobotClientDeadline, ATricklingServerHoldsARunOfTheControlNoLongerThanTheDeadline) {
  // A byte every second: each of the client's waits (5 s) is satisfied, and
  // 65 536 of them would keep the run going for 18 hours.
  TricklingServer server(std::chrono::milliseconds(1000));
  ASSERT_TRUE(server.ready());

  FakeDesktop desk;
  const Hwnd validation = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                            .text = u"Validación Total de Items",
                                            .style = 0x16CF0000});
  desk.AddChild(validation, {.class_name = u"ThunderRT6Frame",
                             .text = u"Declaración - Validando Item: 3",
                             .style = 0x50000000});
  CProtorobot client(desk, {.port = server.port()});
  ProtorobotQuestions questions(client);
  ScriptedEngine engine;
  MemoryComponents components;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control({engine, components, questions, user, files});
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  engine.ReplyAll(*tarifex::WriteRecord("TXT", RecordMode::Line, {{"Desea continuar?"}}),
                  "TXT_OK");
  user.PressInBox(tarifex::mb::kIdYes);

  const auto start = std::chrono::steady_clock::now();
  std::future<bool> run =
      std::async(std::launch::async, [&] { return control.ExecTarifex(validation); });
  // A generous bound, only so that a run that never ends fails the test
  // instead of hanging it.
  const auto bound = std::chrono::milliseconds(protocol::kExchangeDeadlineMs) +
                     std::chrono::seconds(10);
  const bool returned = run.wait_for(bound) == std::future_status::ready;
  const double held =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("[ timing ] a trickling server held ExecTarifex %.3f s (%d bytes trickled; "
              "the exchange's deadline is %.1f s)\n",
              held, server.bytes_trickled(), protocol::kExchangeDeadlineMs / 1000.0);
  EXPECT_TRUE(returned) << "ExecTarifex was still held after " << held << " s";
  if (!returned) {
    server.Stop();  // ends the exchange, so that the run can be waited for
    run.wait();
    return;
  }
  ASSERT_TRUE(run.get()) << control.MsgError();
  // Without the robot's answer the control asked its user.
  ASSERT_EQ(user.Boxes().size(), 1u);
  EXPECT_EQ(user.Boxes()[0].text, "Desea continuar?");
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("SI", "END:*"));
}

}  // namespace
}  // namespace korvex::testing
