// The hook's decisions, fed with sequences of window events as the host's
// user-interface thread would process them.
#include "sentrel/hook_logic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace korvex::sentrel {

void PrintTo(const Post& post, std::ostream* os) {
  *os << std::hex << "{0x" << post.message << ", 0x" << post.wparam << ", 0x" << post.lparam
      << "}";
}

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kWsOverlapped = 0x00CF0000u;  // WS_OVERLAPPEDWINDOW
constexpr std::uint32_t kWsDialog = kWsPopup | 0x00C00000u;  // popup with caption, as a dialog box
constexpr std::uint32_t kWsButton = kWsChild | 0x10000000u;  // visible child

// Window handles of the simulated host.
constexpr WindowId kMainForm = 0x100;
constexpr WindowId kValidation = 0x200;
constexpr WindowId kButton = 0x210;
constexpr WindowId kFrame = 0x220;
constexpr WindowId kDialog = 0x300;
constexpr WindowId kSecond = 0x400;
constexpr WindowId kThird = 0x500;

// Plays the host's thread: every call is one message processed by a window
// procedure, handed to the hook, and what the hook posts is kept in order.
class HookLogicTest : public ::testing::Test {
 protected:
  HookLogic hook;
  std::vector<Post> posted;

  void Process(WindowId window, std::uint32_t message, std::uintptr_t wparam = 0,
               const CreationParams* creation = nullptr) {
    const Posts posts = hook.OnMessage(window, message, wparam, creation);
    for (int i = 0; i < posts.count; ++i) posted.push_back(posts.items[i]);
  }

  void Create(WindowId window, WindowId parent, std::uint32_t style, const char16_t* caption) {
    const CreationParams params{parent, style, caption};
    Process(window, kWmCreate, 0, &params);
  }
  void InitDialog(WindowId window) { Process(window, kWmInitDialog); }
  void Show(WindowId window, bool shown = true) { Process(window, kWmShowWindow, shown ? 1 : 0); }
  void Destroy(WindowId window) { Process(window, kWmDestroy); }

  // The validation window of a run, with its frame and button, as the host builds it.
  void OpenValidationWindow(WindowId window = kValidation) {
    Create(window, 0, kWsOverlapped, kValidationCaption);
    Create(kFrame, window, kWsChild, u"Declaración - Validando Item:");
    Create(kButton, window, kWsButton, kValidateButtonCaption);
    Show(window);
  }

  // A dialog box owned by the validation window, created and shown.
  void OpenDialog(WindowId dialog, std::uint32_t style = kWsDialog, WindowId owner = kValidation) {
    Create(dialog, owner, style, u"Mensaje");
    InitDialog(dialog);
    Show(dialog);
  }

  std::vector<Post> Take() {
    std::vector<Post> result;
    result.swap(posted);
    return result;
  }
};

Post Started(WindowId window) { return {kValidationStarted, window, 0}; }
Post Ended() { return {kValidationEnded, 0, 0}; }
Post Ready(WindowId dialog) { return {kDialogReady, dialog, 0}; }
Post Rejected(WindowId popup, WindowId validation = kValidation) {
  return {kAnswerRejected, popup, static_cast<std::intptr_t>(validation)};
}
Post Button(std::uintptr_t hidden) { return {kValidateButton, hidden, 0}; }

TEST(HookCaptionTest, ComparesAsciiAndLatinLettersWithoutCase) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool equal;
  };
  const Case cases[] = {
      {u"Validación Total de Items", u"Validación Total de Items", true},
      {u"VALIDACIÓN TOTAL DE ITEMS", u"validación total de items", true},
      {u"&validar items", u"&Validar Items", true},
      {u"Validacion Total de Items", u"Validación Total de Items", false},  // accent matters
      {u"Validación Total de Items ", u"Validación Total de Items", false},
      {u"Validación Total de Item", u"Validación Total de Items", false},
      {u"Validar Items", u"&Validar Items", false},
      {u"\u00D7", u"\u00F7", false},  // multiplication and division signs are no letters
      {u"", u"", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal)
        << ::testing::PrintToString(std::u16string(c.a));
    EXPECT_EQ(EqualsIgnoringCase(c.b, c.a), c.equal);
  }
}

