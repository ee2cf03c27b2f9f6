// The dialogs port of the tariff control on Win32: the system's message
// box, the cursor, and the control's own two question dialogs, in the
// language of the Lang property; and the control's about box.
//
// The question dialogs are built from in-memory templates whose controls
// are those of the dialogs' one definition (tarifex/question_dialogs.h), in
// its order, which is the order the robot's capture expects: their window
// keys are those that the robot's query service builds for the same
// questions.  "No seleccionar ninguna" is disabled unless offered.
// Dossa.exe, the simulated host, shows the same templates.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/dialog_template.h"
#include "tarifex/control_ports.h"

namespace korvex::tarifex {

// Control identifiers of the two dialogs.
inline constexpr int kValueEditId = 1002;
inline constexpr int kNoticeId = 1003;
inline constexpr int kPromptId = 1005;
inline constexpr int kSelectNoneId = 1006;
inline constexpr int kOptionListId = 1007;

// The dialogs' templates, in the language of lang.  The data entry asking
// for the value named name (the control's 8-bit string); or with the
// explanation and the prompt given as they are (Dossa.exe's script says
// them).
win32::DialogTemplate DataInputTemplate(std::string_view name, std::int16_t lang);
win32::DialogTemplate DataInputTemplate(TextView notice, TextView prompt, std::int16_t lang);
win32::DialogTemplate OptionsTemplate(bool none_enabled, std::int16_t lang);

class Win32ControlUi final : public ControlUi {
 public:
  // module: where the dialogs' templates are created (the control's DLL).
  explicit Win32ControlUi(HMODULE module) : m_module(module) {}

  // Texts are the control's 8-bit strings; the box shows them through the
  // wide call, so they read the same whatever the system's code page.
  int MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                  std::uint32_t type) override;
  Hwnd GetFocus() override;
  void ShowWaitCursor() override;
  void ShowArrowCursor() override;
  std::string AskComplementaryValue(Hwnd owner, std::string_view name,
                                    std::int16_t lang) override;
  std::int32_t AskOption(Hwnd owner, const std::vector<std::string>& options, bool none_enabled,
                         std::int16_t lang) override;

 private:
  HMODULE m_module;
};

// The about box, modal over owner.
void ShowAboutBox(HMODULE module, HWND owner, std::int16_t lang);

}  // namespace korvex::tarifex
