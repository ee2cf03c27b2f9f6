// An import says whether everything it read reached the store, and which
// profiles did not whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "robot/profiles/profile_repository.h"
#include "robot/tray/management_commands.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using namespace korvex::testing;
namespace fs = std::filesystem;

// The key of a one-button message box.
Text Key(const std::string& caption) {
  return FromUtf8("class CDynWindow|<>" + caption +
                  "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|"
                  "class CMetaButton|<>Aceptar|1|");
}
const Text kPress = u"1|class CPressButton|";

class ImportOutcomeTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("korvex-import-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder);
    // The file: "Norte" with three answers, "Sur" with two.
    CProfileRepository file;
    CProfile& norte = file.CreateProfile(u"Norte");
    for (const char* caption : {"uno", "dos", "tres"}) norte.SetAnswer(Key(caption), kPress);
    CProfile& sur = file.CreateProfile(u"Sur");
    for (const char* caption : {"cuatro", "cinco"}) sur.SetAnswer(Key(caption), kPress);
    path = (folder / "perfiles.kvxpf").u16string();
    ASSERT_TRUE(file.ExportFile(path));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  // Imports both profiles of the file; the outcome box's line.
  std::string Import() {
    management_dialogs.import_paths = {path};
    management_dialogs.transfers = {std::vector<std::size_t>{0, 1}};
    management.ImportProfiles();
    return log.entries.back();
  }
  std::size_t StoredAnswers(const Text& profile) {
    const CProfileRepository store(registry);
    const CProfile* stored = store.FindProfile(profile);
    return stored == nullptr ? 0 : stored->GetCount();
  }

  fs::path folder;
  Text path;
  ScriptedManagementDialogs management_dialogs{log};
  ManagementCommands management{main, repository, management_dialogs};
};

TEST_F(ImportOutcomeTest, EverythingStoredIsASuccess) {
  EXPECT_EQ(Import(), "outcome 131 information");
  EXPECT_EQ(StoredAnswers(u"Norte"), 3u);
  EXPECT_EQ(StoredAnswers(u"Sur"), 2u);
}

TEST_F(ImportOutcomeTest, AnswersTheRegistryRefusedMakeAnIncompleteImport) {
  // The registry refuses the second answer's write.
  const int per_answer = [&] {
    MemoryRegistry probe;
    CProfileRepository store(probe);
    store.CreateProfile(u"X").SetAnswer(Key("x"), kPress);
    return probe.Calls("RegSetValueExW");
  }();
  registry.FailCall("RegSetValueExW", 112, per_answer + 1);  // ERROR_DISK_FULL
  EXPECT_EQ(Import(),
            "outcome 175 error: La importación quedó incompleta: 1 respuesta(s) no se pudieron "
            "guardar en el registro. Perfiles incompletos: \"Norte\".");
  EXPECT_EQ(StoredAnswers(u"Norte"), 2u);
  EXPECT_EQ(StoredAnswers(u"Sur"), 2u);
}

TEST_F(ImportOutcomeTest, AProfileWhoseKeyCannotBeMadeCountsWhole) {
  repository.CreateProfile(u"Norte");  // the copy will be "Norte (1)"
  // The store's subkeys of the copies cannot be created.
  registry.FailCall("RegCreateKeyExW", 5, 0);  // ERROR_ACCESS_DENIED
  EXPECT_EQ(Import(),
            "outcome 175 error: La importación quedó incompleta: 5 respuesta(s) no se pudieron "
            "guardar en el registro. Perfiles incompletos: \"Norte (1)\", \"Sur\".");
  registry.ClearFailures();
  EXPECT_EQ(StoredAnswers(u"Norte (1)"), 0u);
  EXPECT_EQ(StoredAnswers(u"Sur"), 0u);
}

}  // namespace
}  // namespace korvex