TEST_F(HookLogicTest, ValidationWindowIsReportedOnceAndASecondOneReplacesIt) {
  Create(kMainForm, 0, kWsOverlapped, u"Dossa - Declaraciones");
  OpenValidationWindow();
  Create(kValidation, 0, kWsOverlapped, u"Validación Total de Items");  // the same window again
  EXPECT_THAT(Take(), ElementsAre(Started(kValidation)));
  EXPECT_EQ(hook.validation_window(), kValidation);
  EXPECT_EQ(hook.validate_button(), kButton);

  // A dialog tracked under the first window is forgotten with it.
  Create(kDialog, kValidation, kWsDialog, u"Mensaje");
  Create(kSecond, 0, kWsOverlapped, u"VALIDACIÓN TOTAL DE ITEMS");
  EXPECT_THAT(Take(), ElementsAre(Started(kSecond)));
  EXPECT_EQ(hook.validation_window(), kSecond);
  EXPECT_EQ(hook.validate_button(), 0u);
  EXPECT_EQ(hook.tracked_dialog(), 0u);
  EXPECT_EQ(hook.pending_window(), 0u);

  // The old window's dialog becoming ready is no longer news, and its
  // windows are now owned by someone else.
  InitDialog(kDialog);
  Show(kDialog);
  OpenDialog(kThird, kWsDialog, kValidation);
  EXPECT_THAT(Take(), IsEmpty());
  OpenDialog(kThird, kWsDialog, kSecond);
  EXPECT_THAT(Take(), ElementsAre(Ready(kThird)));
}

TEST_F(HookLogicTest, DialogIsReportedOnceItHasProcessedInitDialogAndShowWindow) {
  OpenValidationWindow();
  Take();
  struct Case {
    std::string name;
    std::vector<std::uint32_t> messages;  // processed by the dialog after WM_CREATE
  };
  const Case cases[] = {
      {"init then show", {kWmInitDialog, kWmShowWindow}},
      {"show then init", {kWmShowWindow, kWmInitDialog}},
      {"others in between", {0x0005, kWmInitDialog, 0x000F, 0x0086, kWmShowWindow}},
      {"only the low 16 bits count", {0x10110, 0xF0018}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Create(kDialog, kValidation, kWsDialog, u"Mensaje");
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_THAT(posted, IsEmpty()) << "before message " << i;
      Process(kDialog, c.messages[i], 1);
    }
    EXPECT_THAT(Take(), ElementsAre(Ready(kDialog)));
    // Further messages of the ready dialog post nothing more.
    InitDialog(kDialog);
    Show(kDialog);
    Process(kDialog, 0x000F);
    EXPECT_THAT(Take(), IsEmpty());
    EXPECT_EQ(hook.tracked_dialog(), kDialog);
    Destroy(kDialog);
    EXPECT_EQ(hook.tracked_dialog(), 0u);
  }
}

TEST_F(HookLogicTest, DialogDestroyedBeforeItIsReadyIsNeverReported) {
  OpenValidationWindow();
  Take();
  const std::vector<std::vector<std::uint32_t>> before_destroy = {
      {}, {kWmInitDialog}, {kWmShowWindow}, {kWmShowWindow, kWmShowWindow}};
  for (const auto& messages : before_destroy) {
    Create(kDialog, kValidation, kWsDialog, u"Mensaje");
    for (std::uint32_t m : messages) Process(kDialog, m, 1);
    Destroy(kDialog);
    // A late message for the same handle is not taken for the dialog.
    InitDialog(kDialog);
    Show(kDialog);
    EXPECT_THAT(Take(), IsEmpty()) << messages.size() << " messages before WM_DESTROY";
    EXPECT_EQ(hook.tracked_dialog(), 0u);
    EXPECT_EQ(hook.pending_window(), 0u);
  }
  // The next dialog is tracked afresh.
  OpenDialog(kSecond);
  EXPECT_THAT(Take(), ElementsAre(Ready(kSecond)));
}

