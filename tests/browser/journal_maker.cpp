// Writes an office's journals (tests/fakes/office_journals.h) into a folder
// and prints what it wrote, one "name=value" line each, for the browser
// test to compare with the page:
//
//   journal_maker FOLDER [RUNS ITEMS]
//
// Without RUNS and ITEMS: twelve runs of 40 to 60 items with the oddities
// (another separator, a cut file, a file that is not a journal).  With them:
// that many runs of exactly that many items, without oddities.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tests/fakes/office_journals.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: journal_maker FOLDER [RUNS ITEMS]\n");
    return 2;
  }
  korvex::testing::OfficeOptions options;
  if (argc == 4) {
    options.runs = std::strtoul(argv[2], nullptr, 10);
    options.items = std::strtoul(argv[3], nullptr, 10);
    options.vary_items = false;
    options.with_oddities = false;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  const korvex::testing::OfficeTally t =
      korvex::testing::WriteOfficeJournals(korvex::FromUtf8(argv[1]), options);
  std::printf("runs=%zu\ndialogs=%zu\nautomatic=%zu\nmanual=%zu\nskipped=%zu\n", t.runs, t.dialogs,
              t.automatic, t.dialogs - t.automatic, t.skipped_files);
  const char* names[] = {"aduana_norte", "exportaciones"};
  for (int p = 0; p < 2; ++p) {
    std::printf("%s_runs=%zu\n%s_dialogs=%zu\n%s_automatic=%zu\n", names[p], t.profile_runs[p], names[p],
                t.profile_dialogs[p], names[p], t.profile_automatic[p]);
  }
  std::printf("bytes=%zu\n", t.bytes);
  return 0;
}
