// ManagementCommands: the tray menu's management commands, delete a profile,
// view the stored answers, export and import profiles, the configuration and
// the about box.
// Each is a flow over the robot's dialogs (ManagementDialogs), the profile
// store and the watcher's busy flag; ManagementCommands::Install puts them
// into the menu's command table (FrameCommands).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "robot/tray/management_forms.h"

namespace korvex {

class CMainFrame;
class CProfile;
class CProfileRepository;
class FrameCommands;

// The dialogs the management commands open.  Each is modal and records
// itself as the robot's current modal dialog while it is shown; they are
// owned by the desktop, except the outcome boxes and the about box, which
// belong to the main frame.
class ManagementDialogs {
 public:
  virtual ~ManagementDialogs() = default;
  // "Seleccione el perfil a borrar" over the profiles: the index of the
  // profile the user chose and confirmed, or nothing when cancelled.
  virtual std::optional<std::size_t> ChooseProfileToDelete(
      const std::vector<CProfile*>& profiles) = 0;
  // "Respuestas almacenadas en los perfiles": the user browses the profiles'
  // answers and deletes those ticked (RemoveAnswers).
  virtual void ShowAnswers(const std::vector<CProfile*>& profiles) = 0;
  // The import/export selection over the profiles, every row checked at
  // first: the indexes of the rows checked on OK (never none), or nothing
  // when cancelled.
  virtual std::optional<std::vector<std::size_t>> ChooseProfilesToTransfer(
      const std::vector<CProfile*>& profiles, TransferMode mode) = 0;
  // The save-file dialog of an export, and the open-file dialog of an
  // import ("*.kvxpf"): the chosen path, or nothing when cancelled.
  virtual std::optional<Text> AskExportPath() = 0;
  virtual std::optional<Text> AskImportPath() = 0;
  // A box of the main frame, caption "KORVEX": the string's text with the
  // information icon, or the error icon when failed.
  virtual void ShowOutcome(int string_id, bool failed) = 0;
  // "Configuración": writes the settings on OK.
  virtual void Configure() = 0;
  // "Acerca de KORVEX".
  virtual void About() = 0;
};

class ManagementCommands {
 public:
  ManagementCommands(CMainFrame& main, CProfileRepository& repository,
                     ManagementDialogs& dialogs);
  ManagementCommands(const ManagementCommands&) = delete;
  ManagementCommands& operator=(const ManagementCommands&) = delete;

  // Puts the six commands into the table; the commands must outlive it.
  void Install(FrameCommands& commands);

  // "&Borrar perfil": the chosen profile and its subkey are deleted; when
  // the subkey cannot be deleted, the store's box says why and the profile
  // stays.  The active profile is deactivated before it is deleted.
  void DeleteProfile();
  // "&Ver perfiles".
  void ViewProfiles();
  // "&Exportar perfiles": the checked profiles are copied into a temporary
  // repository and written to the chosen file in one piece (the old file
  // stays whole when the write fails); string 132, or 133 on failure.
  void ExportProfiles();
  // "&Importar perfiles": the file is read into a temporary repository
  // (string 126 when it cannot be); the checked profiles are copied into the
  // store under free names; string 131.
  void ImportProfiles();
  // "Con&figuración...": the robot is not marked busy.
  void Configure();
  // "&Acerca de KORVEX...".
  void About();

 private:
  CMainFrame& m_main;
  CProfileRepository& m_repository;
  ManagementDialogs& m_dialogs;
};

}  // namespace korvex
