// The tariff control's two question dialogs have one definition
// (tarifex/question_dialogs.h): the control's texts are its texts, and the
// key the robot looks up when the control asks a question is the key of the
// dialog the control would show for it, captured, with the definition's
// roles.  A text changed in the definition changes all three together.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "robot/capture/capture.h"
#include "robot/key/text_escape.h"
#include "robot/key/window_key.h"
#include "robot/query/query_handlers.h"
#include "tarifex/ansi.h"
#include "tarifex/control_strings.h"
#include "tarifex/question_dialogs.h"
#include "tests/fakes/control_dialogs.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::ControlDialog;
using testing::FakeDesktop;
using namespace tarifex;

// Every text reads the same in the control's 8-bit strings as in the
// robot's keys: a character the control's code page lacks would make the
// dialog's key differ from the question's.
TEST(QuestionDialogs, EveryTextIsTheControlsSpanishText) {
  for (const DialogText& text :
       {data_input::kCaption, data_input::kNotice, data_input::kPrompt, data_input::kAccept,
        data_input::kEnd, options::kCaption, options::kSelect, options::kSelectNone,
        options::kCancel}) {
    SCOPED_TRACE(text.id);
    EXPECT_EQ(FromAnsi(LoadControlString(text.id, 0)), text.spanish);
  }
}

// The robot fills the prompt as the control fills its pattern, whatever the
// name holds.
TEST(QuestionDialogs, ThePromptIsFilledAsTheControlFillsIt) {
  for (const Text name : {u"MARCA", u"", u"100% algodón", u"%s y %d", u"Año | época"}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_EQ(data_input::PromptFor(name),
              FromAnsi(FormatControlText(LoadControlString(data_input::kPrompt.id, 0),
                                         {ToAnsi(name)})));
  }
}

// Each dialog laid out as the control lays it out, captured by the robot:
// the roles are the definition's and the key is the one the robot looks up
// for the question.
TEST(QuestionDialogs, TheRobotsKeyOfEachQuestionIsTheKeyOfTheControlsDialog) {
  const std::vector<Text> options = {u"Régimen general", u"Régimen | especial", u""};
  const struct {
    const char* dialog;
    std::function<ControlDialog(FakeDesktop&)> lay_out;
    Text key;
    const DialogChild* children;
    std::size_t count;
  } cases[] = {
      {"data entry",
       [](FakeDesktop& desk) { return testing::AddControlDataInput(desk, u"Peso neto"); },
       query::DataInputKey(u"Peso neto"), data_input::kChildren,
       std::size(data_input::kChildren)},
      {"option choice",
       [&](FakeDesktop& desk) { return testing::AddControlOptions(desk, options); },
       query::OptionsKey(options), options::kChildren, std::size(options::kChildren)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dialog);
    FakeDesktop desk;
    const ControlDialog laid = c.lay_out(desk);
    const auto captured = CaptureDialog(desk, laid.dialog);
    ASSERT_EQ(captured->GetRoot().GetChildCount(), c.count);
    const std::vector<std::int32_t> roles = {
        captured->GetListIndex(),   captured->GetPromptIndex(), captured->GetEditIndex(),
        captured->GetAcceptIndex(), captured->GetCancelIndex(), captured->GetNoneIndex()};
    std::vector<std::int32_t> defined(6, -1);
    for (std::size_t i = 0; i < c.count; ++i) {
      const auto at = static_cast<std::int32_t>(i);
      switch (c.children[i].role) {
        case ChildRole::kList: defined[0] = at; break;
        case ChildRole::kPrompt: defined[1] = at; break;
        case ChildRole::kValue: defined[2] = at; break;
        case ChildRole::kAccept: defined[3] = at; break;
        case ChildRole::kCancel: defined[4] = at; break;
        case ChildRole::kNone: defined[5] = at; break;
        case ChildRole::kNotice: break;
      }
    }
    EXPECT_EQ(roles, defined);
    EXPECT_EQ(WriteKey(*captured), c.key);
    // The key carries the definition's texts, each a field of its own.
    for (std::size_t i = 0; i < c.count; ++i) {
      if (c.children[i].role == ChildRole::kPrompt || c.children[i].text.spanish.empty()) continue;
      EXPECT_THAT(ToUtf8(c.key), ::testing::HasSubstr(
                                     "|" + ToUtf8(EscapeText(c.children[i].text.spanish)) + "|"));
    }
  }
}

}  // namespace
}  // namespace korvex
