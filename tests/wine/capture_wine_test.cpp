// Capture of live dialogs over the real window system: message boxes and
// template dialogs shown by another thread of this process, the way the host
// shows its dialogs to the robot.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/capture/interaction.h"
#include "robot/capture/meta_window.h"
#include "robot/capture/recognition_error.h"
#include "tests/wine/live_dialog.h"

namespace korvex {
namespace {

using wine_test::DialogTemplate;
using wine_test::LiveDialog;
using wine_test::OwnDialog;

// Runs the capture and returns the failure code, or 0 on success.
std::int32_t CaptureCode(WindowSystem& ws, Hwnd dialog) {
  try {
    CaptureDialog(ws, dialog);
    return 0;
  } catch (const RecognitionError& e) {
    return e.code();
  }
}

std::vector<std::u16string_view> ChildClasses(const CDossaWindow& dialog) {
  std::vector<std::u16string_view> classes;
  const CDialogWindow& root = dialog.GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    classes.push_back(root.GetChild(i).RuntimeClassName());
  }
  return classes;
}

constexpr std::u16string_view kIcon = u"class CIconWindow";
constexpr std::u16string_view kButton = u"class CMetaButton";
constexpr std::u16string_view kText = u"class CTextWindow";

class CaptureWineTest : public ::testing::Test {
 protected:
  Win32WindowSystem ws;
};

// --- message boxes ---------------------------------------------------------------------

TEST_F(CaptureWineTest, MessageBoxesAreCapturedInWindowOrder) {
  const Text message = u"El ítem 3 no tiene posición arancelaria válida.";
  const struct {
    const char* name;
    UINT type;
    std::vector<std::u16string_view> classes;  // icon, buttons, text
    int icon_id;                               // 0: no icon
    std::vector<int> button_ids;
    bool plain;
  } cases[] = {
      {"information", MB_OK | MB_ICONINFORMATION, {kIcon, kButton, kText}, win::kIdiAsterisk,
       {IDOK}, true},
      {"warning", MB_OK | MB_ICONEXCLAMATION, {kIcon, kButton, kText}, win::kIdiExclamation,
       {IDOK}, true},
      {"question", MB_YESNO | MB_ICONQUESTION, {kIcon, kButton, kButton, kText},
       win::kIdiQuestion, {IDYES, IDNO}, false},
      // Wine keeps the icon static of a box without icon, hidden and empty:
      // it is captured as a text.
      {"without icon", MB_OK, {kText, kButton, kText}, 0, {IDOK}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto box = LiveDialog::ShowMessageBox(u"Aviso del despacho 12001IC04000123A", message,
                                          c.type);
    ASSERT_NE(box->hwnd(), nullptr);

    const auto dialog = CaptureDialog(ws, box->handle());
    EXPECT_EQ(dialog->RuntimeClassName(), u"class CDynWindow");
    EXPECT_EQ(dialog->GetDialogHandle(), box->handle());
    EXPECT_EQ(dialog->GetRawCaption(), u"Aviso del despacho 12001IC04000123A");
    EXPECT_EQ(dialog->GetCaption(), u"Aviso del despacho {{NRO DESPACHO}}");
    ASSERT_EQ(ChildClasses(*dialog), c.classes);
    EXPECT_EQ(dialog->IsPlainMessage(), c.plain);

    const AnswerList answers = dialog->GetAnswers();
    ASSERT_EQ(answers.size(), c.classes.size());
    for (const CUserInteraction* answer : answers) {
      EXPECT_EQ(answer->RuntimeClassName(), u"class CNullInteraction");
    }

    const CDialogWindow& root = dialog->GetRoot();
    std::size_t next = 1;
    if (c.icon_id != 0) {
      // The icon is the shared system icon of this process.
      EXPECT_EQ(dynamic_cast<const CIconWindow&>(root.GetChild(0)).GetIcon(),
                static_cast<std::int32_t>(ws.LoadSystemIcon(c.icon_id)));
    } else {
      EXPECT_EQ(dynamic_cast<const CTextWindow&>(root.GetChild(0)).GetText(), u"");
    }
    for (int id : c.button_ids) {
      const CMetaWindow& button = root.GetChild(next++);
      EXPECT_EQ(button.GetControlId(), id);
      EXPECT_EQ(button.GetParent(), &root);
      EXPECT_FALSE(dynamic_cast<const CMetaButton&>(button).GetText().empty());
    }
    EXPECT_EQ(dynamic_cast<const CTextWindow&>(root.GetChild(next)).GetText(), message);

    // Pressing the last captured button answers the box with that button.
    const auto& last = dynamic_cast<const CMetaButton&>(root.GetChild(next - 1));
    last.Click();
    EXPECT_EQ(box->WaitForResult(), c.button_ids.back());
  }
}

TEST_F(CaptureWineTest, ErrorBoxIsRefusedAndLeftToTheUser) {
  for (UINT type : {UINT{MB_OK | MB_ICONHAND}, UINT{MB_YESNO | MB_ICONERROR}}) {
    SCOPED_TRACE(type);
    auto box = LiveDialog::ShowMessageBox(u"Error", u"No se pudo validar el ítem.", type);
    ASSERT_NE(box->hwnd(), nullptr);
    EXPECT_EQ(CaptureCode(ws, box->handle()), recognition_code::kErrorIcon);
    EXPECT_TRUE(ws.IsWindow(box->handle()));
    EXPECT_TRUE(box->Close());
  }
}

// --- dialogs from templates -----------------------------------------------------------

constexpr wchar_t kForeignClass[] = L"ThunderRT6TextBox";

void RegisterForeignClass() {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kForeignClass;
    return ::RegisterClassW(&wc);
  }();
  ASSERT_NE(atom, 0);
}

TEST_F(CaptureWineTest, DialogsWithOtherControlsAreRefused) {
  RegisterForeignClass();
  const struct {
    const char* name;
    DialogTemplate dialog;
    std::int32_t code;
    std::vector<std::u16string_view> classes;  // when captured
  } cases[] = {
      {"edit under another caption",
       DialogTemplate(u"Ingreso de datos del ítem")
           .Static(u"Valor FOB:", {7, 7, 60, 10})
           .Edit(1000, {70, 5, 80, 12})
           .Button(u"Aceptar", IDOK, {40, 30, 50, 14}),
       recognition_code::kUnsupportedControl, {}},
      {"list box",
       DialogTemplate(u"Elija")
           .ListBox(1001, {7, 7, 120, 40}, {u"Uno", u"Dos"})
           .Button(u"Aceptar", IDOK, {40, 60, 50, 14}),
       recognition_code::kUnsupportedControl, {}},
      {"class name longer than the class test reads",
       DialogTemplate(u"Formulario")
           .Button(u"Aceptar", IDOK, {40, 60, 50, 14})
           .Add({Text(kForeignClass, kForeignClass + wcslen(kForeignClass)), u"", 1002,
                 WS_CHILD | WS_VISIBLE, {7, 7, 60, 12}}),
       recognition_code::kUnsupportedControl, {}},
      {"buttons and statics only",
       DialogTemplate(u"Pregunta del sistema")
           .Static(u"¿Graba los cambios?", {7, 7, 120, 10})
           .Button(u"&Sí", IDYES, {7, 30, 50, 14})
           .Button(u"&No", IDNO, {60, 30, 50, 14}),
       0, {kText, kButton, kButton}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto live = LiveDialog::ShowModal(c.dialog);
    ASSERT_NE(live->hwnd(), nullptr);
    EXPECT_EQ(CaptureCode(ws, live->handle()), c.code);
    if (c.code == 0) {
      const auto dialog = CaptureDialog(ws, live->handle());
      EXPECT_EQ(ChildClasses(*dialog), c.classes);
      EXPECT_FALSE(dialog->IsPlainMessage());
    }
    // The refused dialog is still there for the user.
    EXPECT_TRUE(ws.IsWindow(live->handle()));
    EXPECT_TRUE(live->Close());
    EXPECT_EQ(live->WaitForResult(), IDCANCEL);
  }
}

TEST_F(CaptureWineTest, TemplateDialogEndsWithThePressedButtonAndKeepsItsControls) {
  auto live = LiveDialog::ShowModal(DialogTemplate(u"Pregunta del sistema")
                                        .Static(u"¿Graba los cambios?", {7, 7, 120, 10}, 50)
                                        .Button(u"&Sí", IDYES, {7, 30, 50, 14})
                                        .Button(u"&No", IDNO, {60, 30, 50, 14}));
  ASSERT_NE(live->hwnd(), nullptr);
  const auto dialog = CaptureDialog(ws, live->handle());
  dynamic_cast<const CMetaButton&>(dialog->GetRoot().GetChild(2)).Click();
  EXPECT_EQ(live->WaitForResult(), IDNO);
  EXPECT_EQ(live->end_state().texts.at(50), u"¿Graba los cambios?");
  EXPECT_EQ(live->end_state().texts.at(IDYES), u"&Sí");
}

// --- replicas -----------------------------------------------------------------------------

TEST_F(CaptureWineTest, ReplicasOfACapturedMessageBoxLookLikeItsControls) {
  auto box = LiveDialog::ShowMessageBox(u"Aviso", u"Se validaron 12 ítems.",
                                        MB_OK | MB_ICONINFORMATION);
  ASSERT_NE(box->hwnd(), nullptr);
  const auto dialog = CaptureDialog(ws, box->handle());
  const CDialogWindow& root = dialog->GetRoot();
  ASSERT_EQ(root.GetChildCount(), 3u);

  OwnDialog replica(DialogTemplate(u"Aviso", {0, 0, 250, 120}));
  const std::uintptr_t font = ws.SendGetFont(replica.handle());
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& original = root.GetChild(i);
    SCOPED_TRACE(ToUtf8(original.RuntimeClassName()));
    const Hwnd copy = original.CreateReplica(replica.handle());
    ASSERT_NE(copy, kNoWindow);
    EXPECT_EQ(ws.GetWindowTextW(copy), original.ReadWindowText());
    RECT r{};
    ::GetWindowRect(win32::ToHwnd(copy), &r);
    ::MapWindowPoints(nullptr, replica.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ((Rect{r.left, r.top, r.right, r.bottom}), original.GetPlacement());
    if (const auto* icon = dynamic_cast<const CIconWindow*>(&original)) {
      EXPECT_EQ(ws.GetClassNameW(copy, 10), u"Static");
      EXPECT_EQ(static_cast<std::int32_t>(ws.SendGetIcon(copy)), icon->GetIcon());
      EXPECT_EQ(ws.GetDlgCtrlID(copy), 0xFFFF);
    } else if (dynamic_cast<const CMetaButton*>(&original) != nullptr) {
      EXPECT_EQ(ws.GetClassNameW(copy, 10), u"Button");
      EXPECT_EQ(ws.GetDlgCtrlID(copy), IDOK);
      EXPECT_EQ(ws.SendGetFont(copy), font);
    } else {
      EXPECT_EQ(ws.GetClassNameW(copy, 10), u"Static");
      EXPECT_EQ(ws.SendGetFont(copy), font);
      EXPECT_EQ(ws.SendGetIcon(copy), 0u);
      EXPECT_EQ(ws.GetDlgCtrlID(copy), 0xFFFF);
    }
  }
}

}  // namespace
}  // namespace korvex
