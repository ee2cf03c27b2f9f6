#include "robot/tray/management_commands.h"

#include "robot/common/robot_strings.h"
#include "robot/profiles/profile_repository.h"
#include "robot/tray/frame_commands.h"
#include "robot/watcher/main_frame.h"

namespace korvex {

ManagementCommands::ManagementCommands(CMainFrame& main, CProfileRepository& repository,
                                       ManagementDialogs& dialogs)
    : m_main(main), m_repository(repository), m_dialogs(dialogs) {}

void ManagementCommands::Install(FrameCommands& commands) {
  commands.Set(cmd::kDeleteProfile, [this] { DeleteProfile(); });
  commands.Set(cmd::kViewProfiles, [this] { ViewProfiles(); });
  commands.Set(cmd::kExportProfiles, [this] { ExportProfiles(); });
  commands.Set(cmd::kImportProfiles, [this] { ImportProfiles(); });
  commands.Set(cmd::kConfigure, [this] { Configure(); });
  commands.Set(cmd::kAbout, [this] { About(); });
}

void ManagementCommands::DeleteProfile() {
  if (m_main.Busy()) return;
  const std::vector<CProfile*> profiles = m_repository.GetProfiles();
  std::optional<std::size_t> chosen;
  {
    BusyWhile busy(m_main);
    chosen = m_dialogs.ChooseProfileToDelete(profiles);
  }
  if (!chosen || *chosen >= profiles.size()) return;
  CProfile* profile = profiles[*chosen];
  // The menu offers no deletion while a profile is active; a command sent
  // all the same must not leave the watcher holding a deleted profile.
  if (m_main.ActiveProfile() == profile) m_main.ActivateProfile(nullptr);
  // A copy: deleting the profile frees its name.
  const Text name = profile->GetName();
  m_repository.DeleteProfile(name);
}

void ManagementCommands::ViewProfiles() {
  if (m_main.Busy()) return;
  const std::vector<CProfile*> profiles = m_repository.GetProfiles();
  BusyWhile busy(m_main);
  m_dialogs.ShowAnswers(profiles);
}

void ManagementCommands::ExportProfiles() {
  if (m_main.Busy()) return;
  BusyWhile busy(m_main);
  const std::vector<CProfile*> profiles = m_repository.GetProfiles();
  const auto selection = m_dialogs.ChooseProfilesToTransfer(profiles, TransferMode::Export);
  if (!selection) return;
  CProfileRepository chosen;  // temporary: never touches the registry
  bool copied = true;
  for (std::size_t index : *selection) {
    if (index >= profiles.size()) continue;
    try {
      // The store's names are unique in any case, so each copy keeps its
      // name.
      chosen.AddCopyOf(*profiles[index]);
    } catch (const ProfileError&) {
      // A name put into the registry by hand that no file can carry (a
      // control character): the file is not written without it.
      copied = false;
    }
  }
  const std::optional<Text> path = m_dialogs.AskExportPath();
  if (!path) return;
  const bool written = copied && chosen.ExportFile(*path);
  m_dialogs.ShowOutcome(written ? str::kExportDone : str::kExportFailed, !written);
}

void ManagementCommands::ImportProfiles() {
  if (m_main.Busy()) return;
  BusyWhile busy(m_main);
  const std::optional<Text> path = m_dialogs.AskImportPath();
  if (!path) return;
  CProfileRepository file;  // temporary: never touches the registry
  if (!file.ImportFile(*path)) {
    m_dialogs.ShowOutcome(str::kImportFailed, true);
    return;
  }
  const std::vector<CProfile*> profiles = file.GetProfiles();
  const auto selection = m_dialogs.ChooseProfilesToTransfer(profiles, TransferMode::Import);
  if (!selection) return;
  bool all_copied = true;
  for (std::size_t index : *selection) {
    if (index >= profiles.size()) continue;
    try {
      // A name in use gets the next free numbered one; each entry is
      // written to the registry as it is copied.
      m_repository.AddCopyOf(*profiles[index]);
    } catch (const ProfileError&) {
      all_copied = false;
    }
  }
  m_dialogs.ShowOutcome(all_copied ? str::kImportDone : str::kImportFailed, !all_copied);
}

void ManagementCommands::Configure() { m_dialogs.Configure(); }

void ManagementCommands::About() {
  BusyWhile busy(m_main);
  m_dialogs.About();
}

}  // namespace korvex
