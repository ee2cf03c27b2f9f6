// The dialogs of the export and import commands: the selection of the
// profiles to take (CImpExpDlg, every row checked at first), and the save-
// and open-file dialogs of profile files ("*.kvxpf").
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "robot/tray/management_forms.h"
#include "robot/win32/window.h"

namespace korvex {
class CProfile;
}

namespace korvex::win32 {

// "Seleccione los perfiles a exportar" / "... a importar": one checked row
// per profile in the list view 1037.  OK with no row checked warns ("¡Debe
// seleccionar al menos un perfil a ...!") and the dialog stays; otherwise it
// ends with IDOK and the indexes of the checked rows' profiles, in the
// order of the rows.
class CImpExpDlg final : public Dialog {
 public:
  CImpExpDlg(const std::vector<CProfile*>& profiles, TransferMode mode);
  const std::vector<std::size_t>& Selection() const { return m_selection; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  std::vector<ProfileListEntry> m_entries;
  TransferMode m_mode;
  std::vector<std::size_t> m_selection;
};

// The save-file dialog of an export (overwrite confirmation, no read-only
// box, the folder must exist) and the open-file dialog of an import (the
// file must exist), with the default extension "kvxpf" and the filter
// "Perfiles de KORVEX (*.kvxpf)", "Todos los archivos (*.*)"; owned by the
// desktop.  The chosen path, or nothing when cancelled.
std::optional<Text> AskProfileFileToSave();
std::optional<Text> AskProfileFileToOpen();

}  // namespace korvex::win32
