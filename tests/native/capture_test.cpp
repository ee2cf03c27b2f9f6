// Capture of live dialogs over the in-memory desktop.
#include "robot/capture/capture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/dialog_follower.h"
#include "robot/capture/recognition_error.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::FakeDesktop;

class CaptureTest : public ::testing::Test {
 protected:
  FakeDesktop desk;

  // Runs the capture and returns the failure code, or 0 on success.
  std::int32_t CaptureCode(Hwnd dialog) {
    try {
      CaptureDialog(desk, dialog);
      return 0;
    } catch (const RecognitionError& e) {
      return e.code();
    }
  }
};

TEST_F(CaptureTest, OneButtonBoxIsThreeChildrenInWindowOrderAndAPlainMessage) {
  const Hwnd box = desk.AddMessageBox(u"Mensaje al declarante", u"El item no tiene origen",
                                      desk.SystemIcon(win::kIdiAsterisk), {{u"Aceptar", 1}});
  auto dialog = CaptureDialog(desk, box);

  EXPECT_EQ(dialog->RuntimeClassName(), u"class CDynWindow");
  EXPECT_EQ(dialog->GetDialogHandle(), box);
  const CDialogWindow& root = dialog->GetRoot();
  ASSERT_EQ(root.GetChildCount(), 3u);
  EXPECT_EQ(root.GetChild(0).RuntimeClassName(), u"class CIconWindow");
  EXPECT_EQ(root.GetChild(1).RuntimeClassName(), u"class CMetaButton");
  EXPECT_EQ(root.GetChild(2).RuntimeClassName(), u"class CTextWindow");
  EXPECT_EQ(dynamic_cast<const CIconWindow&>(root.GetChild(0)).GetIcon(),
            static_cast<std::int32_t>(desk.SystemIcon(win::kIdiAsterisk)));
  EXPECT_EQ(dynamic_cast<const CMetaButton&>(root.GetChild(1)).GetText(), u"Aceptar");
  EXPECT_EQ(root.GetChild(1).GetControlId(), 1);
  EXPECT_EQ(root.GetChild(1).GetParent(), &root);
  EXPECT_EQ(dynamic_cast<const CTextWindow&>(root.GetChild(2)).GetText(),
            u"El item no tiene origen");

  const AnswerList answers = dialog->GetAnswers();
  ASSERT_EQ(answers.size(), 3u);
  for (const CUserInteraction* a : answers) {
    EXPECT_EQ(a->RuntimeClassName(), u"class CNullInteraction");
  }
  EXPECT_TRUE(dialog->IsPlainMessage());
  for (auto role : {dialog->GetListIndex(), dialog->GetPromptIndex(), dialog->GetEditIndex(),
                    dialog->GetAcceptIndex(), dialog->GetCancelIndex(), dialog->GetNoneIndex()}) {
    EXPECT_EQ(role, -1);
  }
}

TEST_F(CaptureTest, YesNoBoxIsNotAPlainMessage) {
  const Hwnd box = desk.AddMessageBox(u"Pregunta", u"¿Continuar?", desk.SystemIcon(win::kIdiQuestion),
                                      {{u"&Sí", 6}, {u"&No", 7}});
  auto dialog = CaptureDialog(desk, box);
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 4u);
  EXPECT_FALSE(dialog->IsPlainMessage());
}

TEST_F(CaptureTest, RefusalsCarryTheirCodes) {
  struct Case {
    const char* name;
    std::function<Hwnd(FakeDesktop&)> build;
    std::int32_t code;
  };
  const Case cases[] = {
      {"error icon",
       [](FakeDesktop& d) {
         return d.AddMessageBox(u"Error", u"Falló", d.SystemIcon(win::kIdiHand), {{u"Aceptar", 1}});
       },
       123579},
      {"edit in a message dialog",
       [](FakeDesktop& d) {
         const Hwnd dlg = d.AddTopLevel({.text = u"Otro título"});
         d.AddChild(dlg, {.class_name = u"Button", .text = u"Aceptar", .control_id = 1});
         d.AddChild(dlg, {.class_name = u"Edit"});
         return dlg;
       },
       715911},
      {"list box in a message dialog",
       [](FakeDesktop& d) {
         const Hwnd dlg = d.AddTopLevel({.text = u"Seleccion de una opcion "});
         d.AddChild(dlg, {.class_name = u"ListBox", .items = {u"Uno"}});
         return dlg;
       },
       715911},
      {"class that only starts like a static",
       [](FakeDesktop& d) {
         const Hwnd dlg = d.AddTopLevel({.text = u"Aviso"});
         d.AddChild(dlg, {.class_name = u"StaticEx"});
         return dlg;
       },
       715911},
      {"a button class longer than nine characters",
       [](FakeDesktop& d) {
         const Hwnd dlg = d.AddTopLevel({.text = u"Aviso"});
         d.AddChild(dlg, {.class_name = u"ButtonButton"});
         return dlg;
       },
       715911},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CaptureCode(c.build(desk)), c.code) << c.name;
  }
}

