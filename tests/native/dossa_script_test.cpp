// The script reader of the simulated host program Dossa.exe.
#include "tools/dossa/script.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace korvex::dossa {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(DossaScriptTest, StepsRunInOrderAndEachRunTakesTheItemsAboveIt) {
  const Script s = ParseScript(
      "# an end-to-end run\n"
      "wait-hook timeout=5000\n"
      "open\n"
      "item 1\n"
      "msgbox text=\"uno\"\n"
      "item 2 pause=0\n"
      "run\n"
      "pause 250\n"
      "item 3\n"
      "run\n"
      "close\n"
      "item 4\n"
      "wait-hook\n"
      "quit\n");
  ASSERT_EQ(s.steps.size(), 8u);
  std::vector<StepKind> kinds;
  for (const Step& step : s.steps) kinds.push_back(step.kind);
  EXPECT_THAT(kinds, ElementsAre(StepKind::kWaitHook, StepKind::kOpen, StepKind::kRun,
                                 StepKind::kPause, StepKind::kRun, StepKind::kClose,
                                 StepKind::kWaitHook, StepKind::kQuit));
  EXPECT_EQ(s.steps[0].ms, 5000u);
  EXPECT_EQ(s.steps[0].line, 2);
  EXPECT_EQ(s.steps[3].ms, 250u);
  EXPECT_EQ(s.steps[6].ms, kDefaultWaitHookMs);

  ASSERT_EQ(s.steps[2].items.size(), 2u);
  EXPECT_EQ(s.steps[2].items[0].number, 1u);
  EXPECT_EQ(s.steps[2].items[0].pause_ms, 20u);
  ASSERT_EQ(s.steps[2].items[0].dialogs.size(), 1u);
  EXPECT_EQ(s.steps[2].items[0].dialogs[0].box.text, u"uno");
  EXPECT_EQ(s.steps[2].items[1].number, 2u);
  EXPECT_EQ(s.steps[2].items[1].pause_ms, 0u);
  EXPECT_TRUE(s.steps[2].items[1].dialogs.empty());
  ASSERT_EQ(s.steps[4].items.size(), 1u);
  EXPECT_EQ(s.steps[4].items[0].number, 3u);

  // Items after the last run are for a user's click on "&Validar Items".
  ASSERT_EQ(s.manual_items.size(), 1u);
  EXPECT_EQ(s.manual_items[0].number, 4u);
}

TEST(DossaScriptTest, MessageBoxesTakeTheirTextsIconsAndButtons) {
  const Script s = ParseScript(
      "\xEF\xBB\xBF"  // a byte-order mark
      "item 12\r\n"
      "msgbox text=\"¿Aplica la preferencia?\" caption=\"Validación\" icon=question "
      "buttons=yesno\r\n"
      "   # indented comment\r\n"
      "\r\n"
      "msgbox text=\"dice \\\"no\\\"\\\\\\nfin\"\r\n"
      "msgbox text=sinblancos icon=error buttons=abortretryignore\r\n");
  ASSERT_EQ(s.manual_items.size(), 1u);
  const auto& dialogs = s.manual_items[0].dialogs;
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_EQ(dialogs[0].kind, DialogKind::kMessageBox);
  EXPECT_EQ(dialogs[0].line, 2);
  EXPECT_EQ(dialogs[0].box.text, u"¿Aplica la preferencia?");
  EXPECT_EQ(dialogs[0].box.caption, u"Validación");
  EXPECT_EQ(dialogs[0].box.icon, Icon::kQuestion);
  EXPECT_EQ(dialogs[0].box.buttons, Buttons::kYesNo);
  EXPECT_EQ(dialogs[1].box.text, u"dice \"no\"\\\nfin");
  EXPECT_EQ(dialogs[1].box.caption, u"DOSSA");
  EXPECT_EQ(dialogs[1].box.icon, Icon::kNone);
  EXPECT_EQ(dialogs[1].box.buttons, Buttons::kOk);
  EXPECT_EQ(dialogs[2].box.text, u"sinblancos");
  EXPECT_EQ(dialogs[2].box.icon, Icon::kError);
  EXPECT_EQ(dialogs[2].box.buttons, Buttons::kAbortRetryIgnore);
}

