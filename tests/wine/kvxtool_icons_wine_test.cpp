// kvxtool's "show --file" under the real window system: a message box of
// each icon kind is captured live, its key goes into a profile file, and the
// tool names the icon of every entry.
//
// The capture and the tool run in this one process: under Wine an icon
// handle is valid, and equal to LoadIconW's, only in the process that loaded
// it (on Windows the shared system icons have one handle for every process),
// so kvxtool.exe started as another process could never recognise an icon
// that this process captured.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/win32/win32_window_system.h"
#include "robot/capture/capture.h"
#include "robot/key/answer_text.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "tests/wine/live_dialog.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
namespace {

using wine_test::LiveDialog;

// The answer the robot stores for a message box: a press of its button.
std::string PressTheButton(const CDossaWindow& dialog) {
  OwnedAnswers answers;
  bool pressed = false;
  const CDialogWindow& root = dialog.GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    if (!pressed && dynamic_cast<const CMetaButton*>(&root.GetChild(i)) != nullptr) {
      answers.push_back(std::make_unique<CPressButton>());
      pressed = true;
    } else {
      answers.push_back(std::make_unique<CNullInteraction>());
    }
  }
  return ToUtf8(WriteAnswers(AnswerList(answers)));
}

Text TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, folder);
  std::wstring path(folder, n);
  path += name;
  return Text(path.begin(), path.end());
}

TEST(KvxToolWineTest, ShowFileNamesTheIconOfEachCapturedMessageBox) {
  Win32WindowSystem ws;
  const SystemIcons before = SetSystemIcons({});  // as a program that has not loaded them
  const struct {
    UINT type;
    const char* icon;
  } kinds[] = {
      {MB_ICONINFORMATION, "ícono de información"},
      {MB_ICONQUESTION, "ícono de pregunta"},
      {MB_ICONEXCLAMATION, "ícono de alarma"},
  };
  std::string content = "KORVEX\r\nIconos\r\n";
  std::string info_key, info_answers;
  for (const auto& kind : kinds) {
    auto box = LiveDialog::ShowMessageBox(u"Mensaje al declarante", u"Aviso", MB_OK | kind.type);
    ASSERT_NE(box->hwnd(), nullptr);
    const auto dialog = CaptureDialog(ws, box->handle());
    const std::string key = ToUtf8(WriteKey(*dialog));
    const std::string answers = PressTheButton(*dialog);
    if (kind.type == MB_ICONINFORMATION) info_key = key, info_answers = answers;
    content += key + "\r\n" + answers + "\r\n";
  }
  // Boxes with the error icon are never captured; the same box with that
  // icon's value stands for one learned elsewhere.
  const std::string info_icon =
      "|class CIconWindow|" +
      std::to_string(static_cast<std::int32_t>(ws.LoadSystemIcon(win::kIdiAsterisk))) + "|";
  const std::size_t at = info_key.find(info_icon);
  ASSERT_NE(at, std::string::npos) << info_key;
  info_key.replace(at, info_icon.size(),
                   "|class CIconWindow|" +
                       std::to_string(static_cast<std::int32_t>(ws.LoadSystemIcon(win::kIdiHand))) + "|");
  content += info_key + "\r\n" + info_answers + "\r\n";
  content += "\r\n\r\n";
  const Text path = TempFile(L"korvex-kvxtool-icons.kvxpf");
  ASSERT_TRUE(WriteWholeFile(path, content));

  kvxtool::Environment env;
  env.windows = &ws;
  const int status = kvxtool::Run({u"show", u"--file", path}, env);
  SetSystemIcons(before);
  DeleteFileW(std::wstring(path.begin(), path.end()).c_str());
  ASSERT_EQ(status, 0) << env.err;
  for (const char* icon :
       {"ícono de información", "ícono de pregunta", "ícono de alarma", "ícono de error"}) {
    EXPECT_NE(env.out.find(std::string("Aviso, Mensaje al declarante, ") + icon + ", Botón Aceptar\t"),
              std::string::npos)
        << icon << " in:\n" << env.out;
  }
}

}  // namespace
}  // namespace korvex
