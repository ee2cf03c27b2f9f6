// The scripted user's script reader: the steps the end-to-end test and the
// demo carry out, and the mistakes it refuses before anything runs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tools/common/time_scale.h"
#include "tools/scripted_user/user_script.h"

namespace korvex::scripted_user {
namespace {

TEST(ScriptedUserScript, StepsWithQuotedAndNumberArguments) {
  const auto steps = ParseUserScript(
      "\xEF\xBB\xBF# a comment\n"
      "\n"
      "wait-window caption=\"Validación Total de Items\" of=Dossa.exe as=validation timeout=60000\n"
      "  click button=\"Seleccionar la opción marcada\"\r\n"
      "type control=1010 text=\"dice \\\"hola\\\" \\\\ y\\nsigue\"\n"
      "send caption=PILOTEK_MAIN_FRAME message=0x402 lparam=-1 result=0");
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[0].line, 3);
  EXPECT_EQ(steps[0].command, "wait-window");
  EXPECT_EQ(steps[0].Get("caption"), Text(u"Validación Total de Items"));
  EXPECT_EQ(steps[0].Number("timeout"), 60000);
  EXPECT_EQ(steps[0].Get("class"), std::nullopt);
  EXPECT_EQ(steps[1].Get("button"), Text(u"Seleccionar la opción marcada"));
  EXPECT_EQ(steps[2].Get("text"), Text(u"dice \"hola\" \\ y\nsigue"));
  EXPECT_EQ(steps[2].Number("control"), 1010);
  EXPECT_EQ(steps[3].Number("message"), 0x402);
  EXPECT_EQ(steps[3].Number("lparam"), -1);
  EXPECT_EQ(steps[3].GetOr("wparam", u"0"), u"0");
}

TEST(ScriptedUserScript, MistakesAreRefusedWithTheirLine) {
  const struct {
    const char* script;
    int line;
    const char* says;
  } cases[] = {
      {"pause ms=1\nfly to=moon", 2, "unknown step"},
      {"click", 1, "needs one of button= or control="},
      {"click button=OK control=1", 1, "needs one of button= or control="},
      {"expect control=1021", 1, "needs enabled= or text= or checked="},
      {"tick control=1009", 1, "needs row="},
      {"tick control=1009 row=first", 1, "not a number"},
      {"click button=OK colour=red", 1, "takes no argument colour"},
      {"click button=OK button=No", 1, "given twice"},
      {"type control=abc text=x", 1, "not a number"},
      {"pause ms=0x", 1, "not a number"},
      {"click button=\"OK", 1, "no closing quote"},
      {"click OK", 1, "expected key=value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    try {
      ParseUserScript(c.script);
      ADD_FAILURE() << "accepted";
    } catch (const StepError& e) {
      EXPECT_EQ(e.line(), c.line);
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

TEST(ScriptedUserScript, TheEndToEndScriptsRead) {
  for (const char* name : {"robot-up", "first-run", "second-run", "second-run-end",
                           "kill-and-restart"}) {
    SCOPED_TRACE(name);
    std::ifstream file(std::string(KORVEX_SOURCE_DIR) + "/tests/wine/robot_e2e/" + name + ".user",
                       std::ios::binary);
    ASSERT_TRUE(file) << "missing";
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_NO_THROW(ParseUserScript(bytes.str()));
  }
}

// The factor the emulated machine sets for every wait of the test programs:
// anything but a whole number from 1 to 100 leaves the limits as written, so
// a mistyped value can never make them zero or wrap them around.
TEST(TimeScale, OnlyAWholeNumberFromOneToAHundredStretches) {
  const struct {
    const char* text;
    unsigned scale;
  } cases[] = {
      {nullptr, 1}, {"", 1},     {"1", 1},    {"20", 20},    {"020", 20}, {"100", 100},
      {"0", 1},     {"101", 1},  {"-5", 1},   {"2.5", 1},    {"20 ", 1},  {"x", 1},
      {"99999999999999999999", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tools::ParseTimeScale(c.text), c.scale) << (c.text ? c.text : "(unset)");
  }
}

}  // namespace
}  // namespace korvex::scripted_user