TEST(DossaScriptTest, TheTariffControlIsPlacedByAStepAndRunByAnItem) {
  const Script s = ParseScript(
      "open\n"
      "control host=motor port=7070 path-debug=\"C:\\\\trazas\\\\\" lang=1 debug=yes "
      "none=disabled\n"
      "control\n"
      "item 7\n"
      "tarifex gen=DDDTOFICIA=20240131 gen=DDDTNRO=12=A art=IESPNCE=8471.30.12.110 "
      "benef=A benef=B timeout=5000\n"
      "tarifex\n"
      "run\n");
  ASSERT_EQ(s.steps.size(), 4u);
  ASSERT_EQ(s.steps[1].kind, StepKind::kControl);
  const ControlSettings& set = s.steps[1].control;
  EXPECT_EQ(set.host, u"motor");
  EXPECT_EQ(set.port, u"7070");
  EXPECT_EQ(set.path_debug, u"C:\\trazas\\");
  EXPECT_EQ(set.lang, 1);
  EXPECT_EQ(set.debug, true);
  EXPECT_EQ(set.none_offered, false);
  // What a step does not give keeps the control's own value.
  const ControlSettings& plain = s.steps[2].control;
  EXPECT_FALSE(plain.host || plain.port || plain.path_debug || plain.lang || plain.debug ||
               plain.none_offered);

  const auto& d = s.steps[3].items.at(0).dialogs;
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].kind, DialogKind::kTarifex);
  EXPECT_EQ(d[0].timeout_ms, 5000u);
  ASSERT_EQ(d[0].tarifex.gen.size(), 2u);
  EXPECT_EQ(d[0].tarifex.gen[0].name, u"DDDTOFICIA");
  EXPECT_EQ(d[0].tarifex.gen[0].value, u"20240131");
  EXPECT_EQ(d[0].tarifex.gen[1].name, u"DDDTNRO");
  EXPECT_EQ(d[0].tarifex.gen[1].value, u"12=A");  // the first "=" ends the name
  ASSERT_EQ(d[0].tarifex.art.size(), 1u);
  EXPECT_EQ(d[0].tarifex.art[0].value, u"8471.30.12.110");
  EXPECT_TRUE(d[0].tarifex.infcom.empty());
  EXPECT_THAT(d[0].tarifex.benefits, ElementsAre(u"A", u"B"));
  EXPECT_EQ(d[1].kind, DialogKind::kTarifex);
  EXPECT_EQ(d[1].timeout_ms, kDefaultDialogTimeoutMs);
}

TEST(DossaScriptTest, TariffControlDialogsAndPopups) {
  const Script s = ParseScript(
      "item 5\n"
      "input prompt=\"Ingrese por favor el valor de MARCA :\" text=ACME reject=\"\" reject=X\n"
      "popup text=\"Dato inválido\" caption=Error icon=error\n"
      "options option=\"Opción A\" option=\"Opción B=2\" none=disabled\n"
      "popup after=0 text=otra buttons=okcancel\n"
      "input prompt=p explanation=\"otra explicación\"\n"
      "options\n");
  const auto& d = s.manual_items.at(0).dialogs;
  ASSERT_EQ(d.size(), 4u);

  EXPECT_EQ(d[0].kind, DialogKind::kDataInput);
  EXPECT_EQ(d[0].prompt, u"Ingrese por favor el valor de MARCA :");
  EXPECT_EQ(d[0].explanation, kDefaultExplanation);
  EXPECT_EQ(d[0].initial_text, u"ACME");
  EXPECT_THAT(d[0].rejected, ElementsAre(u"", u"X"));
  ASSERT_TRUE(d[0].has_popup);
  EXPECT_EQ(d[0].popup.after_ms, 200u);
  EXPECT_EQ(d[0].popup.box.text, u"Dato inválido");
  EXPECT_EQ(d[0].popup.box.caption, u"Error");
  EXPECT_EQ(d[0].popup.box.icon, Icon::kError);

  EXPECT_EQ(d[1].kind, DialogKind::kOptions);
  EXPECT_THAT(d[1].options, ElementsAre(u"Opción A", u"Opción B=2"));
  EXPECT_FALSE(d[1].none_enabled);
  ASSERT_TRUE(d[1].has_popup);
  EXPECT_EQ(d[1].popup.after_ms, 0u);
  EXPECT_EQ(d[1].popup.box.buttons, Buttons::kOkCancel);

  EXPECT_EQ(d[2].explanation, u"otra explicación");
  EXPECT_TRUE(d[2].rejected.empty());
  EXPECT_FALSE(d[2].has_popup);
  EXPECT_TRUE(d[3].options.empty());
  EXPECT_TRUE(d[3].none_enabled);
}

