// The captured-window model: live controls over the in-memory desktop, the
// rebuilt (Ex) controls, ownership, and the interactions that act on them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "robot/capture/capture.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/interaction.h"
#include "robot/capture/meta_window.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::SentMessage;
using ::testing::ElementsAre;

// Counts destructions so a test can see that a tree is freed exactly once.
int g_destroyed = 0;
class CountedText : public CTextWindowEx {
 public:
  using CTextWindowEx::CTextWindowEx;
  ~CountedText() override { ++g_destroyed; }
};
class CountedAnswer : public CUserInteraction {
 public:
  ~CountedAnswer() override { ++g_destroyed; }
  std::u16string_view RuntimeClassName() const override { return u"class CNullInteraction"; }
  bool Perform(CMetaWindow&) const override { return true; }
  std::unique_ptr<CUserInteraction> Clone() const override {
    return std::make_unique<CountedAnswer>();
  }
};

TEST(Model, DeletingADialogFreesRootChildrenAndAnswersOnce) {
  g_destroyed = 0;
  {
    auto root = std::make_unique<CDialogWindow>();
    auto group = std::make_unique<CountedText>(u"grupo");
    group->AddChild(std::make_unique<CountedText>(u"nieto"));
    root->AddChild(std::move(group));
    root->AddChild(std::make_unique<CountedText>(u"b"));
    OwnedAnswers answers;
    answers.push_back(std::make_unique<CountedAnswer>());
    answers.push_back(std::make_unique<CountedAnswer>());
    CDynWindow dialog(u"Aviso", std::move(root), std::move(answers));
    EXPECT_EQ(g_destroyed, 0);
  }
  EXPECT_EQ(g_destroyed, 5);
}

TEST(Model, RebuiltDialogTakesTheCaptionAsNormalizedAndHasNoLiveHandles) {
  auto root = std::make_unique<CDialogWindow>();
  root->AddChild(std::make_unique<CMetaButtonEx>(u"&Aceptar", 1));
  root->AddChild(std::make_unique<CIconWindowEx>(32516));
  OwnedAnswers answers;
  answers.push_back(std::make_unique<CPressButton>());
  answers.push_back(std::make_unique<CNullInteraction>());
  CDynWindow dialog(u"Aviso {{NRO DESPACHO}}", std::move(root), std::move(answers));

  EXPECT_EQ(dialog.GetCaption(), u"Aviso {{NRO DESPACHO}}");
  EXPECT_EQ(dialog.GetDialogHandle(), kUnboundWindow);
  EXPECT_TRUE(dialog.IsPlainMessage());
  EXPECT_EQ(dialog.GetAnswers()[0].RuntimeClassName(), u"class CPressButton");
  // Nothing live: the rebuilt button answers a click with nothing.
  EXPECT_FALSE(dynamic_cast<CMetaButton&>(dialog.GetRoot().GetChild(0)).Click());
  EXPECT_EQ(dialog.GetRoot().GetChild(0).GetControlId(), 0);
}

TEST(Model, ExControlsAnswerWithTheirRecordedValues) {
  CMetaButtonEx button(u"&No", 0);
  EXPECT_EQ(button.GetText(), u"&No");
  EXPECT_EQ(button.IsEnabled(), 0);
  EXPECT_EQ(button.GetKind(), WindowKind::Button);
  EXPECT_EQ(button.GetParent(), nullptr);

  CMetaEditEx edit(u"123");
  EXPECT_EQ(edit.ReadWindowText(), u"123");
  EXPECT_EQ(edit.GetKind(), WindowKind::Edit);
  EXPECT_EQ(static_cast<int>(edit.GetKind()), 1);
  edit.SetText(u"otro");  // reaches no window
  EXPECT_EQ(edit.ReadWindowText(), u"123");

  CIconWindowEx icon(-5);
  EXPECT_EQ(icon.GetIcon(), -5);
  EXPECT_EQ(icon.GetKind(), WindowKind::Icon);
  EXPECT_EQ(CTextWindowEx(u"t").GetKind(), WindowKind::Text);
  EXPECT_EQ(CDialogWindow().GetKind(), WindowKind::Dialog);
}

