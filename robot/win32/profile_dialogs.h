// The robot's own dialogs about profiles and answers: the confirmation
// "¿Desea que esta respuesta quede guardada en el perfil?", "Crear nuevo
// perfil", "Seleccionar un perfil", "Seleccione el perfil a borrar" and
// "Respuestas almacenadas en los perfiles", and the port the tray commands
// open the creation and the selection through.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "robot/tray/frame_commands.h"
#include "robot/tray/management_forms.h"
#include "robot/win32/window.h"

namespace korvex {
class CProfile;
}

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

// A dialog whose list box 1011 shows the names of the given profiles in
// the order the user reads them (SortedProfileList); each line carries the
// index of its profile, so a chosen line names its profile whatever the
// names look like.  The list has the focus when the dialog opens.
class CProfileListDlg : public Dialog {
 protected:
  CProfileListDlg(int template_id, const std::vector<CProfile*>& profiles);
  bool OnInitDialog() override;
  // The index of the selected line's profile, or nothing without a
  // selection.
  std::optional<std::size_t> Selected() const;

 private:
  std::vector<ProfileListEntry> m_entries;
};

// "Seleccionar un perfil": the index of the chosen profile in the given
// list, kSelectionCreateNew or kSelectionCancelled (kept apart from the
// dialog's end value, which IDOK and IDCANCEL share with the indexes 1 and
// 2).  "&Seleccionar" and a double click choose the selected line.
class CSelectProfileDlg final : public CProfileListDlg {
 public:
  explicit CSelectProfileDlg(const std::vector<CProfile*>& profiles);
  int Choice() const { return m_choice; }

 protected:
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Choose();

  int m_choice = kSelectionCancelled;
};

// "Seleccione el perfil a borrar": "&Borrar" and a double click ask "¿Está
// seguro de que desea eliminar el perfil seleccionado?"; "Sí" ends the
// dialog with IDOK and the chosen index, "No" leaves it open.
class CDeleteProfileDlg final : public CProfileListDlg {
 public:
  explicit CDeleteProfileDlg(const std::vector<CProfile*>& profiles);
  std::optional<std::size_t> Choice() const { return m_choice; }

 protected:
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Choose();

  std::optional<std::size_t> m_choice;
};

// "Respuestas almacenadas en los perfiles": the chosen profile's answers,
// one row each with a check box (AnswerRows); "&Borrar respuestas
// seleccionadas" deletes the ticked ones after a confirmation and lists
// the rest.
class CAnswersDlg final : public Dialog {
 public:
  explicit CAnswersDlg(const std::vector<CProfile*>& profiles);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Fill();
  void DeleteTicked();

  std::vector<CProfile*> m_profiles;
  std::vector<ProfileListEntry> m_entries;
  CProfile* m_profile = nullptr;  // the one listed
  std::vector<AnswerRow> m_rows;  // the rows listed; a row's item data is its index
};

class Win32ProfileDialogs final : public ProfileDialogs {
 public:
  std::optional<Text> AskNewProfileName() override;
  int SelectProfile(const std::vector<CProfile*>& profiles) override;
};

}  // namespace korvex::win32
