// Where the validation's log file goes: never over another journal, into the
// user's own folder when the log folder cannot take it, under a name cleaned
// of what a file name cannot hold.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::MemoryRegistry;
namespace fs = std::filesystem;

class JournalFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("korvex-journal-file-" + std::to_string(std::random_device{}()));
    fs::create_directories(root);
    logs = root / "logs";
    settings.SetString(u"LogDir", logs.u16string());
    settings.SetString(u"LogSeparator", u";");
    clock.local = {2026, 12, 8, 21, 15, 30};
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  // A log folder no one can make: a file stands where it should be.
  void BlockLogFolder() {
    ASSERT_TRUE(WriteWholeFile((root / "blocked").u16string(), "not a folder"));
    logs = root / "blocked" / "logs";
    settings.SetString(u"LogDir", logs.u16string());
  }

  static std::string Bytes(const Text& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << ToUtf8(path);
    return bytes;
  }

  FakeDesktop desk;
  MemoryRegistry registry;
  Settings settings{registry};
  FixedRegionalSettings regional;
  SettableClock clock;
  fs::path root;
  fs::path logs;
  Text user_data;
  Hwnd host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"Dossa 12001IC04000123@"});
  CVTIActions journal{desk, settings, regional, clock, [this] { return user_data; }};
};

TEST_F(JournalFileTest, AFolderThatCannotBeMadeSendsTheJournalToTheUsersOwnFolder) {
  BlockLogFolder();
  user_data = (root / "AppData" / "Local").u16string();
  EXPECT_EQ(journal.Open(host, u"P"), JournalOpen::kOpenedElsewhere);
  const fs::path fallback = root / "AppData" / "Local" / "KORVEX" / "Logs";
  EXPECT_EQ(journal.FallbackFolder(), fallback.u16string());
  EXPECT_EQ(journal.GetLogFolder(), fallback.u16string());
  EXPECT_EQ(journal.GetLogPath(), (fallback / "261208_211530_12001IC04000123@.csv").u16string());
  journal.AddMessage(true, 1, u"aviso");
  journal.Close(false);
  EXPECT_EQ(Bytes(journal.GetLogPath()),
            "\"Se ha activado el perfil \"\"P\"\"\"\r\n"
            "\"Item #\";\"Tipo de acci\xF3n\";\"Tipo de respuesta\";\"Pregunta o mensaje\";\"Respuesta\"\r\n"
            "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"aviso\"\r\n"
            "\"La validaci\xF3n total de \xEDtems ha conclu\xED" "do.\"\r\n");
}

TEST_F(JournalFileTest, NoFolderTakesTheJournalAndItSaysSo) {
  BlockLogFolder();
  // Without a folder of the user's own, and with one that cannot be made
  // either.
  for (const bool with_user_data : {false, true}) {
    SCOPED_TRACE(with_user_data);
    user_data = with_user_data ? (root / "blocked" / "AppData").u16string() : Text{};
    EXPECT_EQ(journal.Open(host, u"P"), JournalOpen::kFailed);
    EXPECT_FALSE(journal.IsFileOpen());
    // No name for the reports to show as if it had been written.
    EXPECT_EQ(journal.GetLogName(), u"");
    EXPECT_EQ(journal.GetLogPath(), u"");
    journal.AddMessage(true, 1, u"aviso");  // kept in memory all the same
    EXPECT_EQ(journal.CountMessages(), 1u);
    journal.Clear();
  }
}

TEST_F(JournalFileTest, TwoRunsInTheSameSecondKeepTwoJournals) {
  // Two robots (or one closing and opening at once) for the same
  // declaration within one second.
  CVTIActions other{desk, settings, regional, clock};
  ASSERT_EQ(journal.Open(host, u"Primero"), JournalOpen::kOpened);
  journal.Close(false);
  ASSERT_EQ(other.Open(host, u"Segundo"), JournalOpen::kOpened);
  ASSERT_EQ(journal.Open(host, u"Tercero"), JournalOpen::kOpened);
  other.Close(true);
  journal.Close(true);
  EXPECT_EQ(other.GetLogName(), u"261208_211530_12001IC04000123@_2.csv");
  EXPECT_EQ(journal.GetLogName(), u"261208_211530_12001IC04000123@_3.csv");
  EXPECT_THAT(Bytes((logs / "261208_211530_12001IC04000123@.csv").u16string()),
              ::testing::StartsWith("\"Se ha activado el perfil \"\"Primero\"\"\"\r\n"));
  EXPECT_THAT(Bytes(other.GetLogPath()),
              ::testing::StartsWith("\"Se ha activado el perfil \"\"Segundo\"\"\"\r\n"));
  EXPECT_THAT(Bytes(journal.GetLogPath()),
              ::testing::StartsWith("\"Se ha activado el perfil \"\"Tercero\"\"\"\r\n"));
}

TEST_F(JournalFileTest, TheCaptionsIdentifierIsCleanedForTheFileName) {
  const struct {
    const char16_t* caption;
    const char16_t* identifier;
  } cases[] = {
      {u"Dossa ..\\..\\..\\x/y:z*@", u".._.._.._x_y_z_@"},
      {u"Dossa 1234567890<>|\"?@", u"1234567890_____@"},
      {u"Dossa 123456789012\t\r\n@", u"123456789012___@"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.caption));
    EXPECT_EQ(RunIdentifier(c.caption), Text(c.identifier));
    desk.Get(host).props.text = c.caption;
    ASSERT_EQ(journal.OpenFile(host), JournalOpen::kOpened);
    // The file is in the log folder itself, named as cleaned.
    EXPECT_EQ(fs::path(journal.GetLogPath()).parent_path(), logs);
    EXPECT_TRUE(fs::exists(logs / (u"261208_211530_" + Text(c.identifier) + u".csv")));
    journal.Close(false);
  }
}

TEST_F(JournalFileTest, AHostThatDoesNotGiveItsCaptionInTimeGetsNoFile) {
  desk.hung.insert(host);
  EXPECT_EQ(journal.Open(host, u"P"), JournalOpen::kHostSilent);
  EXPECT_FALSE(journal.IsFileOpen());
  EXPECT_FALSE(fs::exists(logs));
}

}  // namespace
}  // namespace korvex
