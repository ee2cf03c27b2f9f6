// The tariff control's own dialogs, live: the key the robot's capture gives
// each one equals the key the robot's query service builds for the same
// question, so an answer learned from the dialog is found again when the
// control asks before showing it; and each dialog returns what the engine
// is told.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/key/window_key.h"
#include "robot/query/query_handlers.h"
#include "robot/win32/win32_message_box_resources.h"
#include "tarifex/ansi.h"
#include "tarifex/control_strings.h"
#include "tarifex/win32/control_dialogs.h"
#include "tests/wine/desktop_user.h"
#include "tests/wine/tarifex_ocx/ocx_test_support.h"
#include "tools/common/time_scale.h"

namespace korvex::wine_test {
namespace {

using tarifex::FromAnsi;
using tarifex::Win32ControlUi;

// Stretched on a slow machine (KORVEX_TIME_SCALE).
const DWORD kWaitMs = tools::ScaledMs(10000);

// A question of the control asked on a second thread, as the host's thread
// is blocked in it while the robot looks at the dialog.
template <class Result>
class Asked {
 public:
  explicit Asked(std::function<Result()> ask) : m_done(std::async(std::launch::async, ask)) {}
  // The answer once the dialog has ended; nullopt when it does not end.
  std::optional<Result> Answer() {
    if (m_done.wait_for(std::chrono::milliseconds(kWaitMs)) != std::future_status::ready) {
      return std::nullopt;
    }
    return m_done.get();
  }

 private:
  std::future<Result> m_done;
};

class ControlDialogsWine : public ::testing::Test {
 protected:
  Win32ControlUi ui{::GetModuleHandleW(nullptr)};
  Win32WindowSystem ws;
  DesktopUser user{::GetCurrentProcessId()};

