// Answers performed on live dialogs of another thread: the message boxes of
// the host and the tariff control's two question dialogs, built from
// templates with the controls in the order the control creates them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/text.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/interaction.h"
#include "robot/capture/perform.h"
#include "tests/wine/live_dialog.h"

namespace korvex {
namespace {

using wine_test::DialogTemplate;
using wine_test::LiveDialog;

// An answer list of `count` empty entries with the given ones filled in.
class Answers {
 public:
  explicit Answers(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) m_owned.push_back(std::make_unique<CNullInteraction>());
  }
  Answers& Set(std::int32_t index, std::unique_ptr<CUserInteraction> answer) {
    m_owned.at(static_cast<std::size_t>(index)) = std::move(answer);
    return *this;
  }
  AnswerList List() const { return AnswerList(m_owned); }

 private:
  OwnedAnswers m_owned;
};

class AnswersWineTest : public ::testing::Test {
 protected:
  Win32WindowSystem ws;
};

TEST_F(AnswersWineTest, PressingNoAnswersAYesNoBox) {
  auto box = LiveDialog::ShowMessageBox(u"Validación", u"¿Desea continuar con el ítem 4?",
                                        MB_YESNO | MB_ICONQUESTION);
  ASSERT_NE(box->hwnd(), nullptr);
  const auto dialog = CaptureDialog(ws, box->handle());
  const CDialogWindow& root = dialog->GetRoot();

  // Icon, "&Sí", "&No", text: the answer presses the child whose id is IDNO.
  std::int32_t no = -1;
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    if (root.GetChild(i).GetControlId() == IDNO) no = static_cast<std::int32_t>(i);
  }
  ASSERT_EQ(no, 2);
  Answers answers(root.GetChildCount());
  answers.Set(no, std::make_unique<CPressButton>());

  EXPECT_EQ(PerformAnswers(answers.List(), dialog->GetRoot()), 0);
  EXPECT_EQ(box->WaitForResult(), IDNO);
}

constexpr int kEditId = 1002;
constexpr int kListId = 1007;

DialogTemplate DataInputDialog(Text typed_before) {
  return DialogTemplate(Text(tarifex::data_input::kCaption.spanish), {0, 0, 293, 84})
      .Edit(kEditId, {7, 40, 279, 12}, std::move(typed_before))
      .Button(u"&Validar lo ingresado", IDOK, {60, 62, 90, 14}, BS_DEFPUSHBUTTON)
      .Button(u"Terminar el tratamiento", IDCANCEL, {160, 62, 90, 14})
      .Static(u"El tarifex ha detectado el uso de un dato complementario", {7, 7, 279, 10})
      .Static(u"Valor en aduana del ítem", {7, 25, 279, 10});
}

TEST_F(AnswersWineTest, DataInputDialogIsClearedAtCaptureAndAnsweredWithTextAndButton) {
  const struct {
    const char* name;
    bool accept;
    int result;
  } cases[] = {{"accept", true, IDOK}, {"cancel", false, IDCANCEL}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto live = LiveDialog::ShowModal(DataInputDialog(u"tecleado antes"));
    ASSERT_NE(live->hwnd(), nullptr);
    const auto dialog = CaptureDialog(ws, live->handle());
    EXPECT_EQ(dialog->RuntimeClassName(), u"class CDataInputWindow");
    EXPECT_EQ(dialog->GetEditIndex(), 0);
    EXPECT_EQ(dialog->GetAcceptIndex(), 1);
    EXPECT_EQ(dialog->GetCancelIndex(), 2);
    EXPECT_EQ(dialog->GetPromptIndex(), 4);
    EXPECT_EQ(dialog->GetPromptText(), u"Valor en aduana del ítem");
    EXPECT_EQ(ws.GetWindowTextW(live->Item(kEditId)), u"");

    Answers answers(dialog->GetRoot().GetChildCount());
    answers.Set(dialog->GetEditIndex(), std::make_unique<CPutText>(u"1.234,50 €"));
    answers.Set(c.accept ? dialog->GetAcceptIndex() : dialog->GetCancelIndex(),
                std::make_unique<CPressButton>());
    EXPECT_EQ(PerformAnswers(answers.List(), dialog->GetRoot()), 0);
    EXPECT_EQ(live->WaitForResult(), c.result);
    EXPECT_EQ(live->end_state().texts.at(kEditId), u"1.234,50 €");
  }
}

DialogTemplate OptionsDialog(const std::vector<Text>& options) {
  return DialogTemplate(Text(tarifex::options::kCaption.spanish), {0, 0, 300, 210})
      .Button(u"No seleccionar ninguna", 1006, {110, 185, 85, 14})
      .Button(u"Cancelar el  tratamiento", IDCANCEL, {205, 185, 85, 14})
      .ListBox(kListId, {7, 7, 286, 170}, options)
      .Button(u"Seleccionar la opción marcada", IDOK, {7, 185, 95, 14}, BS_DEFPUSHBUTTON);
}

TEST_F(AnswersWineTest, OptionDialogIsDeselectedAtCaptureAndAnsweredWithItemAndButton) {
  const std::vector<Text> options = {u"0101.21.00 - Reproductores", u"0101.29.00 - Los demás",
                                     u"0102.21.10 - Preñadas", u"0102.29.90 - Otros"};
  const struct {
    const char* name;
    int select;           // -1: no selection answered
    bool press_accept;    // else "No seleccionar ninguna"
    int result;
    int selection_at_end;
  } cases[] = {
      {"third option", 2, true, IDOK, 2},
      {"last option", 3, true, IDOK, 3},
      {"none", -1, false, 1006, LB_ERR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto live = LiveDialog::ShowModal(OptionsDialog(options));
    ASSERT_NE(live->hwnd(), nullptr);
    ws.SendListSetCurSel(live->Item(kListId), 1);  // the user had marked one

    const auto dialog = CaptureDialog(ws, live->handle());
    EXPECT_EQ(dialog->RuntimeClassName(), u"class CItemSelectionWindow");
    EXPECT_EQ(dialog->GetNoneIndex(), 0);
    EXPECT_EQ(dialog->GetCancelIndex(), 1);
    EXPECT_EQ(dialog->GetListIndex(), 2);
    EXPECT_EQ(dialog->GetAcceptIndex(), 3);
    EXPECT_EQ(ws.SendListGetCurSel(live->Item(kListId)), LB_ERR);

    Answers answers(dialog->GetRoot().GetChildCount());
    if (c.select >= 0) answers.Set(dialog->GetListIndex(), std::make_unique<CItemSelect>(c.select));
    answers.Set(c.press_accept ? dialog->GetAcceptIndex() : dialog->GetNoneIndex(),
                std::make_unique<CPressButton>());
    EXPECT_EQ(PerformAnswers(answers.List(), dialog->GetRoot()), 0);
    EXPECT_EQ(live->WaitForResult(), c.result);
    EXPECT_EQ(live->end_state().list_selections.at(kListId), c.selection_at_end);
  }
}

}  // namespace
}  // namespace korvex
