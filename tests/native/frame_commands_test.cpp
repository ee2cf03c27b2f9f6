// The tray menu's commands (FrameCommands) over the watcher: selecting and
// creating a profile, the other commands, and the menu as each state shows
// it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/tray/frame_commands.h"
#include "tests/native/watcher_fixture.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class CommandsTest : public WatcherTest {
 protected:
  ScriptedProfileDialogs profile_dialogs{log};
  int closes = 0;
  FrameCommands commands{main, repository, profile_dialogs, mascot, [this] { ++closes; }};
};

TEST_F(CommandsTest, SelectingAProfile) {
  repository.CreateProfile(u"Norte");
  CProfile& sur = repository.CreateProfile(u"Sur");
  // No validation window: nothing.
  EXPECT_TRUE(commands.Run(cmd::kSelectProfile));
  EXPECT_THAT(log.entries, Not(Contains(::testing::StartsWith("select profile"))));

  HostStartsValidation();
  profile_dialogs.selections = {kSelectionCancelled};
  profile_dialogs.while_open = [&] { log.Add("busy " + std::to_string(main.Busy())); };
  commands.Run(cmd::kSelectProfile);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_FALSE(main.Busy());
  EXPECT_THAT(log.entries, Contains("busy 1"));

  // The dialog's list is the store's, by name; its index picks the profile.
  profile_dialogs.selections = {1};
  std::size_t mark = log.entries.size();
  commands.Run(cmd::kSelectProfile);
  EXPECT_EQ(Since(mark).front(), "select profile among Norte Sur");
  EXPECT_EQ(main.ActiveProfile(), &sur);

  // A profile active whose run journalled something: selecting is refused.
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  DialogReady(InfoBox(u"aviso"));
  mark = log.entries.size();
  commands.Run(cmd::kSelectProfile);
  EXPECT_THAT(Since(mark), IsEmpty());
}

TEST_F(CommandsTest, SelectingLeadsToCreatingWhenAskedOrWithoutProfiles) {
  HostStartsValidation();
  // Without profiles the select command creates one.
  profile_dialogs.names = {Text(u"Primero")};
  commands.Run(cmd::kSelectProfile);
  ASSERT_NE(repository.FindProfile(u"Primero"), nullptr);
  EXPECT_EQ(main.ActiveProfile(), repository.FindProfile(u"Primero"));
  main.ActivateProfile(nullptr);

  // "&Crear uno nuevo" in the selection dialog.
  profile_dialogs.selections = {kSelectionCreateNew};
  profile_dialogs.names = {Text(u"Segundo")};
  commands.Run(cmd::kSelectProfile);
  EXPECT_EQ(main.ActiveProfile(), repository.FindProfile(u"Segundo"));
}

TEST_F(CommandsTest, CreatingAProfile) {
  HostStartsValidation();
  CProfile& existing = repository.CreateProfile(u"Existente");
  const struct {
    const char* name;
    std::optional<Text> typed;
    bool created;
  } cases[] = {
      {"cancelled", std::nullopt, false},
      {"an existing name", Text(u"Existente"), false},
      {"a name the store refuses", Text(u"con\\barra"), false},
      {"a new name", Text(u"Nuevo"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = repository.GetProfiles().size();
    profile_dialogs.names = {c.typed};
    EXPECT_NO_THROW(commands.Run(cmd::kCreateProfile));
    EXPECT_EQ(repository.GetProfiles().size(), before + (c.created ? 1 : 0));
    EXPECT_FALSE(main.Busy());
  }
  EXPECT_EQ(main.ActiveProfile(), repository.FindProfile(u"Nuevo"));
  (void)existing;
  // Busy: nothing is asked.
  main.SetBusy(true);
  const std::size_t mark = log.entries.size();
  commands.Run(cmd::kCreateProfile);
  EXPECT_THAT(Since(mark), IsEmpty());
  main.SetBusy(false);
}

TEST_F(CommandsTest, TheOtherCommandsAndTheMenu) {
  ValidateWith(u"P");
  // Commands to come do nothing yet; an unknown identifier is not ours.
  for (int id : {cmd::kDeleteProfile, cmd::kViewProfiles, cmd::kExportProfiles,
                 cmd::kImportProfiles, cmd::kConfigure, cmd::kAbout}) {
    EXPECT_TRUE(commands.Run(id)) << id;
  }
  EXPECT_FALSE(commands.Run(4242));
  commands.Set(cmd::kAbout, [&] { log.Add("about box"); });
  commands.Run(cmd::kAbout);
  EXPECT_EQ(log.entries.back(), "about box");

  // State 7 (a profile, nothing journalled): the menu as the user sees it.
  const auto states = commands.MenuStates(true);
  std::vector<std::pair<int, bool>> seen;
  for (const auto& s : states) seen.emplace_back(s.id, s.enabled);
  EXPECT_THAT(seen, ElementsAre(std::pair{cmd::kSelectProfile, true},
                                std::pair{cmd::kCreateProfile, true},
                                std::pair{cmd::kDeleteProfile, false},
                                std::pair{cmd::kViewProfiles, true},
                                std::pair{cmd::kExportProfiles, true},
                                std::pair{cmd::kImportProfiles, true},
                                std::pair{cmd::kHideMascot, true},
                                std::pair{cmd::kDisconnect, true},
                                std::pair{cmd::kConfigure, false},
                                std::pair{cmd::kAbout, true}, std::pair{cmd::kClose, true}));
  // A hidden mascot takes "&Ocultar mascota" out of the menu.
  for (const auto& s : commands.MenuStates(false)) EXPECT_NE(s.id, cmd::kHideMascot);

  // A left click on the tray icon tells which item is validated.
  SetItem(42);
  main.ShowActiveBalloon();
  EXPECT_EQ(tray.balloon, u"Validando Item#0042 usando el perfil \"P\".");
  EXPECT_EQ(log.entries.back(), "balloon Robot activo 10000: Validando Item#0042 usando el perfil \"P\".");

  commands.Run(cmd::kHideMascot);
  EXPECT_EQ(log.entries.back(), "mascot hidden");
  commands.Run(cmd::kDisconnect);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  commands.Run(cmd::kClose);
  EXPECT_EQ(closes, 1);
}

}  // namespace
}  // namespace korvex
