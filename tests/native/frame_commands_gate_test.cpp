// The tray menu's commands as WM_COMMAND brings them: any program can send
// one, whatever the menu shows, and it arrives also inside the robot's modal
// loops and its bounded sends to the host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/tray/frame_commands.h"
#include "robot/watcher/tray_state.h"
#include "tests/native/watcher_fixture.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::Contains;
using ::testing::Not;

class FrameCommandsTest : public WatcherTest {
 protected:
  void SetUp() override {
    WatcherTest::SetUp();
    HostStartsValidation();
  }

  Hwnd YesNoBox() { return WatcherTest::YesNoBox(u"¿Aplicar el régimen?"); }
  // The profile answers the yes/no box with "Sí".
  void Learn(CProfile& profile) {
    const auto [key, answers] = Learned(YesNoBox(), 6);
    profile.SetAnswer(key, answers);
  }

  ScriptedProfileDialogs profile_dialogs{log};
  int closes = 0;
  // Like the robot's window: "&Cerrar" shuts the watcher down at once.
  FrameCommands commands{main, repository, profile_dialogs, mascot, [this] {
                           ++closes;
                           main.Shutdown();
                         }};
};

TEST_F(FrameCommandsTest, CloseDuringACapturesSendsWaitsUntilTheDialogIsAnswered) {
  CProfile& profile = repository.CreateProfile(u"P");
  Learn(profile);
  main.ActivateProfile(&profile);
  const Hwnd box = YesNoBox();
  // The installer's "&Cerrar" is taken by the capture's first bounded send.
  bool sent = false;
  desk.on_send = [&](Hwnd, std::string_view) {
    if (sent) return;
    sent = true;
    EXPECT_TRUE(commands.Run(cmd::kClose));
  };
  DialogReady(box);
  desk.on_send = nullptr;
  ASSERT_TRUE(sent);
  EXPECT_EQ(desk.Get(box).dialog_result, 6);  // answered from the profile
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(commands.CloseDeferred());
  // The robot is free again: the next tick of the host watch closes it.
  EXPECT_TRUE(commands.RunDeferred());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_FALSE(commands.RunDeferred());
}

TEST_F(FrameCommandsTest, TheTraysCommandsStayOutWhileARefusedAnswerIsAskedAgain) {
  CProfile& profile = repository.CreateProfile(u"P");
  CProfile& other = repository.CreateProfile(u"Otro");
  Learn(profile);
  main.ActivateProfile(&profile);
  // The host refuses the robot's "Sí" with a popup over its dialog, which
  // stays open.
  desk.on_click = [](Hwnd) -> std::intptr_t { return 0; };
  const Hwnd box = YesNoBox();
  DialogReady(box);
  const Text key = main.LastKey();
  ASSERT_TRUE(desk.IsWindow(box));

  user.during_question = [&](const ScriptedUser::Asked&) {
    EXPECT_EQ(main.TrayState(), kTrayBusy);
    // The tray's menu and other programs, meanwhile.
    profile_dialogs.selections = {1};
    EXPECT_TRUE(commands.Run(cmd::kDisconnect));
    EXPECT_TRUE(commands.Run(cmd::kSelectProfile));
    EXPECT_TRUE(commands.Run(cmd::kClose));
    EXPECT_FALSE(commands.RunDeferred());
    desk.SendSetText(slot, u"Otro");
    EXPECT_EQ(main.OnSelectProfile(), rm::kSelectNotAllowed + kTrayBusy);
  };
  user.PressInReplica(7);
  dialogs.confirmations = {6};
  AnswerRejected();

  // Nothing ran inside the question: no report, no other profile, and the
  // answer learned went to the profile the dialog was asked for.
  EXPECT_THAT(log.entries, Not(Contains(::testing::StartsWith("select profile"))));
  EXPECT_THAT(log.entries, Not(Contains(::testing::HasSubstr("report"))));
  EXPECT_EQ(main.ActiveProfile(), &profile);
  EXPECT_EQ(profile.GetAnswer(key),
            u"4|class CNullInteraction|class CNullInteraction|class CPressButton|"
            u"class CNullInteraction|");
  EXPECT_EQ(other.GetCount(), 0u);
  EXPECT_EQ(closes, 0);
  // Only "&Cerrar" waited for the question to end.
  EXPECT_TRUE(commands.RunDeferred());
  EXPECT_EQ(closes, 1);
}

TEST_F(FrameCommandsTest, ACommandTheStateGraysDoesNothing) {
  CProfile& profile = repository.CreateProfile(u"P");
  main.ActivateProfile(&profile);
  ASSERT_EQ(main.TrayState(), kTrayProfileNoRecords);
  // "&Borrar perfil" is not offered while a profile is active.
  bool deleted = false;
  commands.Set(cmd::kDeleteProfile, [&] { deleted = true; });
  EXPECT_TRUE(commands.Run(cmd::kDeleteProfile));
  EXPECT_FALSE(deleted);
  // "Con&figuración..." neither; "&Desconectar robot" is.
  bool configured = false;
  commands.Set(cmd::kConfigure, [&] { configured = true; });
  EXPECT_TRUE(commands.Run(cmd::kConfigure));
  EXPECT_FALSE(configured);
  // A double click on the icon runs the first command whatever the state.
  EXPECT_TRUE(commands.RunWhateverTheState(cmd::kDeleteProfile));
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(commands.Run(cmd::kDisconnect));
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_FALSE(commands.Run(12345));
}

}  // namespace
}  // namespace korvex
