// The supervisor's report over 1 000 journals of 200 items each (goal:
// under 2 s), written by the robot's own journal (tests/fakes/
// office_journals.h): kvxtool report as a supervisor runs it, listing the
// folder, reading and parsing every file, and writing the page.  Reports the
// peak memory of the report itself.  Run by hand:
//   build/native/tests/bench/report_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/office_journals.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;

// The process's peak resident memory in KiB since the last reset (Linux).
long PeakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}
long CurrentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}
// Lets the peak start again from the current size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

class Office {
 public:
  Office() {
    root = fs::temp_directory_path() / ("korvex-report-bench-" + std::to_string(std::random_device{}()));
    testing::OfficeOptions options;
    options.runs = 1000;
    options.items = 200;
    options.vary_items = false;
    options.with_oddities = false;
    tally = testing::WriteOfficeJournals((root / "registros").u16string(), options);
  }
  ~Office() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  fs::path root;
  testing::OfficeTally tally;
};

void BM_ReportOverAThousandJournals(benchmark::State& state) {
  static Office office;
  SettableClock clock;
  const Text page = (office.root / "informe.html").u16string();
  long peak_over = 0;
  std::string last;
  for (auto _ : state) {
    ResetPeak();
    const long before = CurrentKib();
    kvxtool::Environment env;
    env.clock = &clock;
    const int status = kvxtool::Run({u"report", (office.root / "registros").u16string(), u"-o", page}, env);
    if (status != 0) state.SkipWithError(env.err.c_str());
    peak_over = std::max(peak_over, PeakKib() - before);
    last = env.out;
  }
  state.counters["journals"] = static_cast<double>(office.tally.runs);
  state.counters["dialogs"] = static_cast<double>(office.tally.dialogs);
  state.counters["journal_MiB"] = static_cast<double>(office.tally.bytes) / (1 << 20);
  state.counters["peak_MiB_over_start"] = static_cast<double>(peak_over) / 1024;
  state.counters["page_KiB"] = static_cast<double>(fs::file_size(office.root / "informe.html")) / 1024;
  state.SetLabel(last.substr(last.find('\t') + 1, last.size() - last.find('\t') - 2));
}
BENCHMARK(BM_ReportOverAThousandJournals)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace korvex

BENCHMARK_MAIN();