TEST_F(CaptureTest, ClassNamesAreComparedWithoutCaseAndCutAtNineCharacters) {
  const Hwnd dlg = desk.AddTopLevel({.text = u"Aviso"});
  desk.AddChild(dlg, {.class_name = u"BUTTON", .text = u"Aceptar", .control_id = 1});
  desk.AddChild(dlg, {.class_name = u"static", .text = u"Hecho"});
  auto dialog = CaptureDialog(desk, dlg);
  ASSERT_EQ(dialog->GetRoot().GetChildCount(), 2u);
  EXPECT_EQ(dialog->GetRoot().GetChild(0).GetKind(), WindowKind::Button);
  EXPECT_EQ(dialog->GetRoot().GetChild(1).GetKind(), WindowKind::Text);
}

TEST_F(CaptureTest, EmptyDialogHasNoChildrenAndIsNotAPlainMessage) {
  auto dialog = CaptureDialog(desk, desk.AddTopLevel({.text = u"Vacío"}));
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 0u);
  EXPECT_EQ(dialog->GetAnswers().size(), 0u);
  EXPECT_FALSE(dialog->IsPlainMessage());
}

TEST_F(CaptureTest, DeadWindowCapturesAsEmpty) {
  const Hwnd box = desk.AddMessageBox(u"Aviso", u"x", 0, {{u"Aceptar", 1}});
  desk.Destroy(box);
  auto dialog = CaptureDialog(desk, box);
  EXPECT_EQ(dialog->GetCaption(), u"");
  EXPECT_EQ(dialog->GetRoot().GetChildCount(), 0u);
}

TEST(CaptionNormalization, ReplacesEveryDeclarationNumber) {
  struct Case {
    const char16_t* caption;
    const char16_t* normalized;
  };
  const Case cases[] = {
      {u"Despacho 12001IC04000123A", u"Despacho {{NRO DESPACHO}}"},
      {u"12001IC04000123A y 99999ZZZ9999999B", u"{{NRO DESPACHO}} y {{NRO DESPACHO}}"},
      {u"12001IC04000123A12001IC04000123A", u"{{NRO DESPACHO}}{{NRO DESPACHO}}"},
      {u"12345a1B2123456@", u"{{NRO DESPACHO}}"},  // lower-case letter and "@"
      {u"Nro 12001IC0400012", u"Nro 12001IC0400012"},  // fourteen characters: no match
      {u"12001IC04000123A - ítem 3 (revisar)", u"{{NRO DESPACHO}} - ítem 3 (revisar)"},
      {u"12001IC040001234", u"12001IC040001234"},  // last character must be a letter or "@"
      {u"1200AIC04000123A", u"1200AIC04000123A"},  // fifth character must be a digit
      {u"X12001IC04000123AB", u"X{{NRO DESPACHO}}B"},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeCaption(c.caption), Text(c.normalized)) << ToUtf8(c.caption);
  }
}

TEST_F(CaptureTest, CaptionIsNormalizedButTheRawCaptionIsKept) {
  const Hwnd box =
      desk.AddMessageBox(u"Despacho 12001IC04000123A - Aviso", u"Texto", 0, {{u"Aceptar", 1}});
  auto dialog = CaptureDialog(desk, box);
  EXPECT_EQ(dialog->GetCaption(), u"Despacho {{NRO DESPACHO}} - Aviso");
  EXPECT_EQ(dialog->GetRawCaption(), u"Despacho 12001IC04000123A - Aviso");
}

class RecordingFollower : public DialogFollower {
 public:
  void Arm(Hwnd dialog) override { events.push_back("arm " + std::to_string(dialog)); }
  void Disarm() override { events.push_back("disarm"); }
  std::vector<std::string> events;
};

TEST_F(CaptureTest, FollowerIsArmedByCaptureAndDisarmedOnceByDeletionOrFailure) {
  RecordingFollower follower;
  const Hwnd box = desk.AddMessageBox(u"Aviso", u"x", 0, {{u"Aceptar", 1}});
  CaptureDialog(desk, box, &follower).reset();
  EXPECT_THAT(follower.events, ::testing::ElementsAre("arm " + std::to_string(box), "disarm"));

  follower.events.clear();
  const Hwnd bad = desk.AddMessageBox(u"Error", u"x", desk.SystemIcon(win::kIdiHand), {{u"Aceptar", 1}});
  EXPECT_THROW(CaptureDialog(desk, bad, &follower), RecognitionError);
  EXPECT_THAT(follower.events, ::testing::ElementsAre("arm " + std::to_string(bad), "disarm"));
}

TEST_F(CaptureTest, CaptureSendsNothingToTheDialog) {
  const Hwnd box = desk.AddMessageBox(u"Aviso", u"x", desk.SystemIcon(win::kIdiExclamation),
                                      {{u"Aceptar", 1}});
  auto dialog = CaptureDialog(desk, box);
  EXPECT_TRUE(desk.Sent().empty());
}

}  // namespace
}  // namespace korvex