TEST(DossaScriptTest, DialogTimeoutsFollowTheLastSettingAboveThem) {
  const Script s = ParseScript(
      "item 1\n"
      "msgbox text=a\n"
      "timeout 1500\n"
      "msgbox text=b\n"
      "input prompt=c timeout=0\n"
      "timeout 0\n"
      "options timeout=700\n"
      "msgbox text=d\n");
  const auto& d = s.manual_items.at(0).dialogs;
  ASSERT_EQ(d.size(), 5u);
  EXPECT_EQ(d[0].timeout_ms, kDefaultDialogTimeoutMs);
  EXPECT_EQ(d[1].timeout_ms, 1500u);
  EXPECT_EQ(d[2].timeout_ms, 0u);
  EXPECT_EQ(d[3].timeout_ms, 700u);
  EXPECT_EQ(d[4].timeout_ms, 0u);
}

TEST(DossaScriptTest, DemoScriptHasAnItemOfEachKind) {
  const Script s = DemoScript();
  EXPECT_TRUE(s.steps.empty());
  bool seen[3] = {false, false, false};
  for (const Item& item : s.manual_items) {
    for (const Dialog& d : item.dialogs) seen[static_cast<int>(d.kind)] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}

// The scripts shipped for the demo and for manual checks stay readable.
TEST(DossaScriptTest, ShippedExamplesAreValid) {
  const std::string root = KORVEX_SOURCE_DIR "/";
  for (const char* name : {"demo.dossa", "hook-check.dossa", "tarifex.dossa"}) {
    std::ifstream file(root + "tools/dossa/examples/" + name, std::ios::binary);
#ifdef _WIN32
    if (!file) GTEST_SKIP() << "the source tree is not visible from here";
#endif
    ASSERT_TRUE(file) << name;
    std::stringstream text;
    text << file.rdbuf();
    Script s;
    EXPECT_NO_THROW(s = ParseScript(text.str())) << name;
    EXPECT_FALSE(s.steps.empty()) << name;
  }
}

TEST(DossaScriptTest, ErrorsNameTheLineAndTheFault) {
  struct Case {
    std::string script;
    int line;
    std::string message;
  };
  const Case cases[] = {
      {"open\nbogus\n", 2, "unknown command bogus"},
      {"msgbox text=a\n", 1, "no item above it"},
      {"item 1\npopup text=a\n", 2, "no dialog above it"},
      {"item 1\nmsgbox text=a\npopup text=b\npopup text=c\n", 4, "has one already"},
      {"item 1\nmsgbox caption=a\n", 2, "text=... is missing"},
      {"item 1\ninput text=a\n", 2, "prompt=... is missing"},
      {"item 1\nmsgbox text=a icon=stop\n", 2, "icon must be one of none|info|warning|error|question"},
      {"item 1\nmsgbox text=a buttons=yes\n", 2, "buttons must be one of"},
      {"item 1\noptions none=maybe\n", 2, "none must be one of enabled|disabled"},
      {"item 1\nmsgbox text=a colour=red\n", 2, "unknown key colour"},
      {"item 1\nmsgbox text=a text=b\n", 2, "text given twice"},
      {"item 1\nmsgbox text=\"abc\n", 2, "missing closing quote"},
      {"item 1\nmsgbox text=\"a\\tb\"\n", 2, "unknown escape"},
      {"item x\n", 1, "item number must be a number"},
      {"item\n", 1, "item: which number?"},
      {"item 1 2\n", 1, "unexpected argument 2"},
      {"pause\n", 1, "pause: how many ms?"},
      {"pause -5\n", 1, "must be a number"},
      {"timeout 1234567890\n", 1, "from 0 to 999999999"},
      {"wait-hook timeout=soon\n", 1, "timeout must be a number"},
      {"open now\n", 1, "unexpected argument now"},
      {"\"open\"\n", 1, "must begin with a command word"},
      {"item 1\nmsgbox =a\n", 2, "a value without a key"},
      {"item 1\ntarifex gen=DDDTOFICIA\n", 2, "gen must be NAME=VALUE"},
      {"item 1\ntarifex art==1\n", 2, "art must be NAME=VALUE"},
      {"item 1\ntarifex lang=1\n", 2, "unknown key lang"},
      {"control lang=40000\n", 1, "lang must be a number from 0 to 32767"},
      {"control debug=si\n", 1, "debug must be one of yes|no"},
      {"control gen=A=1\n", 1, "unknown key gen"},
  };
  for (const Case& c : cases) {
    try {
      ParseScript(c.script);
      ADD_FAILURE() << "no error for: " << c.script;
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.line(), c.line) << c.script;
      EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.script;
      EXPECT_THAT(e.what(), HasSubstr("line " + std::to_string(c.line) + ": "));
    }
  }
}

}  // namespace
}  // namespace korvex::dossa
