// The tariff engine's records are another party's bytes.  Parsing any input
// must stay inside it and give a record the writer writes back to the same
// name and lines; and a run of the control whose engine sends the input's
// lines as its records must end without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tarifex/engine_record.h"
#include "tarifex/tarifex_control.h"
#include "tests/fakes/tarifex_fakes.h"

namespace {

using namespace korvex::tarifex;

void Check(bool condition) {
  if (!condition) std::abort();
}

void ParseAndWriteBack(std::string_view text) {
  CommandRecord record;
  if (ParseRecord(text, record) != ParseError::None) {
    Check(record.LineCount() == 0 && record.Name().empty());
    return;
  }
  Check(!record.Name().empty());
  Check(record.LineCount() <= kMaxLines);
  const auto lines = record.Lines();
  for (std::size_t line = 0; line < lines.size(); ++line) {
    Check(!lines[line].empty() && lines[line].size() <= kMaxFieldsPerLine);
  }
  const auto written =
      WriteRecord(record.Name(), record.Mode(), lines, record.GetSeparators());
  Check(written.has_value());
  CommandRecord again;
  Check(ParseRecord(*written, again) == ParseError::None);
  Check(again.Name() == record.Name());
  Check(again.Lines() == lines);
}

// A user who answers everything, from the input's first byte.
class AnyUser : public korvex::testing::ScriptedControlUser {
 public:
  explicit AnyUser(unsigned char seed) : m_seed(seed) {}
  std::string AskComplementaryValue(korvex::Hwnd, std::string_view name, std::int16_t) override {
    return (m_seed & 1) != 0 ? std::string(kCancelMarkerRecord) : std::string(name);
  }
  std::int32_t AskOption(korvex::Hwnd, const std::vector<std::string>& options, bool,
                         std::int16_t) override {
    if ((m_seed & 2) != 0) return kCancelTreatment;
    return options.empty() ? kSelectNone : static_cast<std::int32_t>(options.size() - 1);
  }

 private:
  unsigned char m_seed;
};

void RunControl(std::string_view text) {
  using namespace korvex::testing;
  ScriptedEngine engine;
  std::size_t pos = 0;
  int records = 0;
  while (pos < text.size() && records < 64) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    engine.Reply(std::string(text.substr(pos, end - pos)));
    pos = end + 1;
    ++records;
  }
  engine.Reply("TXT_OK");
  MemoryComponents components;
  ScriptedRobot robot;
  AnyUser user(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  control.ExecTarifex(1);
  // Whatever happened, the session was closed and the engine ended once.
  Check(engine.Misuses().empty());
  Check(!engine.Calls().empty() && engine.Calls().back() == 194);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ParseAndWriteBack(text);
  RunControl(text);
  return 0;
}
