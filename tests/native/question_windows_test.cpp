// The tariff control's question dialogs captured (robot/capture/question_windows.h)
// and asking the user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/capture.h"
#include "robot/capture/perform.h"
#include "robot/capture/recognition_error.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/scripted_user.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::ScriptedUser;
using testing::SentMessage;
using ::testing::ElementsAre;

// The answers of a dialog as class names, with the text or index of those
// that carry one ("class CPutText 123", "class CItemSelect 2").
std::vector<std::string> Answers(const CDossaWindow& dialog) {
  std::vector<std::string> out;
  for (const CUserInteraction* a : dialog.GetAnswers()) {
    std::string s = ToUtf8(a->RuntimeClassName());
    if (const auto* put = dynamic_cast<const CPutText*>(a)) s += " " + ToUtf8(put->GetText());
    if (const auto* sel = dynamic_cast<const CItemSelect*>(a)) s += " " + std::to_string(sel->GetIndex());
    out.push_back(s);
  }
  return out;
}

std::vector<std::int32_t> Roles(const CDossaWindow& d) {
  return {d.GetListIndex(),   d.GetPromptIndex(), d.GetEditIndex(),
          d.GetAcceptIndex(), d.GetCancelIndex(), d.GetNoneIndex()};
}

constexpr const char* kNull = "class CNullInteraction";
constexpr const char* kPress = "class CPressButton";

class DataInputTest : public ::testing::Test {
 protected:
  FakeDesktop desk;
  Hwnd dlg = desk.AddTopLevel({.text = u"Ingreso de dato complementario"});
  Hwnd edit = desk.AddChild(dlg, {.class_name = u"Edit", .text = u"escrito antes"});
  Hwnd accept = desk.AddChild(dlg, {.class_name = u"Button", .text = u"&Validar lo ingresado", .control_id = 1});
  Hwnd cancel = desk.AddChild(dlg, {.class_name = u"Button", .text = u"Terminar el tratamiento", .control_id = 2});
  Hwnd explanation = desk.AddChild(dlg, {.class_name = u"Static", .text = u"El tarifex ha detectado..."});
  Hwnd prompt = desk.AddChild(dlg, {.class_name = u"Static", .text = u"Marca del producto"});
};

TEST_F(DataInputTest, CaptureGivesRolesAndClearsTheLiveEdit) {
  auto dialog = CaptureDialog(desk, dlg);
  EXPECT_EQ(dialog->RuntimeClassName(), u"class CDataInputWindow");
  EXPECT_THAT(Roles(*dialog), ElementsAre(-1, 4, 0, 1, 2, -1));
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 5u);
  EXPECT_THAT(Answers(*dialog), ElementsAre(kNull, kNull, kNull, kNull, kNull));
  EXPECT_EQ(dialog->GetPromptText(), u"Marca del producto");
  EXPECT_FALSE(dialog->IsPlainMessage());
  // The accelerator is removed for the comparison only.
  EXPECT_EQ(dynamic_cast<CMetaButton&>(dialog->GetRoot().GetChild(1)).GetText(),
            u"&Validar lo ingresado");
  EXPECT_EQ(desk.Get(edit).props.text, u"");
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{edit, "SetWindowTextW", u""}));
  EXPECT_EQ(dialog->GetRoot().GetChild(0).ReadWindowText(), u"");
}

TEST_F(DataInputTest, OtherClassesAreSkippedAndTheLastStaticIsThePrompt) {
  desk.AddChild(dlg, {.class_name = u"ComboBox"});
  desk.AddChild(dlg, {.class_name = u"Static", .text = u"Otra línea"});
  auto dialog = CaptureDialog(desk, dlg);
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 6u);
  EXPECT_EQ(dialog->GetPromptIndex(), 5);
  EXPECT_EQ(dialog->GetPromptText(), u"Otra línea");
}

TEST_F(DataInputTest, AskUserRecordsTheValueAndThePressOrTheCancel) {
  struct Case {
    int result;
    const char16_t* value;
    std::vector<std::string> answers;
  };
  const Case cases[] = {
      {1, u"123", {"class CPutText 123", kPress, kNull, kNull, kNull}},
      {1, u"", {"class CPutText ", kPress, kNull, kNull, kNull}},
      {2, u"ignorado", {kNull, kNull, kPress, kNull, kNull}},
      {0, u"", {kNull, kNull, kPress, kNull, kNull}},  // closed in another way
  };
  for (const Case& c : cases) {
    auto dialog = CaptureDialog(desk, dlg);
    ScriptedUser user;
    user.TypeValue(c.result, c.value);
    dialog->AskUser(user);
    EXPECT_EQ(Answers(*dialog), c.answers) << c.result;
    ASSERT_EQ(user.Questions().size(), 1u);
    EXPECT_EQ(user.Questions()[0].prompt, u"Marca del producto");
    EXPECT_EQ(user.Questions()[0].parent, dlg);
  }
}