TEST(Model, RebuiltListSelectsOnlyInsideItsItems) {
  CMetaListEx list;
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_THROW(list.GetSelectedItem(), std::invalid_argument);
  EXPECT_THROW(list.GetItemText(0), std::invalid_argument);
  list.AddItem(u"Uno");
  list.AddItem(u"Dos");
  EXPECT_THROW(list.GetSelectedItem(), std::invalid_argument);  // -1 at construction
  list.SelectIndex(1);
  EXPECT_EQ(list.GetSelectedItem(), u"Dos");
  list.SelectString(u"Uno");  // does nothing on a rebuilt list
  EXPECT_EQ(list.GetSelectedItem(), u"Dos");
  list.SelectIndex(2);
  EXPECT_THROW(list.GetSelectedItem(), std::invalid_argument);
  EXPECT_THROW(list.GetItemText(-1), std::invalid_argument);
}

TEST(Model, GetChildOutsideTheChildrenIsAnError) {
  CDialogWindow root;
  EXPECT_THROW(root.GetChild(0), std::invalid_argument);
  root.AddChild(std::make_unique<CTextWindowEx>(u"a"));
  EXPECT_NO_THROW(root.GetChild(0));
  EXPECT_THROW(root.GetChild(1), std::invalid_argument);
}

class LiveModelTest : public ::testing::Test {
 protected:
  FakeDesktop desk;
  Hwnd box = desk.AddMessageBox(u"Pregunta", u"¿Seguir?", desk.SystemIcon(win::kIdiQuestion),
                                {{u"&Sí", 6}, {u"&No", 7}});
  std::unique_ptr<CDossaWindow> dialog = CaptureDialog(desk, box);
  CDialogWindow& root = dialog->GetRoot();
  Hwnd yes = root.GetChild(1).GetHandle();
  Hwnd no = root.GetChild(2).GetHandle();
};

TEST_F(LiveModelTest, ClickBringsTheDialogForwardThenSendsBmClick) {
  dynamic_cast<CMetaButton&>(root.GetChild(2)).Click();
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{box, "SetForegroundWindow"},
                                       SentMessage{box, "SetActiveWindow"},
                                       SentMessage{no, "BM_CLICK"}));
  EXPECT_EQ(desk.Get(box).dialog_result, 7);
}

TEST_F(LiveModelTest, LiveButtonReadsItsEnabledStateAtCallTime) {
  auto& button = dynamic_cast<CMetaButton&>(root.GetChild(1));
  EXPECT_EQ(button.IsEnabled(), 1);
  desk.Get(yes).props.enabled = false;
  EXPECT_EQ(button.IsEnabled(), 0);
}

TEST_F(LiveModelTest, LiveTextsFollowTheWindowAndAreEmptyOnceItIsGone) {
  auto& text = dynamic_cast<CTextWindow&>(root.GetChild(3));
  desk.Get(text.GetHandle()).props.text = u"Cambiado";
  EXPECT_EQ(text.GetText(), u"Cambiado");
  desk.Destroy(box);
  EXPECT_EQ(text.GetText(), u"");
  EXPECT_EQ(root.GetChild(1).GetControlId(), 0);
  EXPECT_FALSE(dynamic_cast<CMetaButton&>(root.GetChild(1)).Click());
}

TEST_F(LiveModelTest, PlacementIsRelativeToTheParentClientArea) {
  // Button "Sí" of the fake box: window (200,210)-(275,233), client 75x23;
  // dialog window at (100,100); frame 3, caption 19.
  EXPECT_EQ(root.GetChild(1).GetPlacement(), (Rect{200 - 100 - 3, 210 - 100 - 19 - 3,
                                                   97 + 75, 88 + 23}));
  // The root has no parent: its client rectangle.
  EXPECT_EQ(root.GetPlacement(), (Rect{0, 0, 294, 128}));
}

TEST_F(LiveModelTest, ReplicasCopyTextIdStyleIconAndFont) {
  const Hwnd host = desk.AddTopLevel({.text = u"Replica"});
  desk.Get(host).font = 0xF0F0;
  const Hwnd icon = root.GetChild(0).CreateReplica(host);
  const Hwnd button = root.GetChild(1).CreateReplica(host);
  const Hwnd text = root.GetChild(3).CreateReplica(host);
  CDialogWindow().CreateReplica(host);  // the root has no replica
  ASSERT_NE(icon, kNoWindow);
  ASSERT_NE(button, kNoWindow);
  ASSERT_NE(text, kNoWindow);
  EXPECT_THAT(desk.Get(host).children, ElementsAre(icon, button, text));

  EXPECT_EQ(desk.Get(button).props.class_name, u"Button");
  EXPECT_EQ(desk.Get(button).props.text, u"&Sí");
  EXPECT_EQ(desk.Get(button).props.control_id, 6);
  EXPECT_EQ(desk.Get(button).props.style, 0x50010000u);
  EXPECT_EQ(desk.Get(button).props.window_rect, root.GetChild(1).GetPlacement());
  EXPECT_EQ(desk.Get(text).props.class_name, u"Static");
  EXPECT_EQ(desk.Get(text).props.text, u"¿Seguir?");
  EXPECT_EQ(desk.Get(text).props.control_id, 0xFFFF);
  EXPECT_EQ(desk.Get(text).props.style, 0x50000000u);
  EXPECT_EQ(desk.Get(icon).props.style, 0x50000203u);
  EXPECT_EQ(desk.Get(icon).props.icon, desk.SystemIcon(win::kIdiQuestion));
  for (Hwnd h : {icon, button, text}) EXPECT_EQ(desk.Get(h).font, 0xF0F0u);
}