TEST_F(HookLogicTest, WhileADialogIsTrackedOnlyPopupsAreReportedAsRejections) {
  OpenValidationWindow();
  OpenDialog(kDialog);
  EXPECT_THAT(Take(), ElementsAre(Started(kValidation), Ready(kDialog)));

  // An owned window without WS_POPUP is not a second dialog.
  OpenDialog(kSecond, kWsOverlapped);
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(hook.pending_window(), 0u);

  // A popup is reported with the validation window once it is ready; the
  // tracked dialog stays the first one.
  Create(kThird, kValidation, kWsDialog, u"Error");
  EXPECT_EQ(hook.pending_window(), kThird);
  InitDialog(kThird);
  EXPECT_THAT(posted, IsEmpty());
  Show(kThird);
  EXPECT_THAT(Take(), ElementsAre(Rejected(kThird)));
  EXPECT_EQ(hook.tracked_dialog(), kDialog);

  // The popup closes, the dialog is recreated by its own handle: nothing new.
  Destroy(kThird);
  Create(kDialog, kValidation, kWsDialog, u"Mensaje");
  InitDialog(kDialog);
  Show(kDialog);
  EXPECT_THAT(Take(), IsEmpty());

  // Once the tracked dialog is gone, the next owned window is a dialog again.
  Destroy(kDialog);
  OpenDialog(kSecond, kWsOverlapped);
  EXPECT_THAT(Take(), ElementsAre(Ready(kSecond)));
}

TEST_F(HookLogicTest, ANewPendingPopupReplacesOneThatNeverBecameReady) {
  OpenValidationWindow();
  OpenDialog(kDialog);
  Create(kSecond, kValidation, kWsDialog, u"Error");
  InitDialog(kSecond);
  Create(kThird, kValidation, kWsDialog, u"Error");
  Show(kSecond);  // the replaced popup's readiness is no longer watched
  InitDialog(kThird);
  Show(kThird);
  EXPECT_THAT(Take(), ElementsAre(Started(kValidation), Ready(kDialog), Rejected(kThird)));
}

TEST_F(HookLogicTest, WindowsOutsideTheValidationWindowAreIgnored) {
  struct Case {
    std::string name;
    WindowId parent;
    std::uint32_t style;
    const char16_t* caption;
  };
  const Case cases[] = {
      {"button of another parent", kMainForm, kWsButton, kValidateButtonCaption},
      {"other child of the validation window", kValidation, kWsButton, u"&Cerrar"},
      {"window owned by the main form", kMainForm, kWsDialog, u"Mensaje"},
      {"unowned window", 0, kWsDialog, u"Mensaje"},
      {"owned window without caption", kValidation, kWsDialog, nullptr},
      {"child captioned like the validation window", kMainForm, kWsChild, kValidationCaption},
  };
  OpenValidationWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Take();
    Create(kSecond, c.parent, c.style, c.caption);
    InitDialog(kSecond);
    Show(kSecond, false);
    Show(kSecond, true);
    EXPECT_THAT(Take(), IsEmpty());
    EXPECT_EQ(hook.validation_window(), kValidation);
    EXPECT_EQ(hook.validate_button(), kButton);
    EXPECT_EQ(hook.tracked_dialog(), 0u);
    Destroy(kSecond);
  }
  // WM_CREATE without creation parameters carries no caption either.
  Process(kSecond, kWmCreate, 0, nullptr);
  InitDialog(kSecond);
  Show(kSecond);
  EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(HookLogicTest, NothingIsReportedBeforeAValidationWindowExists) {
  Create(kMainForm, 0, kWsOverlapped, u"Dossa");
  Create(kButton, kMainForm, kWsButton, kValidateButtonCaption);
  Show(kButton, false);
  OpenDialog(kDialog, kWsDialog, kMainForm);
  OpenDialog(kSecond, kWsDialog, 0);
  Destroy(kDialog);
  Destroy(kMainForm);
  EXPECT_THAT(Take(), IsEmpty());
}