TEST_F(DataInputTest, AskUserSkipsARoleTheDialogLacks) {
  desk.Destroy(accept);
  auto dialog = CaptureDialog(desk, dlg);
  EXPECT_EQ(dialog->GetAcceptIndex(), -1);
  ScriptedUser user;
  user.TypeValue(1, u"7");
  dialog->AskUser(user);
  EXPECT_THAT(Answers(*dialog), ElementsAre("class CPutText 7", kNull, kNull, kNull));
}

TEST_F(DataInputTest, PerformingTheAnswerTypesBeforeItPresses) {
  auto dialog = CaptureDialog(desk, dlg);
  ScriptedUser user;
  user.TypeValue(1, u"ACME");
  dialog->AskUser(user);
  desk.ClearSent();
  EXPECT_EQ(PerformAnswers(dialog->GetAnswers(), dialog->GetRoot()), 0);
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{edit, "WM_SETTEXT", u"ACME"},
                                       SentMessage{dlg, "SetForegroundWindow"},
                                       SentMessage{dlg, "SetActiveWindow"},
                                       SentMessage{accept, "BM_CLICK"}));
  EXPECT_EQ(desk.Get(dlg).dialog_result, 1);
}

class ItemSelectionTest : public ::testing::Test {
 protected:
  FakeDesktop desk;
  Hwnd dlg = desk.AddTopLevel({.text = u"Seleccion de una opcion"});
  Hwnd none = desk.AddChild(dlg, {.class_name = u"Button", .text = u"No seleccionar ninguna", .control_id = 1006});
  Hwnd cancel = desk.AddChild(dlg, {.class_name = u"Button", .text = u"Cancelar el  tratamiento", .control_id = 2});
  Hwnd list = desk.AddChild(dlg, {.class_name = u"ListBox", .items = {u"Uno", u"Dos", u"Tres"}});
  Hwnd accept = desk.AddChild(dlg, {.class_name = u"Button", .text = u"Seleccionar la opción marcada", .control_id = 1});
};

TEST_F(ItemSelectionTest, CaptureGivesRolesAndClearsTheLiveSelection) {
  desk.Get(list).cur_sel = 1;
  desk.AddChild(dlg, {.class_name = u"Static", .text = u"Elija"});  // skipped
  auto dialog = CaptureDialog(desk, dlg);
  EXPECT_EQ(dialog->RuntimeClassName(), u"class CItemSelectionWindow");
  EXPECT_THAT(Roles(*dialog), ElementsAre(2, -1, -1, 3, 1, 0));
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 4u);
  EXPECT_FALSE(dialog->IsPlainMessage());
  EXPECT_EQ(desk.Get(list).cur_sel, -1);
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{list, "LB_SETCURSEL", {}, -1}));
}

TEST_F(ItemSelectionTest, CancelWithASingleBlankIsNotTheCancelButton) {
  desk.Get(cancel).props.text = u"Cancelar el tratamiento";
  auto dialog = CaptureDialog(desk, dlg);
  EXPECT_EQ(dialog->GetCancelIndex(), -1);
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 4u);
}

TEST_F(ItemSelectionTest, AskUserRecordsSelectionNoneOrCancel) {
  struct Case {
    int result;
    int index;
    std::vector<std::string> answers;
  };
  const Case cases[] = {
      {1, 1, {kNull, kNull, "class CItemSelect 1", kPress}},
      {1, -999, {kNull, kNull, "class CItemSelect -999", kPress}},
      {1006, -1, {kPress, kNull, kNull, kNull}},
      {2, -999, {kNull, kPress, kNull, kNull}},
  };
  for (const Case& c : cases) {
    auto dialog = CaptureDialog(desk, dlg);
    ScriptedUser user;
    user.ChooseOption(c.result, c.index);
    dialog->AskUser(user);
    EXPECT_EQ(Answers(*dialog), c.answers) << c.result;
    ASSERT_EQ(user.Questions().size(), 1u);
    EXPECT_THAT(user.Questions()[0].options, ElementsAre(u"Uno", u"Dos", u"Tres"));
    EXPECT_EQ(user.Questions()[0].parent, dlg);
  }
}

