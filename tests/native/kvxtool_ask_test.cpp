// kvxtool ask against a running query service on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/capture.h"
#include "robot/key/window_key.h"
#include "tests/fakes/control_dialogs.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/native/query_test_support.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
namespace {

using testing::FakeDesktop;

class KvxAskTest : public testing::QueryServiceTest {
 protected:
  // The key of the control's own dialog as the robot captured it.
  Text MessageKey(TextView caption, const std::vector<std::pair<Text, int>>& buttons, int idi,
                  TextView text) {
    FakeDesktop desk;
    const Hwnd box = desk.AddTopLevel({.text = Text(caption)});
    for (const auto& [label, id] : buttons) {
      desk.AddChild(box, {.class_name = u"Button", .text = label, .control_id = id});
    }
    desk.AddChild(box, {.class_name = u"Static", .control_id = 20,
                        .icon = static_cast<IconHandle>(IconOf(idi))});
    desk.AddChild(box, {.class_name = u"Static", .text = Text(text), .control_id = 0xFFFF});
    return WriteKey(*CaptureDialog(desk, box));
  }

  int Ask(std::vector<Text> args) {
    args.insert(args.begin(), {u"ask", u"--port", FromUtf8(std::to_string(port)), u"--item", u"12"});
    kvxtool::Environment env;
    env.clock = &clock;
    const int status = kvxtool::Run(args, env);
    out = env.out;
    err = env.err;
    return status;
  }

  std::string out, err;
};

TEST_F(KvxAskTest, EachKindOfQuestionAndNoAnswer) {
  Store(MessageKey(u"Mensaje al declarante", {{u"Aceptar", 1}}, win::kIdiAsterisk, u"Sin origen"),
        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
  Store(MessageKey(u"Pregunta del tarifex", {{u"&Sí", 6}, {u"&No", 7}}, win::kIdiQuestion, u"¿Régimen general?"),
        u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|");

  EXPECT_EQ(Ask({u"message", u"Sin origen"}), 0) << err;
  EXPECT_EQ(out, "mensaje aceptado\n");
  EXPECT_EQ(Ask({u"yesno", u"¿Régimen general?"}), 0) << err;
  EXPECT_EQ(out, "7\n");

  FakeDesktop desk;
  const Hwnd input = testing::AddControlDataInput(desk, u"MARCA").dialog;
  Store(WriteKey(*CaptureDialog(desk, input)),
        u"5|class CPutText|<>ACME \\xf1|class CPressButton|class CNullInteraction|"
        u"class CNullInteraction|class CNullInteraction|");
  const Hwnd choice = testing::AddControlOptions(desk, {u"Uno", u"Dos", u"Tres"}).dialog;
  Store(WriteKey(*CaptureDialog(desk, choice)),
        u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|2|class CPressButton|");
  EXPECT_EQ(Ask({u"text", u"MARCA"}), 0) << err;
  EXPECT_EQ(out, "ACME ñ\n");
  EXPECT_EQ(Ask({u"options", u"Uno", u"Dos", u"Tres"}), 0) << err;
  EXPECT_EQ(out, "2\n");

  EXPECT_EQ(Ask({u"message", u"Otro mensaje"}), kvxtool::kNoAnswer);
  EXPECT_EQ(out, "sin respuesta\n");
  EXPECT_EQ(Ask({u"text", u"MODELO"}), kvxtool::kNoAnswer);
  EXPECT_EQ(Ask({u"options", u"Uno", u"Dos"}), kvxtool::kNoAnswer);
}

TEST_F(KvxAskTest, NoRobotListeningIsNoAnswer) {
  robot->Stop();
  EXPECT_EQ(Ask({u"message", u"x"}), kvxtool::kNoAnswer);
}

TEST_F(KvxAskTest, UsageErrors) {
  for (const std::vector<Text>& args : std::vector<std::vector<Text>>{
           {}, {u"bark"}, {u"message"}, {u"text"}, {u"options"}, {u"yesno", u"a", u"b", u"x"}}) {
    EXPECT_EQ(Ask(args), kvxtool::kUsage);
  }
  kvxtool::Environment env;
  EXPECT_EQ(kvxtool::Run({u"ask", u"--item", u"0", u"message", u"x"}, env), kvxtool::kUsage);
  EXPECT_EQ(kvxtool::Run({u"ask", u"--port", u"70000", u"message", u"x"}, env), kvxtool::kUsage);
}

}  // namespace
}  // namespace korvex
