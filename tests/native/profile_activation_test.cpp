// A profile becomes active only with its journal open, or with the user told
// why there is none; a failure is reported as one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "robot/watcher/robot_messages.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

class ProfileActivationTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("korvex-activation-" + std::to_string(std::random_device{}()));
    fs::create_directories(root);
    settings.SetString(u"LogDir", (root / "logs").u16string());
    desk.SetProcessModuleName(77, u"Dossa.exe");
    host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"Dossa 12001IC04000123@",
                             .thread_id = 5, .process_id = 77});
    main.OnTimer(kHostWatchTimer);
    ValidationStarted(desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                        .text = u"Validación Total de Items",
                                        .thread_id = 5, .process_id = 77},
                                       host));
  }
  void TearDown() override {
    main.Shutdown();
    journal.Close(false);
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  void BlockLogFolder() {
    ASSERT_TRUE(WriteWholeFile((root / "blocked").u16string(), "not a folder"));
    settings.SetString(u"LogDir", (root / "blocked" / "logs").u16string());
  }
  std::intptr_t SelectThroughSlot(TextView name) {
    desk.SendSetText(slot, name);
    return main.OnSelectProfile();
  }
  // The balloons about the journal.
  std::vector<std::string> Balloons() const {
    std::vector<std::string> out;
    for (const std::string& entry : log.entries) {
      if (entry.rfind("balloon Log de la validación ", 0) == 0) out.push_back(entry);
    }
    return out;
  }

  fs::path root;
  Hwnd host = kNoWindow;
};

TEST_F(ProfileActivationTest, AJournalThatCannotBeOpenedLeavesTheProfileInactiveAndSaysSo) {
  repository.CreateProfile(u"Aduana");
  BlockLogFolder();
  // Another program selects the profile: a failure, not "done".
  EXPECT_EQ(SelectThroughSlot(u"Aduana"), rm::kSelectNoJournal);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_EQ(tray.icon, kIdleIcon);
  EXPECT_THAT(log.entries, Not(Contains("mascot shown")));
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_THAT(Balloons()[0], HasSubstr("No se pudo crear el archivo de log"));
  EXPECT_THAT(Balloons()[0], HasSubstr("\"Aduana\" no fue activado"));
  // The tray's command reaches the same end.
  EXPECT_FALSE(main.ActivateProfile(repository.FindProfile(u"Aduana")));
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_NE(main.TrayState(), kTrayProfileNoRecords);
}

TEST_F(ProfileActivationTest, AHostThatDoesNotGiveItsCaptionLeavesTheProfileInactive) {
  repository.CreateProfile(u"Aduana");
  desk.hung.insert(host);
  EXPECT_EQ(SelectThroughSlot(u"Aduana"), rm::kSelectNoJournal);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_THAT(Balloons()[0], HasSubstr("no respondió a tiempo"));
  // Once it answers again, the profile is activated with its journal.
  desk.hung.clear();
  EXPECT_EQ(SelectThroughSlot(u"Aduana"), rm::kSelectDone);
  EXPECT_TRUE(journal.IsFileOpen());
}

TEST_F(ProfileActivationTest, TheJournalInTheUsersOwnFolderIsToldOnce) {
  CProfile& aduana = repository.CreateProfile(u"Aduana");
  BlockLogFolder();
  user_data = (root / "Local").u16string();
  EXPECT_EQ(SelectThroughSlot(u"Aduana"), rm::kSelectDone);
  EXPECT_EQ(main.ActiveProfile(), &aduana);
  EXPECT_TRUE(journal.IsFileOpen());
  const Text folder = (root / "Local" / "KORVEX" / "Logs").u16string();
  EXPECT_EQ(journal.GetLogFolder(), folder);
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_THAT(Balloons()[0], HasSubstr("Los logs de las validaciones se guardan en \"" +
                                       ToUtf8(folder) + "\""));
  // The next run goes to the same place without a word.
  main.ActivateProfile(nullptr);
  clock.local.second = 31;
  EXPECT_TRUE(main.ActivateProfile(&aduana));
  EXPECT_EQ(journal.GetLogFolder(), folder);
  EXPECT_EQ(Balloons().size(), 1u);
}

TEST_F(ProfileActivationTest, ACaptionWithoutAFileNameActivatesWithAWord) {
  CProfile& aduana = repository.CreateProfile(u"Aduana");
  desk.Get(host).props.text = u"Dossa";
  EXPECT_EQ(SelectThroughSlot(u"Aduana"), rm::kSelectDone);
  EXPECT_EQ(main.ActiveProfile(), &aduana);
  EXPECT_FALSE(journal.IsFileOpen());
  ASSERT_EQ(Balloons().size(), 1u);
  EXPECT_THAT(Balloons()[0], HasSubstr("no tendrá archivo de log"));
}

}  // namespace
}  // namespace korvex
