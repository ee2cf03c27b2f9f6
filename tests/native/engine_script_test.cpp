// The script of the stand-in tariff engine: which records each command
// makes, the reply echo, and the errors of a script that cannot be read.
#include "tools/tarifex_standins/engine_script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tarifex/engine_record.h"

namespace korvex::standins {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Records(const EngineScript& script) {
  std::vector<std::string> records;
  for (const EngineStep& step : script.steps) records.push_back(step.record);
  return records;
}

TEST(EngineScriptTest, EachCommandIsTheRecordTheControlReadsAndTheRunEndsInTxtOk) {
  const struct {
    const char* line;
    std::string record;
  } cases[] = {
      {"txt \"¿Sigue?\"", "TXT(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):\xBFSigue?\x03"},
      {"dmsg \"Sin origen\"", "DMSG(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):Sin origen\x03"},
      {"com MARCA", "COM(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):MARCA\x03"},
      {"aopt uno \"metro cúbico\"",
       "AOPT(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):1\x02uno\x03" "2\x02metro c\xFA" "bico\x04"},
      {"aopt", "AOPT:*"},
      {"stop \"Sin tarifa\"", "STOP(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):Sin tarifa\x03"},
      {"record UPOS \"NCM|8471.30.12\" \"TASA|14\"",
       "UPOS(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):NCM\x02" "8471.30.12\x03TASA\x02" "14\x04"},
      {"record END", "END:*"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const EngineScript script = ParseEngineScript(c.line);
    EXPECT_THAT(Records(script), ElementsAre(c.record, "TXT_OK"));
    EXPECT_FALSE(script.open_fails);
    // The control reads the record back as it was meant.
    tarifex::CommandRecord parsed;
    EXPECT_EQ(tarifex::ParseRecord(c.record, parsed), tarifex::ParseError::None);
  }
}

TEST(EngineScriptTest, QuestionsEchoTheirReplyAsAComplementaryDatum) {
  const EngineScript script = ParseEngineScript(
      "# a run\n"
      "\n"
      "com MARCA as=MARCA\r\n"
      "dmsg aviso\n"
      "txt pregunta as=ORIGEN\n"
      "open-fails\n");
  ASSERT_EQ(script.steps.size(), 4u);
  EXPECT_EQ(script.steps[0].echo_as, "MARCA");
  EXPECT_EQ(script.steps[1].echo_as, "");
  EXPECT_EQ(script.steps[2].echo_as, "ORIGEN");
  EXPECT_TRUE(script.open_fails);

  EXPECT_EQ(EchoRecord("MARCA", "ACME"), "UCOM(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):MARCA\x02" "ACME\x03");
  // A reply that holds a separator cannot cut the record short; an empty one
  // is an empty value.
  EXPECT_EQ(EchoRecord("V", "a\x02" "b"), "UCOM(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):V\x02" "a b\x03");
  EXPECT_EQ(EchoRecord("V", ""), "UCOM(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):V\x02\x03");
}

TEST(EngineScriptTest, AScriptThatCannotBeReadNamesItsLine) {
  const struct {
    const char* script;
    const char* error;
  } cases[] = {
      {"com", "line 1: com: which value?"},
      {"txt a b", "line 1: txt: unexpected argument b"},
      {"\ncom MARCA as=", "line 2: com: as= needs a name"},
      {"dmsg x as=Y", "line 1: dmsg: unknown key as"},
      {"record", "line 1: record: which name?"},
      {"record \"A(B\"", "line 1: record: not a record the engine can send"},
      {"xyz", "line 1: unknown command xyz"},
      {"txt \"sin cierre", "line 1: missing closing quote"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    try {
      ParseEngineScript(c.script);
      ADD_FAILURE() << "read without an error";
    } catch (const tools::ScriptError& e) {
      EXPECT_EQ(std::string(e.what()), c.error);
    }
  }
}

// The demo's script stays readable.
TEST(EngineScriptTest, TheShippedExampleIsValid) {
  std::ifstream file(KORVEX_SOURCE_DIR "/tools/tarifex_standins/examples/demo.script",
                     std::ios::binary);
#ifdef _WIN32
  if (!file) GTEST_SKIP() << "the source tree is not visible from here";
#endif
  ASSERT_TRUE(file);
  std::stringstream text;
  text << file.rdbuf();
  const EngineScript script = ParseEngineScript(text.str());
  ASSERT_EQ(script.steps.size(), 6u);
  EXPECT_EQ(script.steps[1].echo_as, "ORIGEN");
}

TEST(EngineScriptTest, RecordsAreShownReadably) {
  EXPECT_EQ(ShowRecord("COM(IFS=\x02):MARCA\x03"), "COM(IFS=<02>):MARCA<03>");
  EXPECT_EQ(ShowRecord("\xFE"), "<FE>");
  EXPECT_EQ(ShowRecord("c\xFA" "bico \x80"), "c\xC3\xBA" "bico \xE2\x82\xAC");
}

}  // namespace
}  // namespace korvex::standins