TEST_F(HookLogicTest, DestroyingTheValidationWindowEndsEvenWithADialogTracked) {
  OpenValidationWindow();
  OpenDialog(kDialog);
  Create(kSecond, kValidation, kWsDialog, u"Error");  // pending, never ready
  Take();
  Destroy(kValidation);
  EXPECT_THAT(Take(), ElementsAre(Ended()));
  EXPECT_EQ(hook.validation_window(), 0u);
  EXPECT_EQ(hook.validate_button(), 0u);
  EXPECT_EQ(hook.pending_window(), 0u);

  // The button, the dialog and the popup going away later say nothing.
  Destroy(kButton);
  InitDialog(kSecond);
  Show(kSecond);
  Destroy(kSecond);
  Destroy(kDialog);
  Destroy(kValidation);
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(hook.tracked_dialog(), 0u);
}

TEST_F(HookLogicTest, ValidateButtonHiddenAndShownAroundARun) {
  OpenValidationWindow();
  Take();
  struct Case {
    std::uintptr_t show_flag;  // wParam of WM_SHOWWINDOW
    std::uintptr_t reported;
  };
  const Case cases[] = {{0, 1}, {1, 0}, {0, 1}, {5, 0}};
  for (const Case& c : cases) {
    Process(kButton, kWmShowWindow, c.show_flag);
    EXPECT_THAT(Take(), ElementsAre(Button(c.reported))) << "show flag " << c.show_flag;
  }
  // Other windows' WM_SHOWWINDOW and other messages of the button are silent.
  Show(kFrame, false);
  Process(kButton, 0x000F, 0);
  EXPECT_THAT(Take(), IsEmpty());
  // A destroyed button is forgotten.
  Destroy(kButton);
  Show(kButton, false);
  EXPECT_THAT(Take(), IsEmpty());
  EXPECT_EQ(hook.validate_button(), 0u);
}

TEST_F(HookLogicTest, AWholeRunInTheOrderTheHostProducesIt) {
  Create(kMainForm, 0, kWsOverlapped, u"Dossa");
  OpenValidationWindow();
  Show(kButton, false);                 // run starts
  OpenDialog(kDialog);                  // item 1: a message box
  Destroy(kDialog);
  OpenDialog(kSecond);                  // item 2: a data-input dialog ...
  OpenDialog(kThird);                   // ... and an error box over it
  Destroy(kThird);
  Destroy(kSecond);
  Show(kButton, true);                  // run ends
  Destroy(kButton);
  Destroy(kFrame);
  Destroy(kValidation);
  EXPECT_THAT(Take(), ElementsAre(Started(kValidation), Button(1), Ready(kDialog), Ready(kSecond),
                                  Rejected(kThird), Button(0), Ended()));
}

TEST_F(HookLogicTest, ResetForgetsEverything) {
  OpenValidationWindow();
  Create(kDialog, kValidation, kWsDialog, u"Mensaje");
  hook.Reset();
  EXPECT_EQ(hook.validation_window(), 0u);
  EXPECT_EQ(hook.validate_button(), 0u);
  EXPECT_EQ(hook.tracked_dialog(), 0u);
  EXPECT_EQ(hook.pending_window(), 0u);
  Take();
  InitDialog(kDialog);
  Show(kDialog);
  Show(kButton, false);
  Destroy(kValidation);
  EXPECT_THAT(Take(), IsEmpty());
}

TEST(HookDelivery, NothingIsPostedWhileNoRobotWindowIsRegistered) {
  Posts posts;
  posts.Add(kDialogReady, kDialog, 0);
  posts.Add(kAnswerRejected, kSecond, static_cast<std::intptr_t>(kValidation));
  struct Delivered {
    WindowId to;
    Post post;
  };
  std::vector<Delivered> delivered;
  const auto post = [&](WindowId to, const Post& p) { delivered.push_back({to, p}); };

  // PostMessageW to no window would post to the host's own thread instead.
  DeliverPosts(posts, 0, post);
  EXPECT_TRUE(delivered.empty());

  constexpr WindowId kRobot = 0x9000;
  DeliverPosts(posts, kRobot, post);
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].to, kRobot);
  EXPECT_EQ(delivered[0].post, (Post{kDialogReady, kDialog, 0}));
  EXPECT_EQ(delivered[1].to, kRobot);
  EXPECT_EQ(delivered[1].post, (Post{kAnswerRejected, kSecond, static_cast<std::intptr_t>(kValidation)}));
}

