// Round-trip latency of one question of the tariff control to the robot on
// loopback: the control's client connects, sends the signed request, the
// server's connection thread reads it, builds the key and hands it to the
// user-interface thread (a dispatcher thread, as in the tests), which looks
// it up in the active profile; the response travels back and is checked.
// p50 and p99 of the iterations are reported as counters (goal: p99 1 ms or
// less).  Run by hand:
//   build/native/tests/bench/query_round_trip_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "robot/query/query_server.h"
#include "tarifex/ansi.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/query_fakes.h"

namespace korvex {
namespace {

// A user-interface "thread" that is the calling thread itself: the lookup
// without the hop, to see what the hop costs.
class DirectUi final : public query::UiThreadPort {
 public:
  const CProfile* profile = nullptr;
  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override {
    record.response = profile->GetAnswer(record.key);
    record.found = record.response.empty() ? 0 : 1;
    return 1;
  }
  void WaitWhileStopping(const std::function<bool()>& done) override {
    while (!done()) std::this_thread::yield();
  }
};

void RoundTrip(benchmark::State& state, query::UiThreadPort& ui, CProfile& profile) {
  testing::FakeMessageBoxResources resources;
  const Text text = u"¿El ítem declarado tiene certificado de origen del país de procedencia?";
  profile.SetAnswer(query::YesNoKey(u"&Sí", u"&No",
                                    static_cast<std::int32_t>(resources.LoadSystemIcon(win::kIdiQuestion)),
                                    text),
                    u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
                    u"class CNullInteraction|");
  query::CDirectRobot robot(query::QueryServerOptions{0, nullptr});
  robot.SetContext({&ui, &resources});
  if (!robot.Start()) {
    state.SkipWithError("the server does not listen");
    return;
  }
  testing::FakeDesktop desk;
  const Hwnd host = desk.AddTopLevel({.text = u"Validación Total de Items"});
  desk.AddChild(host, {.class_name = u"ThunderRT6Frame", .text = u"Declaración - Validando Item: 7"});
  tarifex::CProtorobot client(desk, {robot.Port(), nullptr});
  const std::string ansi = tarifex::ToAnsi(text);

  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(state.max_iterations));
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::int32_t answer = 0;
    const bool ok = client.PreguntaSiNo(host, ansi, "Pregunta del tarifex", 0x24, answer);
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    if (!ok || answer != 6) {
      state.SkipWithError("no answer");
      break;
    }
  }
  robot.Stop();
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  const auto at = [&](double q) {
    return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
  };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
}

void BM_QuestionRoundTripWithUiThreadHop(benchmark::State& state) {
  testing::UiDispatcher ui;
  CProfile profile(u"Bench");
  ui.SetProfile(&profile);
  RoundTrip(state, ui, profile);
}
// A bounded count: each question is a new connection, and the closed ones
// linger in TIME_WAIT for a while.
BENCHMARK(BM_QuestionRoundTripWithUiThreadHop)->Iterations(5000)->Unit(benchmark::kMicrosecond);

void BM_QuestionRoundTripDirectLookup(benchmark::State& state) {
  DirectUi ui;
  CProfile profile(u"Bench");
  ui.profile = &profile;
  RoundTrip(state, ui, profile);
}
BENCHMARK(BM_QuestionRoundTripDirectLookup)->Iterations(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex

BENCHMARK_MAIN();