  // The key of the live dialog with this caption, as the robot captures it.
  Text LiveKey(const std::wstring& caption, HWND* dialog) {
    *dialog = user.WaitFor(caption, kWaitMs, L"#32770");
    if (*dialog == nullptr) return u"<no dialog>";
    return WriteKey(*CaptureDialog(ws, win32::FromHwnd(*dialog)));
  }
};

const std::wstring kDataInputCaption = L"Ingreso de dato complementario";
const std::wstring kOptionsCaption = L"Seleccion de una opcion";

TEST_F(ControlDialogsWine, TheDataEntryDialogHasTheKeyOfTheQueryForItsValue) {
  // Names in the control's 8-bit strings, with what the key must escape.
  for (const std::string name : {"MARCA", "VALOR EN ADUANA", "DESCRIPCI\xD3N", "A|B<C>\"D'"}) {
    SCOPED_TRACE(name);
    Asked<std::string> asked([&] { return ui.AskComplementaryValue(kNoWindow, name, 0); });
    HWND dialog = nullptr;
    EXPECT_EQ(LiveKey(kDataInputCaption, &dialog), query::DataInputKey(FromAnsi(name)));
    ASSERT_NE(dialog, nullptr);
    user.Click(dialog, L"Terminar el tratamiento");
    EXPECT_EQ(asked.Answer(), std::string(1, '\xFE'));
  }
}

TEST_F(ControlDialogsWine, TheOptionDialogHasTheKeyOfTheQueryForItsOptions) {
  const std::vector<std::vector<std::string>> lists = {
      {"Unidad: kilogramo", "Unidad: litro", "Unidad: metro c\xFA" "bico"},
      {"Solo una"},
      {}};
  for (const auto& options : lists) {
    SCOPED_TRACE(testing::PrintToString(options));
    std::vector<Text> texts;
    for (const std::string& option : options) texts.push_back(FromAnsi(option));
    const Text expected = query::OptionsKey(texts);

    // Offered "No seleccionar ninguna": the keys are equal.
    {
      Asked<std::int32_t> asked([&] { return ui.AskOption(kNoWindow, options, true, 0); });
      HWND dialog = nullptr;
      EXPECT_EQ(LiveKey(kOptionsCaption, &dialog), expected);
      ASSERT_NE(dialog, nullptr);
      user.Click(dialog, L"Cancelar el  tratamiento");
      EXPECT_EQ(asked.Answer(), tarifex::kCancelTreatment);
    }
    // Not offered: the live button is disabled and its record says so; the
    // query's key describes the dialog with the button enabled.
    {
      Asked<std::int32_t> asked([&] { return ui.AskOption(kNoWindow, options, false, 0); });
      HWND dialog = nullptr;
      Text disabled = expected;
      const Text enabled_record = u"No seleccionar ninguna|1|";
      disabled.replace(disabled.find(enabled_record), enabled_record.size(),
                       u"No seleccionar ninguna|0|");
      EXPECT_EQ(LiveKey(kOptionsCaption, &dialog), disabled);
      ASSERT_NE(dialog, nullptr);
      user.Click(dialog, L"Cancelar el  tratamiento");
      EXPECT_EQ(asked.Answer(), tarifex::kCancelTreatment);
    }
  }
}

TEST_F(ControlDialogsWine, TheDataEntryDialogReturnsTheTextOrTheCancelMarker) {
  const struct {
    const char* name;
    std::wstring typed;
    std::function<void(DesktopUser&, HWND)> act;
    std::string expected;
  } cases[] = {
      {"accepted", L"ACME", [](DesktopUser& u, HWND d) { u.Click(d, L"Validar lo ingresado"); },
       "ACME"},
      {"accepted in the code page", L"Se\u00f1al 5\u20ac",
       [](DesktopUser& u, HWND d) { u.Click(d, L"Validar lo ingresado"); }, "Se\xF1" "al 5\x80"},
      {"accepted empty", L"", [](DesktopUser& u, HWND d) { u.Click(d, L"Validar lo ingresado"); },
       ""},
      {"ended", L"ACME", [](DesktopUser& u, HWND d) { u.Click(d, L"Terminar el tratamiento"); },
       "\xFE"},
      {"closed", L"ACME", [](DesktopUser&, HWND d) { ::PostMessageW(d, WM_CLOSE, 0, 0); },
       "\xFE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Asked<std::string> asked([&] { return ui.AskComplementaryValue(kNoWindow, "MARCA", 0); });
    HWND dialog = user.WaitFor(kDataInputCaption, kWaitMs, L"#32770");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(user.Type(dialog, c.typed));
    c.act(user, dialog);
    EXPECT_EQ(asked.Answer(), c.expected);
  }
}

TEST_F(ControlDialogsWine, TheOptionDialogReturnsTheIndexNoneOrCancel) {
  const std::vector<std::string> options = {"uno", "dos", "tres"};
  const struct {
    const char* name;
    bool none_offered;
    std::function<void(DesktopUser&, HWND)> act;
    std::int32_t expected;
  } cases[] = {
      {"the first, selected when it opens", true,
       [](DesktopUser& u, HWND d) { u.Click(d, L"Seleccionar la opción marcada"); }, 0},
      {"the third", true,
       [](DesktopUser& u, HWND d) {
         u.Pick(d, 2);
         u.Click(d, L"Seleccionar la opción marcada");
       },
       2},
      {"none", true, [](DesktopUser& u, HWND d) { u.Click(d, L"No seleccionar ninguna"); }, -1},
      {"none when not offered is not taken", false,
       [](DesktopUser& u, HWND d) {
         u.Click(d, L"No seleccionar ninguna");
         u.Click(d, L"Cancelar el  tratamiento");
       },
       -999},
      {"nothing selected", true,
       [](DesktopUser& u, HWND d) {
         u.Pick(d, -1);
         u.Click(d, L"Seleccionar la opción marcada");
       },
       -999},
      {"cancelled", true,
       [](DesktopUser& u, HWND d) { u.Click(d, L"Cancelar el  tratamiento"); }, -999},
      {"closed", true, [](DesktopUser&, HWND d) { ::PostMessageW(d, WM_CLOSE, 0, 0); }, -999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Asked<std::int32_t> asked([&] { return ui.AskOption(kNoWindow, options, c.none_offered, 0); });
    HWND dialog = user.WaitFor(kOptionsCaption, kWaitMs, L"#32770");
    ASSERT_NE(dialog, nullptr);
    c.act(user, dialog);
    EXPECT_EQ(asked.Answer(), c.expected);
  }
}

TEST_F(ControlDialogsWine, WithLangOneTheDialogsAreFrench) {
  Asked<std::string> asked([&] { return ui.AskComplementaryValue(kNoWindow, "MARQUE", 1); });
  HWND dialog = user.WaitFor(L"Saisie d'une donnée complémentaire", kWaitMs, L"#32770");
  ASSERT_NE(dialog, nullptr);
  std::vector<std::wstring> texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    texts.push_back(TextOf(child));
  }
  EXPECT_THAT(texts, ::testing::ElementsAre(
                         L"", L"Valider la saisie", L"Terminer le traitement",
                         L"Le tarifex a détecté l'utilisation d'une donnée complémentaire non "
                         L"spécifiée dans la déclaration !",
                         L"Veuillez saisir la valeur de MARQUE :"));
  user.Type(dialog, L"ACME");
  user.Click(dialog, L"Valider la saisie");
  EXPECT_EQ(asked.Answer(), "ACME");
}

// The fields of a key after its header (the class, the caption, six role
// numbers and the count), sorted: the children without their order.
std::vector<Text> ChildFields(const Text& key) {
  std::vector<Text> fields;
  std::size_t start = 0;
  for (std::size_t bar = key.find(u'|'); bar != Text::npos; bar = key.find(u'|', start)) {
    fields.push_back(key.substr(start, bar - start));
    start = bar + 1;
  }
  fields.erase(fields.begin(), fields.begin() + std::min<std::size_t>(9, fields.size()));
  std::sort(fields.begin(), fields.end());
  return fields;
}

// Yes/no questions and messages are the system's message box.  On Windows
// its children come as the query's keys have them (buttons, icon, text);
// Wine's box puts the icon first, so there the keys differ in order only.
TEST_F(ControlDialogsWine, TheMessageBoxesHaveTheQueryKeysOnWindowsAndTheirChildrenUnderWine) {
  win32::Win32MessageBoxResources resources;
  SystemClock clock;
  query::QueryConnection probe({nullptr, &resources}, nullptr, clock);
  const Text question = u"¿El ítem tiene certificado de origen?";
  const Text message = u"El ítem no registra certificado de origen.";
  const Text yes_no_key = query::YesNoKey(probe.GetButtonText(6, query::kDefaultYes),
                                          probe.GetButtonText(7, query::kDefaultNo),
                                          probe.IconValue(0x24), question);
  const Text message_key = query::MessageKey(probe.GetButtonText(1, query::kDefaultAccept),
                                             probe.IconValue(0x40), message);
  const struct {
    const char* name;
    Text text;
    std::string caption;
    std::uint32_t type;
    Text query_key;
    int press;
  } cases[] = {
      {"yes/no (TXT)", question, tarifex::LoadControlString(tarifex::ids::kQuestionCaption, 0),
       0x24, yes_no_key, IDYES},
      {"message (DMSG)", message, tarifex::LoadControlString(tarifex::ids::kMessageCaption, 0),
       0x40, message_key, IDOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Asked<int> asked([&] {
      return ui.MessageBoxA(kNoWindow, tarifex::ToAnsi(c.text), c.caption, c.type);
    });
    HWND box = nullptr;
    const Text live = LiveKey(win32::ToWide(FromAnsi(c.caption)), &box);
    ASSERT_NE(box, nullptr);
    if (RunningUnderWine()) {
      EXPECT_NE(live, c.query_key);
      EXPECT_EQ(ChildFields(live), ChildFields(c.query_key)) << ToUtf8(live);
    } else {
      EXPECT_EQ(live, c.query_key);
    }
    user.Press(box, c.press);
    EXPECT_EQ(asked.Answer(), c.press);
  }
}

}  // namespace
}  // namespace korvex::wine_test