TEST_F(ItemSelectionTest, TheNoneButtonsStateComesFromTheLiveButton) {
  for (bool enabled : {true, false}) {
    desk.Get(none).props.enabled = enabled;
    auto dialog = CaptureDialog(desk, dlg);
    ScriptedUser user;
    user.ChooseOption(2, -999);
    dialog->AskUser(user);
    EXPECT_EQ(user.Questions()[0].none_enabled, enabled);
  }
}

TEST_F(ItemSelectionTest, PerformingTheAnswerSelectsBeforeItPresses) {
  auto dialog = CaptureDialog(desk, dlg);
  ScriptedUser user;
  user.ChooseOption(1, 2);
  dialog->AskUser(user);
  desk.ClearSent();
  PerformAnswers(dialog->GetAnswers(), dialog->GetRoot());
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{list, "LB_SETCURSEL", {}, 2},
                                       SentMessage{dlg, "SetForegroundWindow"},
                                       SentMessage{dlg, "SetActiveWindow"},
                                       SentMessage{accept, "BM_CLICK"}));
}

TEST(QuestionCapture, DirectCaptureOnAnotherCaptionFailsWith115) {
  FakeDesktop desk;
  const Hwnd other = desk.AddTopLevel({.text = u"Ingreso de dato complementario "});
  for (int which = 0; which < 2; ++which) {
    try {
      if (which == 0) {
        CDataInputWindow d(desk, other);
      } else {
        CItemSelectionWindow d(desk, other);
      }
      ADD_FAILURE() << "no failure for " << which;
    } catch (const RecognitionError& e) {
      EXPECT_EQ(e.code(), 115);
    }
  }
  // Through CaptureDialog the trailing blank makes it a message dialog.
  EXPECT_EQ(CaptureDialog(desk, other)->RuntimeClassName(), u"class CDynWindow");
}

class MessageAskTest : public ::testing::Test {
 protected:
  FakeDesktop desk;
  Hwnd box = desk.AddMessageBox(u"Pregunta", u"¿Seguir?", desk.SystemIcon(win::kIdiQuestion),
                                {{u"&Sí", 6}, {u"&No", 7}, {u"Cancelar", 2}});
  std::unique_ptr<CDossaWindow> dialog = CaptureDialog(desk, box);
};

TEST_F(MessageAskTest, ThePressedReplicaButtonChoosesTheCapturedButton) {
  struct Case {
    int pressed;
    std::vector<std::string> answers;
  };
  const Case cases[] = {
      {7, {kNull, kNull, kPress, kNull, kNull}},
      {2, {kNull, kNull, kNull, kPress, kNull}},  // closing the replica ends it with 2
      {1234, {kNull, kNull, kNull, kNull, kNull}},
  };
  for (const Case& c : cases) {
    ScriptedUser user;
    user.PressInReplica(c.pressed);
    dialog->AskUser(user);
    EXPECT_EQ(Answers(*dialog), c.answers) << c.pressed;
    EXPECT_EQ(user.Questions()[0].title, u"Pregunta");
    EXPECT_EQ(user.Questions()[0].parent, box);
    EXPECT_THAT(user.Questions()[0].button_ids, ElementsAre(6, 7, 2));
  }
}

TEST_F(MessageAskTest, RetryKeepsOnlyTheLastChoice) {
  ScriptedUser user;
  user.PressInReplica(6);
  user.PressInReplica(7);
  dialog->AskUser(user);
  dialog->AskUser(user);
  EXPECT_THAT(Answers(*dialog), ElementsAre(kNull, kNull, kPress, kNull, kNull));
  desk.ClearSent();
  PerformAnswers(dialog->GetAnswers(), dialog->GetRoot());
  EXPECT_EQ(desk.Get(box).dialog_result, 7);
}

TEST_F(MessageAskTest, PerformAnswersRefusesMismatchesAndEntriesWithoutAChild) {
  OwnedAnswers answers;
  answers.push_back(std::make_unique<CPressButton>());   // icon: refused
  answers.push_back(std::make_unique<CPutText>(u"x"));   // button: refused
  answers.push_back(std::make_unique<CNullInteraction>());
  answers.push_back(std::make_unique<CItemSelect>(1));   // button: refused
  answers.push_back(std::make_unique<CNullInteraction>());
  answers.push_back(std::make_unique<CPressButton>());   // no sixth child
  EXPECT_EQ(PerformAnswers(AnswerList(answers), dialog->GetRoot()), 4);
  EXPECT_TRUE(desk.Sent().empty());
  EXPECT_EQ(PerformAnswers(AnswerList(), dialog->GetRoot()), 0);
}

}  // namespace
}  // namespace korvex
