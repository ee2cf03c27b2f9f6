// The robot's own dialogs about profiles and answers: the confirmation
// "¿Desea que esta respuesta quede guardada en el perfil?", "Crear nuevo
// perfil" and "Seleccionar un perfil", and the port the tray commands open
// the last two through.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "robot/app/frame_commands.h"
#include "robot/win32/window.h"

namespace korvex::win32 {

// Ends with 6 ("Sí"), 7 ("No", also when closed) or 10 ("&Reintentar");
// Enter and Escape do nothing, and no button is the default.  Centred on
// its owner, the host dialog being answered.
class CConfirmDlg final : public Dialog {
 public:
  CConfirmDlg();
  // RunModal over the host dialog; 7 when the dialog could not be made.
  int Ask(HWND host_dialog);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  HWND m_owner = nullptr;
};

// "Crear nuevo perfil": the name as typed.  An empty name, or one that the
// store cannot hold, is refused with a message and the dialog stays open.
class CAddProfileDlg final : public Dialog {
 public:
  CAddProfileDlg();
  const std::wstring& Name() const { return m_name; }

 protected:
  bool OnCommand(int id, int code, HWND control) override;

 private:
  std::wstring m_name;
};

// "Seleccionar un perfil": the index of the chosen profile in the given
// list, kSelectionCreateNew or kSelectionCancelled (kept apart from the
// dialog's end value, which IDOK and IDCANCEL share with the indexes 1 and
// 2).
class CSelectProfileDlg final : public Dialog {
 public:
  explicit CSelectProfileDlg(std::vector<std::wstring> names);
  int Choice() const { return m_choice; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Choose();

  std::vector<std::wstring> m_names;
  int m_choice = kSelectionCancelled;
};

class Win32ProfileDialogs final : public ProfileDialogs {
 public:
  std::optional<Text> AskNewProfileName() override;
  int SelectProfile(const std::vector<CProfile*>& profiles) override;
};

}  // namespace korvex::win32
