// A bounded load on the query service over loopback, which ends by itself:
// 1 000 questions one after the other, 50 clients at once, silent clients and
// clients announcing oversized requests while normal questions keep being
// answered, then Stop with a question waiting for the user-interface thread.
// Afterwards no thread and no socket of the service is left.  Timings are
// printed, never checked.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "tarifex/ansi.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using Steady = std::chrono::steady_clock;

double Seconds(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

constexpr const char16_t* kYes =
    u"4|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|";
constexpr const char16_t* kNo =
    u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|";

TEST(QueryLoad, BoundedLoadOnLoopback) {
  SettableClock clock;
  clock.seconds = 1'700'000'000;
  UiDispatcher ui;
  FakeMessageBoxResources resources;
  CProfile profile(u"Carga");
  FakeDesktop desk;
  const Hwnd host = desk.AddTopLevel({.text = u"Validación Total de Items"});
  desk.AddChild(host, {.class_name = u"ThunderRT6Frame", .text = u"Declaración - Validando Item: 1"});

  // Twenty questions, answered yes for even numbers and no for odd ones.
  const auto question = [](int n) { return u"¿Pregunta número " + FromUtf8(std::to_string(n)) + u"?"; };
  const auto expected = [](int n) { return n % 2 == 0 ? protocol::kIdYes : protocol::kIdNo; };
  const std::int32_t icon = static_cast<std::int32_t>(resources.LoadSystemIcon(win::kIdiQuestion));
  for (int n = 0; n < 20; ++n) {
    profile.SetAnswer(query::YesNoKey(u"&Sí", u"&No", icon, question(n)), n % 2 == 0 ? kYes : kNo);
  }
  ui.SetProfile(&profile);

  const auto before = CountProcessResources();
  query::CDirectRobot robot(query::QueryServerOptions{0, &clock});
  robot.SetContext({&ui, &resources});
  ASSERT_TRUE(robot.Start());
  const tarifex::RobotClientOptions options{robot.Port(), &clock};

  // Asks question n; the answer, or 0 for none.
  const auto ask = [&](tarifex::CProtorobot& client, int n) {
    std::int32_t answer = 0;
    if (!client.PreguntaSiNo(host, tarifex::ToAnsi(question(n)), "Pregunta del tarifex", 0x24,
                             answer)) {
      return 0;
    }
    return answer;
  };

  {  // 1 000 questions one after the other.
    tarifex::CProtorobot client(desk, options);
    int right = 0;
    const auto start = Steady::now();
    for (int i = 0; i < 1000; ++i) right += ask(client, i % 20) == expected(i % 20) ? 1 : 0;
    const double s = Seconds(start);
    std::printf("[ load ] 1000 sequential questions: %d answered right in %.3f s (%.1f us each)\n",
                right, s, s * 1e6 / 1000);
    EXPECT_EQ(right, 1000);
  }

  {  // 50 clients at once, 10 questions each.  A client beyond the bound of
     // connections served at once is turned away without an answer; no
     // client ever gets a wrong one.
    std::atomic<int> right{0};
    std::atomic<int> none{0};
    std::atomic<int> wrong{0};
    const auto start = Steady::now();
    std::vector<std::thread> clients;
    for (int c = 0; c < 50; ++c) {
      clients.emplace_back([&, c] {
        tarifex::CProtorobot client(desk, options);
        for (int i = 0; i < 10; ++i) {
          const int n = (c + i) % 20;
          const int answer = ask(client, n);
          (answer == 0 ? none : answer == expected(n) ? right : wrong)++;
        }
      });
    }
    for (auto& t : clients) t.join();
    std::printf("[ load ] 50 concurrent clients x 10 questions: %d answered, %d turned away, "
                "%d wrong, in %.3f s\n",
                right.load(), none.load(), wrong.load(), Seconds(start));
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(right.load() + none.load(), 500);
    EXPECT_GT(right.load(), 0);
  }

  {  // 10 silent clients and 10 announcing oversized requests; normal
     // questions keep being answered meanwhile.
    std::vector<std::unique_ptr<RawClient>> silent;
    std::vector<std::unique_ptr<RawClient>> oversized;
    for (int i = 0; i < 10; ++i) {
      silent.push_back(std::make_unique<RawClient>(robot.Port()));
      ASSERT_TRUE(silent.back()->connected());
      oversized.push_back(std::make_unique<RawClient>(robot.Port()));
      ASSERT_TRUE(oversized.back()->Send(LittleEndian(0x7FFFFFF0u)));
    }
    tarifex::CProtorobot client(desk, options);
    int right = 0;
    const auto start = Steady::now();
    for (int i = 0; i < 200; ++i) right += ask(client, i % 20) == expected(i % 20) ? 1 : 0;
    std::printf("[ load ] 200 questions beside 10 silent and 10 oversized clients: %d answered "
                "right in %.3f s\n",
                right, Seconds(start));
    EXPECT_EQ(right, 200);
    for (auto& c : oversized) EXPECT_TRUE(c->ClosedWithin(3000));

    // Stop while a question waits for the user-interface thread, with the
    // silent clients still connected; the user-interface thread stops.
    ui.Hold();
    auto waiting = std::async(std::launch::async, [&] {
      tarifex::CProtorobot c(desk, options);
      return ask(c, 0);
    });
    ASSERT_TRUE(ui.WaitForWaitingLookups(1, std::chrono::seconds(10)));
    const auto stop_start = Steady::now();
    auto stopped = std::async(std::launch::async, [&] { ui.Run([&] { robot.Stop(); }); });
    if (stopped.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
      ADD_FAILURE() << "Stop did not return";
      std::abort();
    }
    std::printf("[ load ] Stop with a question waiting and 10 silent clients: %.3f s\n",
                Seconds(stop_start));
    ui.Release();
    EXPECT_EQ(waiting.get(), 0);
    for (auto& c : silent) EXPECT_TRUE(c->ClosedWithin(3000));
  }

  // Every thread and socket of the service is gone (where the system shows
  // them).
  EXPECT_EQ(CountProcessResources(), before);
}

}  // namespace
}  // namespace korvex::testing
