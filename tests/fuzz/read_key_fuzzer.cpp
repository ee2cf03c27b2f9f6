// libFuzzer target: ReadKey with its answer list, as the profile store and
// the watcher read stored entries.
//
// Run (configures and builds the "fuzz" preset, clang with libFuzzer, ASan
// and UBSan):
//   FUZZ_SECONDS=300 scripts/run-fuzzers.sh read_key
// or by hand, after `cmake --preset fuzz && cmake --build --preset fuzz`:
//   build/fuzz/tests/fuzz/read_key_fuzzer -dict=tests/fuzz/read_key.dict \
//       -max_total_time=300 build/fuzz/work/read_key tests/fuzz/corpus/read_key
//
// The input is UTF-8: the key up to the first newline, the answer list after
// it ("0|" when there is no newline).  Besides "no crash, no leak, no
// undefined behaviour", every input that reads must satisfy what the rest of
// the robot relies on, and the target aborts when it does not:
//   - the rebuilt dialog writes a key and an answer list that read again and
//     write the very same texts (a stored entry has one written form);
//   - NormalizeEntry agrees with ReadStoredEntry (ReadKey, and a stored
//     answer's shape: one press of a dialog with buttons), and leaves
//     refused entries as they were;
//   - describing the question and the answer never fails, except that a
//     stored selection outside its list's items abandons the answer's
//     description (std::invalid_argument).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "robot/capture/recognition_error.h"
#include "robot/key/answer_text.h"
#include "robot/key/descriptions.h"
#include "robot/key/window_key.h"

using namespace korvex;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const Text key = FromUtf8(input.substr(0, newline));
  const Text answers = newline == std::string_view::npos ? Text(u"0|")
                                                         : FromUtf8(input.substr(newline + 1));

  std::unique_ptr<CDossaWindow> dialog;
  try {
    dialog = ReadKey(key, answers);
  } catch (const RecognitionError&) {
    Text stored_key = key;
    Text stored_answers = answers;
    Check(!NormalizeEntry(stored_key, stored_answers));
    Check(stored_key == key && stored_answers == answers);
    return 0;
  }

  const Text written_key = WriteKey(*dialog);
  const Text written_answers = WriteAnswers(dialog->GetAnswers());
  const auto again = ReadKey(written_key, written_answers);
  Check(WriteKey(*again) == written_key);
  Check(WriteAnswers(again->GetAnswers()) == written_answers);

  bool stored_shape = true;
  try {
    ReadStoredEntry(key, answers);
  } catch (const RecognitionError& e) {
    Check(e.code() == recognition_code::kUnknownInteraction);
    stored_shape = false;
  }
  Text stored_key = key;
  Text stored_answers = answers;
  Check(NormalizeEntry(stored_key, stored_answers) == stored_shape);
  if (stored_shape) {
    Check(stored_key == written_key && stored_answers == written_answers);
  } else {
    Check(stored_key == key && stored_answers == answers);
  }

  (void)DescribeQuestion(*dialog);
  (void)dialog->IsPlainMessage();
  try {
    (void)DescribeAnswer(*dialog);
  } catch (const std::invalid_argument&) {
    // a selection outside the stored items
  }
  return 0;
}
