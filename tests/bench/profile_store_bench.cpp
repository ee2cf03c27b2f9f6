// Loading a store of 10 000 pairs in 20 profiles from the in-memory registry
// (goal: 100 ms or less).  Run by hand:
//   build/native/tests/bench/profile_store_bench
#include <benchmark/benchmark.h>

#include <string>

#include "robot/profiles/profile_repository.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

void FillStore(testing::MemoryRegistry& registry, int profiles, int pairs_each) {
  int n = 0;
  for (int p = 0; p < profiles; ++p) {
    const Text path = Text(kStorePath) + u"\\Perfil " + FromUtf8(std::to_string(p));
    for (int i = 0; i < pairs_each; ++i) {
      ++n;
      const std::string caption = "Pregunta n\xC3\xBAmero " + std::to_string(n);
      registry.SetString(path, u"key" + FromUtf8(std::to_string(n)),
                         FromUtf8("class CDynWindow|<>" + caption +
                                  "|4294967295|4294967295|4294967295|4294967295|4294967295|"
                                  "4294967295|3|class CMetaButton|<>&S\\xed|1|class CMetaButton|"
                                  "<>&No|1|class CTextWindow|<>\\xbfDesea continuar con el "
                                  "\\xedtem?|"));
      registry.SetString(path, u"value" + FromUtf8(std::to_string(n)),
                         u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
    }
  }
}

void BM_LoadStore(benchmark::State& state) {
  testing::MemoryRegistry registry;
  FillStore(registry, 20, 500);
  for (auto _ : state) {
    CProfileRepository repo(registry);
    benchmark::DoNotOptimize(repo.GetLastNumber());
  }
}
BENCHMARK(BM_LoadStore)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvex

BENCHMARK_MAIN();
