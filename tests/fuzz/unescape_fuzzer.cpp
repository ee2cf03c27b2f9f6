// libFuzzer target: UnescapeText, the decoding of every text field of a
// stored key or answer list, in both the current and the legacy form.
//
// Run (configures and builds the "fuzz" preset, clang with libFuzzer, ASan
// and UBSan):
//   FUZZ_SECONDS=300 scripts/run-fuzzers.sh unescape
// or by hand, after `cmake --preset fuzz && cmake --build --preset fuzz`:
//   build/fuzz/tests/fuzz/unescape_fuzzer -max_total_time=300 \
//       build/fuzz/work/unescape tests/fuzz/corpus/unescape
//
// The input is a UTF-8 field.  The target aborts when decoding makes a text
// longer than its field (every decoded character consumes at least one),
// or when escaping a text and decoding it again does not give the text back,
// for the decoded text and for the raw input alike.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "robot/key/text_escape.h"

using namespace korvex;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckRoundTrip(const Text& text) {
  const Text escaped = EscapeText(text);
  Check(escaped.find(u'|') == Text::npos);
  Check(UnescapeText(escaped) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text field =
      FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text text = UnescapeText(field);
  Check(text.size() <= field.size());
  CheckRoundTrip(text);
  CheckRoundTrip(field);
  return 0;
}
