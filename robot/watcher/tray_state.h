// The watcher's state as the tray menu shows it: eight tray states, the first
// whose rule applies (CMainFrame::TrayState), and the commands each state
// allows.  The watcher refuses a profile selection through its slot by the
// same table that greys the menu's items (robot/tray/frame_commands.h).
#pragma once

namespace korvex {

// The tray states (1 to 8), first rule that applies.
enum TrayStateId : int {
  kTrayBusy = 1,                 // a dialog is being handled or a robot dialog is open
  kTrayNoProfiles = 2,           // the store holds no profile
  kTrayRunningNoProfile = 3,     // a validation runs, no profile active
  kTrayRunningWithProfile = 4,   // a validation runs with a profile
  kTrayNoValidation = 8,         // no validation window
  kTrayProfileWithRecords = 6,   // a profile is active and the journal holds records
  kTrayProfileNoRecords = 7,     // a profile is active, nothing journalled yet
  kTrayValidationNoProfile = 5,  // a validation window, no profile active
};

// The tray menu's commands, in menu order.
enum class TrayCommand {
  SelectProfile,   // "&Seleccionar perfil"
  CreateProfile,   // "Crear &nuevo perfil"
  DeleteProfile,   // "&Borrar perfil"
  ViewProfiles,    // "&Ver perfiles"
  ExportProfiles,  // "&Exportar perfiles"
  ImportProfiles,  // "&Importar perfiles"
  Disconnect,      // "&Desconectar robot"
  Configure,       // "Con&figuración..."
  Close,           // "&Cerrar"
  About,           // "&Acerca de KORVEX..."
};

// Whether a command is enabled in a tray state (1 to 8).
bool IsCommandEnabled(int tray_state, TrayCommand command);

}  // namespace korvex
