// Speed of the window key writer and reader: a typical message box (icon,
// one button, a text) as the watcher meets it for every dialog, and the
// option dialog with the 5 000 options the query service accepts at most.
//   build/native/tests/bench/window_key_bench
#include <benchmark/benchmark.h>

#include <string>

#include "robot/key/answer_text.h"
#include "robot/key/window_key.h"

namespace korvex {
namespace {

const Text kMessageKey =
    u"class CDynWindow|<>Mensaje al declarante|4294967295|4294967295|4294967295|4294967295|"
    u"4294967295|4294967295|3|class CIconWindow|65540|class CMetaButton|<>Aceptar|1|"
    u"class CTextWindow|<>El \\xedtem 3 del despacho {{NRO DESPACHO}} no tiene declarado el "
    u"pa\\xeds de origen de la mercader\\xeda.|";
const Text kMessageAnswers = u"3|class CNullInteraction|class CPressButton|class CNullInteraction|";

// The option dialog's key with `count` options, as the writer gives it.
Text OptionsKey(int count) {
  std::u16string key =
      u"class CItemSelectionWindow|Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
      u"class CMetaButton|No seleccionar ninguna|1|class CMetaButton|Cancelar el  tratamiento|1|"
      u"class CMetaList|" + FromUtf8(std::to_string(count)) + u"|";
  for (int i = 0; i < count; ++i) {
    key += u"<>Posici\\xf3n arancelaria " + FromUtf8(std::to_string(8400 + i)) +
           u".10.00 \\x7c m\\xe1quinas y aparatos|";
  }
  key += u"class CMetaButton|Seleccionar la opción marcada|1|";
  Text answers = u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|7|"
                 u"class CPressButton|";
  Text normalized = key;
  NormalizeEntry(normalized, answers);
  return normalized;
}

const Text kOptionsAnswers =
    u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|7|class CPressButton|";

void WriteKeyBench(benchmark::State& state, const Text& key, const Text& answers) {
  const auto dialog = ReadKey(key, answers);
  for (auto _ : state) benchmark::DoNotOptimize(WriteKey(*dialog));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * key.size() * 2));
}

void ReadKeyBench(benchmark::State& state, const Text& key, const Text& answers) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadKey(key, answers));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * key.size() * 2));
}

void BM_WriteKey_MessageBox(benchmark::State& state) {
  WriteKeyBench(state, kMessageKey, kMessageAnswers);
}
void BM_ReadKey_MessageBox(benchmark::State& state) {
  ReadKeyBench(state, kMessageKey, kMessageAnswers);
}
void BM_WriteKey_Options5000(benchmark::State& state) {
  static const Text key = OptionsKey(5000);
  WriteKeyBench(state, key, kOptionsAnswers);
}
void BM_ReadKey_Options5000(benchmark::State& state) {
  static const Text key = OptionsKey(5000);
  ReadKeyBench(state, key, kOptionsAnswers);
}

BENCHMARK(BM_WriteKey_MessageBox);
BENCHMARK(BM_ReadKey_MessageBox);
BENCHMARK(BM_WriteKey_Options5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadKey_Options5000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex

BENCHMARK_MAIN();
