// libFuzzer target: the content of a profile file, read as the import does.
//
// Run (configures and builds the "fuzz" preset, clang with libFuzzer, ASan
// and UBSan):
//   FUZZ_SECONDS=300 scripts/run-fuzzers.sh import_file
// or by hand, after `cmake --preset fuzz && cmake --build --preset fuzz`:
//   build/fuzz/tests/fuzz/import_file_fuzzer -max_total_time=300 \
//       build/fuzz/work/import_file tests/fuzz/corpus/import_file
//
// Besides "no crash, no leak, no undefined behaviour", the target aborts when
// what was imported does not hold what the robot relies on:
//   - every imported pair reads back as a stored entry: a window key with
//     answers of the shape the robot stores;
//   - an import that succeeded exports (when its names fit the file) to a
//     file that imports again into the very same profiles.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "robot/profiles/profile.h"
#include "robot/profiles/profile_file.h"
#include "robot/profiles/profile_repository.h"

namespace {

using korvex::CProfile;
using korvex::CProfileRepository;

bool SameProfiles(const CProfileRepository& a, const CProfileRepository& b) {
  const auto pa = a.GetProfiles();
  const auto pb = b.GetProfiles();
  if (pa.size() != pb.size()) return false;
  for (std::size_t i = 0; i < pa.size(); ++i) {
    if (pa[i]->GetName() != pb[i]->GetName() || pa[i]->GetKeys() != pb[i]->GetKeys() ||
        pa[i]->GetValues() != pb[i]->GetValues()) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  CProfileRepository imported;
  const korvex::ImportResult result = korvex::ImportProfiles(imported, content);
  for (const CProfile* profile : imported.GetProfiles()) {
    const auto keys = profile->GetKeys();
    const auto values = profile->GetValues();
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (!korvex::IsReadablePair(keys[i], values[i])) std::abort();
    }
  }
  if (!result.ok) return 0;
  const korvex::ExportResult exported = korvex::ExportProfiles(imported);
  if (!exported.ok) return 0;
  CProfileRepository again;
  if (!korvex::ImportProfiles(again, exported.bytes).ok || !SameProfiles(imported, again)) {
    std::abort();
  }
  return 0;
}
