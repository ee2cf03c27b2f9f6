// The watcher takes the hook's notifications only from the host it hooked:
// a notification that names a window of another process (posted by another
// program of the session, or by a host the robot did not hook) changes
// nothing, and the two that name no window count only while the host's
// validation window is known.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/capture.h"
#include "robot/key/answer_text.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/main_frame.h"
#include "sentrel/notifications.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::IsEmpty;

constexpr std::uint32_t kHost = 77;
constexpr std::uint32_t kOther = 88;

class HostOriginTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    desk.SetProcessModuleName(kHost, u"Dossa.exe");
    desk.SetProcessModuleName(kOther, u"Otro.exe");
    previous_icons = SetSystemIcons(LoadSystemIcons(desk));
    desk.on_click = [this](Hwnd button) -> std::intptr_t {
      log.Add("click " + ToUtf8(desk.Get(button).props.text));
      desk.EndDialog(desk.Get(button).parent, desk.Get(button).props.control_id);
      return 0;
    };
  }
  void TearDown() override {
    main.Shutdown();
    journal.Close(false);
    SetSystemIcons(previous_icons);
  }

  void HookHost() {
    host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"DOSSA",
                             .thread_id = 5, .process_id = kHost});
    main.OnTimer(kHostWatchTimer);
    ASSERT_EQ(main.HostWindow(), host);
  }
  Hwnd ValidationWindow(std::uint32_t process) {
    return desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                             .text = u"Validación Total de Items",
                             .thread_id = process,
                             .process_id = process});
  }
  Hwnd InfoBox(Hwnd owner) {
    return desk.AddMessageBox(u"Mensaje al declarante", u"Item sin origen",
                              desk.SystemIcon(win::kIdiAsterisk), {{u"Aceptar", 1}}, owner);
  }
  // The host validates with the profile active, which answers its info box
  // by itself.
  CProfile& ValidatingWithAnAnswer() {
    HookHost();
    validation = ValidationWindow(kHost);
    ValidationStarted(validation);
    CProfile& profile = repository.CreateProfile(u"P");
    const Hwnd sample = InfoBox(validation);
    auto captured = CaptureDialog(desk, sample);
    ScriptedUser teacher;
    teacher.PressInReplica(1);
    captured->AskUser(teacher);
    key = WriteKey(*captured);
    profile.SetAnswer(key, WriteAnswers(captured->GetAnswers()));
    desk.Destroy(sample);
    main.ActivateProfile(&profile);
    return profile;
  }

  SystemIcons previous_icons;
  Hwnd host = kNoWindow;
  Hwnd validation = kNoWindow;
  Text key;
};

TEST_F(HostOriginTest, AValidationWindowOfAnotherProcessOrWithoutAHookedHostIsNotTaken) {
  // No host hooked yet: nobody could have posted it.
  ValidationStarted(ValidationWindow(kHost));
  EXPECT_FALSE(main.Validating());

  HookHost();
  ValidationStarted(ValidationWindow(kOther));
  EXPECT_FALSE(main.Validating());
  EXPECT_EQ(tray.balloon, u"");

  const Hwnd real = ValidationWindow(kHost);
  ValidationStarted(real);
  EXPECT_TRUE(main.Validating());
  EXPECT_EQ(main.ValidationWindow(), real);
  // Another program's window does not replace it either.
  ValidationStarted(ValidationWindow(kOther));
  EXPECT_EQ(main.ValidationWindow(), real);
}

TEST_F(HostOriginTest, TheWindowlessNotificationsCountOnlyWhileTheHostValidates) {
  HookHost();
  const std::size_t mark = log.entries.size();
  ValidateButton(true);
  ValidationEnded();
  EXPECT_FALSE(main.ValidationRunning());
  EXPECT_EQ(log.entries.size(), mark) << log.entries.back();

  ValidationStarted(ValidationWindow(kHost));
  ValidateButton(true);
  EXPECT_TRUE(main.ValidationRunning());
  ValidationEnded();
  EXPECT_FALSE(main.Validating());
}

TEST_F(HostOriginTest, DialogsAndRefusalsNamingAnotherProcessAreLeftAlone) {
  CProfile& profile = ValidatingWithAnAnswer();

  // A box of another program, even one that reads like the host's.
  const Hwnd foreign = InfoBox(ValidationWindow(kOther));
  std::size_t mark = log.entries.size();
  DialogReady(foreign);
  EXPECT_EQ(log.entries.size(), mark);
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_FALSE(desk.Get(foreign).dialog_result.has_value());

  // The host's own box is answered from the profile; the host refuses the
  // answer and keeps its box.
  desk.on_click = [this](Hwnd button) -> std::intptr_t {
    log.Add("click " + ToUtf8(desk.Get(button).props.text));
    return 0;
  };
  const Hwnd box = InfoBox(validation);
  mark = log.entries.size();
  DialogReady(box);
  ASSERT_GT(log.entries.size(), mark);
  EXPECT_EQ(log.entries[mark], "click Aceptar");
  ASSERT_TRUE(desk.IsWindow(box));

  // A refusal whose validation window is not the host's would remove the
  // stored answer and ask the user: it is dropped.
  mark = log.entries.size();
  Notify(sentrel::kAnswerRejected, InfoBox(validation),
         static_cast<std::intptr_t>(ValidationWindow(kOther)));
  EXPECT_TRUE(profile.HasAnswer(key));
  EXPECT_THAT(user.Questions(), IsEmpty());
  EXPECT_EQ(log.entries.size(), mark);
}

}  // namespace
}  // namespace korvex