TEST_F(LiveModelTest, InteractionsActOnlyOnControlsOfTheirKind) {
  CPressButton press;
  CPutText put(u"123");
  CItemSelect select(2);
  CNullInteraction none;
  CMetaWindow& icon = root.GetChild(0);
  CMetaWindow& button = root.GetChild(1);

  EXPECT_FALSE(press.Perform(icon));
  EXPECT_FALSE(put.Perform(button));
  EXPECT_FALSE(select.Perform(button));
  EXPECT_TRUE(none.Perform(button));
  EXPECT_TRUE(desk.Sent().empty());  // refused, never sent
  EXPECT_TRUE(press.Perform(button));
  EXPECT_THAT(desk.SentTo(yes), ElementsAre(SentMessage{yes, "BM_CLICK"}));
}

TEST(LiveEditAndList, InteractionsSendTheirMessages) {
  FakeDesktop desk;
  const Hwnd dlg = desk.AddTopLevel({.text = u"Datos"});
  const Hwnd edit = desk.AddChild(dlg, {.class_name = u"Edit"});
  const Hwnd list = desk.AddChild(dlg, {.class_name = u"ListBox", .items = {u"Uno", u"Dos", u"Tres"}});
  CDialogWindow root(&desk, dlg);
  CMetaEdit live_edit(&desk, edit, &root);
  CMetaList live_list(&desk, list, &root);

  EXPECT_TRUE(CPutText(u"a|b").Perform(live_edit));
  EXPECT_EQ(desk.Get(edit).props.text, u"a|b");
  EXPECT_EQ(live_edit.ReadWindowText(), u"a|b");
  EXPECT_TRUE(CItemSelect(1).Perform(live_list));
  EXPECT_EQ(desk.Get(list).cur_sel, 1);
  EXPECT_EQ(live_list.GetItemCount(), 3);
  EXPECT_EQ(live_list.GetItemText(2), u"Tres");
  EXPECT_EQ(live_list.GetItemText(3), u"");
  live_list.SelectString(u"tr");
  EXPECT_EQ(desk.Get(list).cur_sel, 2);
  EXPECT_THAT(desk.Sent(), ElementsAre(SentMessage{edit, "WM_SETTEXT", u"a|b"},
                                       SentMessage{list, "LB_SETCURSEL", {}, 1},
                                       SentMessage{list, "LB_SETCURSEL", {}, 2}));
}

TEST(Model, AnswerListSnapshotSharesTheDialogsInteractions) {
  FakeDesktop desk;
  const Hwnd box = desk.AddMessageBox(u"Aviso", u"x", 0, {{u"Aceptar", 1}});
  auto dialog = CaptureDialog(desk, box);
  const AnswerList before = dialog->GetAnswers();
  const AnswerList copy = before;  // cheap copy of the same list
  EXPECT_EQ(&copy[0], &before[0]);
  EXPECT_TRUE(dialog->ReplaceAnswer(0, std::make_unique<CPressButton>()));
  EXPECT_FALSE(dialog->ReplaceAnswer(-1, std::make_unique<CPressButton>()));
  EXPECT_FALSE(dialog->ReplaceAnswer(2, std::make_unique<CPressButton>()));
  EXPECT_EQ(dialog->GetAnswers()[0].RuntimeClassName(), u"class CPressButton");
  dialog->ResetAnswers();
  for (const CUserInteraction* a : dialog->GetAnswers()) {
    EXPECT_EQ(a->RuntimeClassName(), u"class CNullInteraction");
  }
}

}  // namespace
}  // namespace korvex
