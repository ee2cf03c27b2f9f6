// libFuzzer target: the content of a journal file, read as kvxtool report
// reads it and put on the report's page.
//
// Run (the "native-asan" preset: clang with libFuzzer, ASan and UBSan):
//   FUZZ_SECONDS=300 scripts/run-fuzzers.sh journal
//
// Besides "no crash, no leak, no undefined behaviour", the target aborts when
// the figures do not hold together (no more automatic answers than dialogs,
// no more items than dialogs, each profile's share within the run's) or
// when the journal's texts reach the page as markup (a "<script" or an
// "<img" that the page did not write itself).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/kvxtool/journal_reader.h"
#include "tools/kvxtool/validation_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const korvex::kvxtool::JournalReadResult read = korvex::kvxtool::ReadJournal(bytes);
  if (read.run) {
    const korvex::kvxtool::JournalRun& run = *read.run;
    if (run.automatic > run.dialogs || run.items > run.dialogs || run.messages > run.dialogs) std::abort();
    if (run.manual.size() != run.dialogs - run.automatic) std::abort();
    if (run.profiles.empty() || run.profile_dialogs.size() != run.profiles.size()) std::abort();
    std::size_t dialogs = 0, automatic = 0;
    for (std::size_t p = 0; p < run.profiles.size(); ++p) {
      if (run.profile_automatic[p] > run.profile_dialogs[p]) std::abort();
      dialogs += run.profile_dialogs[p];
      automatic += run.profile_automatic[p];
    }
    if (dialogs != run.dialogs || automatic != run.automatic) std::abort();
  } else if (read.problem.empty()) {
    std::abort();
  }
  korvex::kvxtool::ValidationReportBuilder builder({});
  builder.AddFile(u"registros", u"260302_091500_12001IC04000123@.csv", bytes);
  const std::string page =
      korvex::kvxtool::RenderReportPage(builder.Finish({u"registros"}), {}, korvex::LocalTime{});
  if (page.find("<script") != std::string::npos || page.find("<img") != std::string::npos) std::abort();
  return 0;
}