// --- the windows the robot disabled ----------------------------------------------------------

constexpr std::uint32_t kRobotProcess = 0x4D2;

TEST(RobotDisabledWindowsTest, OnlyADisablingOfAWindowTheRobotMarkedIsRecorded) {
  struct Case {
    const char* what;
    bool enabled;
    std::uint32_t marked_by;
    bool recorded;
  };
  const Case cases[] = {
      {"the robot's modal dialog disables its marked host owner", false, kRobotProcess, true},
      {"the host disables its own window for its own dialog", false, 0, false},
      {"an enabling", true, kRobotProcess, false},
  };
  for (const Case& c : cases) {
    RobotDisabledWindows windows;
    const int slot = windows.OnEnable(kDialog, c.enabled, c.marked_by);
    EXPECT_EQ(slot >= 0, c.recorded) << c.what;
    if (slot >= 0) {
      EXPECT_TRUE(windows.Holds(slot, kDialog)) << c.what;
      EXPECT_EQ(windows.RobotProcess(slot), kRobotProcess) << c.what;
    }
  }
}

TEST(RobotDisabledWindowsTest, AWatcherEnablesAgainOnlyWhatIsStillRecordedWhenTheRobotEnds) {
  // The robot killed while its copy of the host dialog is open: the record
  // is there, the watcher claims it once and enables the dialog again.
  RobotDisabledWindows killed;
  const int slot = killed.OnEnable(kDialog, false, kRobotProcess);
  ASSERT_GE(slot, 0);
  EXPECT_TRUE(killed.Claim(slot, kDialog));
  EXPECT_FALSE(killed.Claim(slot, kDialog));  // a second watcher finds nothing
  EXPECT_FALSE(killed.Holds(slot, kDialog));

  // The robot enabled the window again itself, or the host destroyed it:
  // the record went, and a watcher that sees the robot end does nothing;
  // a window the host disables afterwards stays as the host wants it.
  for (const bool destroyed : {false, true}) {
    RobotDisabledWindows ended;
    const int s = ended.OnEnable(kDialog, false, kRobotProcess);
    ASSERT_GE(s, 0);
    if (destroyed) {
      ended.OnDestroy(kDialog);
    } else {
      ended.OnEnable(kDialog, true, kRobotProcess);
    }
    EXPECT_EQ(ended.OnEnable(kDialog, false, 0), -1);
    EXPECT_FALSE(ended.Holds(s, kDialog));
    EXPECT_FALSE(ended.Claim(s, kDialog)) << (destroyed ? "destroyed" : "enabled");
  }
}

TEST(RobotDisabledWindowsTest, EachWindowOnceInAFewSlotsAndAFreedSlotIsReused) {
  RobotDisabledWindows windows;
  const int first = windows.OnEnable(kValidation, false, kRobotProcess);
  ASSERT_GE(first, 0);
  // The same window disabled again (no WM_ENABLE in between) keeps its record.
  EXPECT_EQ(windows.OnEnable(kValidation, false, kRobotProcess), -1);
  std::vector<int> slots{first};
  for (WindowId w = 0x1000; slots.size() < RobotDisabledWindows::kSlots; w += 0x10) {
    const int slot = windows.OnEnable(w, false, kRobotProcess);
    ASSERT_GE(slot, 0);
    slots.push_back(slot);
  }
  // Full: one more is not recorded (and not watched).
  EXPECT_EQ(windows.OnEnable(kDialog, false, kRobotProcess), -1);
  windows.OnEnable(kValidation, true, 0);
  const int reused = windows.OnEnable(kDialog, false, kRobotProcess + 1);
  EXPECT_EQ(reused, first);
  EXPECT_EQ(windows.RobotProcess(reused), kRobotProcess + 1);
  // A watcher of the slot's former window finds it gone.
  EXPECT_FALSE(windows.Holds(first, kValidation));
  EXPECT_FALSE(windows.Claim(first, kValidation));

  windows.Reset();
  for (int slot : slots) EXPECT_EQ(windows.Window(slot), 0u);
}

}  // namespace
}  // namespace korvex::sentrel
