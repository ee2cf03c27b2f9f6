// Dossa.exe as a program: its forms and the run of its script's steps (wait
// for the hook, open the validation form, place the tariff control on it,
// validate items, close it, pause, quit).  One App per process, on the
// user-interface thread, which is an OLE apartment.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "tools/dossa/forms.h"
#include "tools/dossa/script.h"
#include "tools/dossa/tarifex_host.h"

namespace korvex::dossa {

class App final : public FormEvents {
 public:
  // stay: keep running after the last step.
  App(Script script, bool stay);

  // Creates the main form and posts the start of the script; false (and an
  // error reported) when the window cannot be created.
  bool Start();

  // FormEvents.
  void OpenValidationRequested() override;
  void QuitRequested() override { Quit(); }
  void RunScriptRequested() override { RunSteps(); }
  void ValidateRequested() override { RunItems(m_script.manual_items); }
  bool MayCloseValidation() override { return !m_running; }
  void ValidationClosed() override;

  HWND main_window() const { return m_main.hwnd(); }

 private:
  bool ValidationOpen() const { return m_validation && m_validation->alive(); }
  HWND ValidationWindow() const { return ValidationOpen() ? m_validation->hwnd() : nullptr; }
  void CloseValidation();
  void Quit();
  // Lets ms milliseconds pass while messages are handled.  Returns false
  // once the program is ending.
  bool Pump(DWORD ms);
  void WaitForHook(std::uint32_t limit_ms);
  // "&Validar Items": validates the items one after another.
  void RunItems(const std::vector<Item>& items);
  void RunSteps();

  Script m_script;
  bool m_stay = false;
  bool m_quitting = false;
  bool m_running = false;
  MainForm m_main{*this};
  std::unique_ptr<ValidationForm> m_validation;
  // The tariff control, placed on the validation form by a control step.
  TarifexHost m_tarifex;
  // The control the script placed on the validation form, placed again
  // when the form is opened again.
  struct PlacedControl {
    ControlSettings settings;
    int line = 0;
  };
  std::optional<PlacedControl> m_control;
};

}  // namespace korvex::dossa
