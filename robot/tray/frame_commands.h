// FrameCommands: the tray menu's commands (menu 132; the mascot shows the
// same menu), what each one does to the watcher, the store and the robot's
// own dialogs.  The robot's Win32 main window hands every WM_COMMAND to Run.
//
// Each command is one entry of a table keyed by its menu identifier, so the
// dialogs that manage profiles and settings slot in with Set
// (robot/tray/management_commands.h): until they do, their commands (delete,
// view, export, import, configuration, about) are in the menu and do
// nothing.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace korvex {

class CMainFrame;
class CProfile;
class CProfileRepository;
class MascotPort;

// The menu identifiers, in menu order.
namespace cmd {
inline constexpr int kSelectProfile = 32786;  // "&Seleccionar perfil"
inline constexpr int kCreateProfile = 32779;  // "Crear &nuevo perfil"
inline constexpr int kDeleteProfile = 32788;  // "&Borrar perfil"
inline constexpr int kViewProfiles = 32787;   // "&Ver perfiles"
inline constexpr int kExportProfiles = 32796; // "&Exportar perfiles"
inline constexpr int kImportProfiles = 32797; // "&Importar perfiles"
inline constexpr int kHideMascot = 32794;     // "&Ocultar mascota"
inline constexpr int kDisconnect = 32789;     // "&Desconectar robot"
inline constexpr int kConfigure = 32793;      // "Con&figuración..."
inline constexpr int kAbout = 32795;          // "&Acerca de KORVEX..."
inline constexpr int kClose = 57665;          // "&Cerrar"
}  // namespace cmd

// The tray menu's identifier (also the resource number of menu 132).
inline constexpr int kTrayMenu = 132;

// Results of the profile selection besides an index.
inline constexpr int kSelectionCancelled = -1;
inline constexpr int kSelectionCreateNew = -2;

// The robot's dialogs that the profile commands open, modal, parented to the
// desktop.
class ProfileDialogs {
 public:
  virtual ~ProfileDialogs() = default;
  // "Crear nuevo perfil": the name as typed, or nothing when cancelled.
  virtual std::optional<Text> AskNewProfileName() = 0;
  // "Seleccionar un perfil" over the profiles: an index into them,
  // kSelectionCancelled or kSelectionCreateNew.
  virtual int SelectProfile(const std::vector<CProfile*>& profiles) = 0;
};

// Marks the robot busy while one of its dialogs is open, and puts the flag
// back as it was.
class BusyWhile {
 public:
  explicit BusyWhile(CMainFrame& main);
  ~BusyWhile();
  BusyWhile(const BusyWhile&) = delete;
  BusyWhile& operator=(const BusyWhile&) = delete;

 private:
  CMainFrame& m_main;
  bool m_saved;
};

// How a menu item is shown, for the tray's and the mascot's menus.
struct MenuItemState {
  int id;
  bool enabled;
};

class FrameCommands {
 public:
  // close ends the program (the Win32 frame sets its closing flag and sends
  // itself WM_CLOSE).
  FrameCommands(CMainFrame& main, CProfileRepository& repository, ProfileDialogs& dialogs,
                MascotPort& mascot, std::function<void()> close);
  FrameCommands(const FrameCommands&) = delete;
  FrameCommands& operator=(const FrameCommands&) = delete;

  // Runs the command; false when the identifier is not one of the menu's.
  bool Run(int id);
  // Puts a handler in place of the command's current one.
  void Set(int id, std::function<void()> handler);

  // The menu's commands with their enabled state in the watcher's tray
  // state, in menu order; "&Ocultar mascota" is left out when the mascot is
  // hidden.  "&Seleccionar perfil" is the default item.
  std::vector<MenuItemState> MenuStates(bool mascot_shown) const;

  void SelectProfile();
  void CreateProfile();
  void HideMascot();
  void Disconnect();

 private:
  CMainFrame& m_main;
  CProfileRepository& m_repository;
  ProfileDialogs& m_dialogs;
  MascotPort& m_mascot;
  std::map<int, std::function<void()>> m_handlers;
};

}  // namespace korvex
