#include "robot/tray/frame_commands.h"

#include "robot/journal/vti_actions.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/frame_ports.h"
#include "robot/watcher/main_frame.h"

namespace korvex {

namespace {

// The menu's commands that the tray state enables or grays, in menu order.
struct TableEntry {
  int id;
  TrayCommand command;
};
constexpr TableEntry kTable[] = {
    {cmd::kSelectProfile, TrayCommand::SelectProfile},
    {cmd::kCreateProfile, TrayCommand::CreateProfile},
    {cmd::kDeleteProfile, TrayCommand::DeleteProfile},
    {cmd::kViewProfiles, TrayCommand::ViewProfiles},
    {cmd::kExportProfiles, TrayCommand::ExportProfiles},
    {cmd::kImportProfiles, TrayCommand::ImportProfiles},
    {cmd::kDisconnect, TrayCommand::Disconnect},
    {cmd::kConfigure, TrayCommand::Configure},
    {cmd::kAbout, TrayCommand::About},
    {cmd::kClose, TrayCommand::Close},
};

}  // namespace

BusyWhile::BusyWhile(CMainFrame& main) : m_main(main), m_saved(main.Busy()) {
  main.SetBusy(true);
}

BusyWhile::~BusyWhile() { m_main.SetBusy(m_saved); }

FrameCommands::FrameCommands(CMainFrame& main, CProfileRepository& repository,
                             ProfileDialogs& dialogs, MascotPort& mascot,
                             std::function<void()> close)
    : m_main(main), m_repository(repository), m_dialogs(dialogs), m_mascot(mascot) {
  m_handlers[cmd::kSelectProfile] = [this] { SelectProfile(); };
  m_handlers[cmd::kCreateProfile] = [this] { CreateProfile(); };
  m_handlers[cmd::kHideMascot] = [this] { HideMascot(); };
  m_handlers[cmd::kDisconnect] = [this] { Disconnect(); };
  m_handlers[cmd::kClose] = std::move(close);
  // The management commands (ManagementCommands::Install) take these.
  for (int id : {cmd::kDeleteProfile, cmd::kViewProfiles, cmd::kExportProfiles,
                 cmd::kImportProfiles, cmd::kConfigure, cmd::kAbout}) {
    m_handlers[id] = [] {};
  }
}

bool FrameCommands::Run(int id) {
  const auto it = m_handlers.find(id);
  if (it == m_handlers.end()) return false;
  // A copy: the handler may replace itself.
  const std::function<void()> handler = it->second;
  if (handler) handler();
  return true;
}

void FrameCommands::Set(int id, std::function<void()> handler) {
  m_handlers[id] = std::move(handler);
}

std::vector<MenuItemState> FrameCommands::MenuStates(bool mascot_shown) const {
  const int state = m_main.TrayState();
  std::vector<MenuItemState> items;
  for (const TableEntry& entry : kTable) {
    items.push_back({entry.id, IsCommandEnabled(state, entry.command)});
    if (entry.id == cmd::kImportProfiles && mascot_shown) items.push_back({cmd::kHideMascot, true});
  }
  return items;
}

void FrameCommands::SelectProfile() {
  if (m_main.Busy() || !m_main.Validating()) return;
  if (m_main.ActiveProfile() != nullptr && m_main.JournalHoldsRecords()) return;
  const std::vector<CProfile*> profiles = m_repository.GetProfiles();
  if (profiles.empty()) {
    CreateProfile();
    return;
  }
  int choice = kSelectionCancelled;
  {
    BusyWhile busy(m_main);
    choice = m_dialogs.SelectProfile(profiles);
  }
  if (choice == kSelectionCreateNew) {
    CreateProfile();
  } else if (choice >= 0 && static_cast<std::size_t>(choice) < profiles.size()) {
    m_main.ActivateProfile(profiles[static_cast<std::size_t>(choice)]);
  }
}

void FrameCommands::CreateProfile() {
  if (m_main.Busy()) return;
  std::optional<Text> name;
  {
    BusyWhile busy(m_main);
    name = m_dialogs.AskNewProfileName();
  }
  if (!name || m_repository.FindProfile(*name) != nullptr) return;
  CProfile* created = nullptr;
  try {
    created = &m_repository.CreateProfile(*name);
  } catch (const ProfileError&) {
    // The dialog lets through only names the store takes; one it refuses
    // all the same creates nothing, like an existing name.
    return;
  }
  m_main.ActivateProfile(created);
}

void FrameCommands::HideMascot() { m_mascot.Show(false); }

void FrameCommands::Disconnect() { m_main.ActivateProfile(nullptr); }

}  // namespace korvex
