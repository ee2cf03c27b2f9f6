// The management commands of the tray menu and what their dialogs show,
// over the recording ports: deleting a profile, browsing and deleting
// answers, exporting and importing, the configuration form, the about box.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "robot/common/settings.h"
#include "robot/profiles/profile_repository.h"
#include "robot/tray/frame_commands.h"
#include "robot/tray/management_commands.h"
#include "robot/tray/management_forms.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

const Text kStore = Text(kStorePath);

Text Key(const std::string& caption, const std::string& button = "Aceptar") {
  return FromUtf8("class CDynWindow|<>" + caption +
                  "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|"
                  "class CMetaButton|<>" + button + "|1|");
}
const Text kPress = u"1|class CPressButton|";
const Text kLeave = u"1|class CNullInteraction|";

// --- lists of profiles ----------------------------------------------------------------------

TEST(ProfileList, SortedAsTheUserReadsThemEachWithItsIndex) {
  // The store's order is by code units: upper case, then lower case, then
  // accented letters.
  std::vector<std::unique_ptr<CProfile>> owned;
  std::vector<CProfile*> profiles;
  for (const char16_t* name : {u"Aduana", u"Zona", u"aduana sur", u"Ñandú", u"Éxito", u"Exacto",
                               u"nube", u"Oeste", u"10 Norte", u"Ñ"}) {
    owned.push_back(std::make_unique<CProfile>(name));
    profiles.push_back(owned.back().get());
  }
  std::vector<std::pair<Text, std::size_t>> seen;
  for (const ProfileListEntry& e : SortedProfileList(profiles)) seen.emplace_back(e.name, e.index);
  EXPECT_THAT(seen, ElementsAre(Pair(u"10 Norte", 8u), Pair(u"Aduana", 0u), Pair(u"aduana sur", 2u),
                                Pair(u"Exacto", 5u), Pair(u"Éxito", 4u), Pair(u"nube", 6u),
                                Pair(u"Ñ", 9u), Pair(u"Ñandú", 3u), Pair(u"Oeste", 7u),
                                Pair(u"Zona", 1u)));
}

TEST(ProfileList, NamesThatDifferOnlyInCaseOrAccentsHaveAFixedOrder) {
  const struct {
    const char16_t* before;
    const char16_t* after;
  } cases[] = {
      {u"perfil", u"Perfil 2"},  // a prefix first, whatever the case
      {u"Peru", u"Perú"},        // plain before accented
      {u"PERFIL", u"perfil"},    // then code units: upper case first
      {u"n", u"ñ"},
      {u"ñ", u"o"},
      {u"Z", u"Ω"},  // letters of other scripts after the Latin ones
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.before) + " < " + ToUtf8(c.after));
    EXPECT_TRUE(ProfileNameLess(c.before, c.after));
    EXPECT_FALSE(ProfileNameLess(c.after, c.before));
    EXPECT_FALSE(ProfileNameLess(c.before, c.before));
  }
}

// --- the answers dialog ----------------------------------------------------------------------

TEST(AnswersDialog, RowsOfTheReadableAnswersAndTheirColumns) {
  std::vector<std::pair<Text, int>> columns;
  for (const ReportColumn& c : AnswerColumns()) columns.emplace_back(c.title, c.width);
  EXPECT_THAT(columns, ElementsAre(Pair(u"Descripción", 500), Pair(u"Tipo", 150),
                                   Pair(u"Respuesta", 260)));

  CProfile profile(u"P");
  profile.SetAnswer(Key("uno"), kPress);
  profile.SetAnswer(u"class CNada|roto|", kPress);  // left out: it does not read back
  profile.SetAnswer(Key("dos", "&No"), kLeave);
  profile.SetAnswer(Key("tres"), u"2|class CPressButton|class CPressButton|");  // left out
  const std::vector<AnswerRow> rows = AnswerRows(profile);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (AnswerRow{u"dos, Botón No", u"dos", u"", Key("dos", "&No")}));
  EXPECT_EQ(rows[1], (AnswerRow{u"uno, Botón Aceptar", u"uno", u"Presionar Aceptar", Key("uno")}));

  // Deleting the ticked rows removes their keys, and only those.
  EXPECT_EQ(RemoveAnswers(profile, {rows[1].key, u"no está"}), 1u);
  EXPECT_EQ(profile.GetCount(), 3u);
  EXPECT_THAT(AnswerRows(profile), ElementsAre(rows[0]));
}

TEST(AnswersDialog, DeletingFromAStoredProfileDeletesItsPairs) {
  MemoryRegistry registry;
  CProfileRepository repo(registry);
  CProfile& profile = repo.CreateProfile(u"P");
  for (const char* caption : {"uno", "dos", "tres"}) profile.SetAnswer(Key(caption), kPress);
  std::vector<Text> ticked;
  for (const AnswerRow& row : AnswerRows(profile)) {
    if (row.caption != u"dos") ticked.push_back(row.key);
  }
  RemoveAnswers(profile, ticked);
  CProfileRepository again(registry);
  std::vector<Text> left;
  for (const AnswerRow& row : AnswerRows(*again.FindProfile(u"P"))) left.push_back(row.caption);
  EXPECT_THAT(left, ElementsAre(u"dos"));
  EXPECT_EQ(registry.Strings(kStore + u"\\P").size(), 2u);  // one key, one value
}

// --- import and export texts ------------------------------------------------------------------

TEST(TransferDialog, TextsOfEachMode) {
  EXPECT_EQ(TransferTitle(TransferMode::Import), u"Seleccione los perfiles a importar");
  EXPECT_EQ(TransferTitle(TransferMode::Export), u"Seleccione los perfiles a exportar");
  EXPECT_EQ(TransferNothingChecked(TransferMode::Import),
            u"¡Debe seleccionar al menos un perfil a importar!");
  EXPECT_EQ(TransferNothingChecked(TransferMode::Export),
            u"¡Debe seleccionar al menos un perfil a exportar!");
}

// --- the configuration form -------------------------------------------------------------------

TEST(ConfigForm, TheMinuteFieldsAreCorrectedAsTheUserTypes) {
  const struct {
    const char16_t* typed;
    std::optional<Text> alarm;  // nothing: the text stands
    std::optional<Text> loop;
  } cases[] = {
      {u"", u"0", u"1"},
      {u"0", std::nullopt, u"1"},
      {u"1", std::nullopt, std::nullopt},
      {u"7", std::nullopt, std::nullopt},
      {u"10", std::nullopt, std::nullopt},
      {u"25", u"10", u"10"},
      {u"11", u"10", u"10"},
      {u"-3", u"0", u"1"},
      {u"abc", u"0", u"1"},
      {u"5x", u"0", u"1"},  // something after the number
      {u"5 ", u"0", u"1"},
      {u" 5", std::nullopt, std::nullopt},  // blanks before it are read over
      {u"+4", std::nullopt, std::nullopt},
      {u"99999999999999999999", u"10", u"10"},  // too large for an int is still above 10
      {u"-99999999999999999999", u"0", u"1"},
      {u"-", u"0", u"1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.typed));
    EXPECT_EQ(CorrectedAlarmTime(c.typed), c.alarm);
    EXPECT_EQ(CorrectedLoopTime(c.typed), c.loop);
  }
}

TEST(ConfigForm, EnablingRules) {
  EXPECT_EQ(EnablingFor(false, false), (ConfigEnabling{false, false, false, false}));
  EXPECT_EQ(EnablingFor(false, true), (ConfigEnabling{false, false, false, false}));
  EXPECT_EQ(EnablingFor(true, false), (ConfigEnabling{true, true, true, false}));
  EXPECT_EQ(EnablingFor(true, true), (ConfigEnabling{true, true, true, true}));
}

class ConfigFormTest : public ::testing::Test {
 protected:
  MemoryRegistry registry;
  Settings settings{registry, [] { return Text(u"C:\\Robot"); }};
  FixedRegionalSettings regional;
  const Text kSettings = Text(kSettingsPath);
};

TEST_F(ConfigFormTest, LoadsTheDefaultsOfAnEmptyRegistry) {
  const ConfigForm form = LoadConfigForm(settings);
  EXPECT_EQ(form, (ConfigForm{u"C:\\", false, u"", false, u"1", false, u"10",
                              u"C:\\Robot\\default.wav", true}));
}

TEST_F(ConfigFormTest, LoadsTheStoredValuesWithTheMinutesInRange) {
  settings.SetString(u"LogDir", u"D:\\logs");
  settings.SetString(u"LogSeparator", u"|");
  settings.SetInt(u"UseAlarm", 1);
  settings.SetInt(u"AlarmMustLoop", 1);
  settings.SetInt(u"AlarmTime", 40);
  settings.SetInt(u"AlarmLoopTime", 0);
  settings.SetString(u"WavFile", u"D:\\sonido.wav");
  settings.SetInt(u"ShowMascot", 0);
  EXPECT_EQ(LoadConfigForm(settings), (ConfigForm{u"D:\\logs", true, u"|", true, u"10", true,
                                                  u"1", u"D:\\sonido.wav", false}));
  // A stored separator of several characters shows the one in use.
  settings.SetString(u"LogSeparator", u";,");
  EXPECT_EQ(LoadConfigForm(settings).separator, u";");
  // An empty one, as an older dialog could store, is a checked empty box.
  settings.SetString(u"LogSeparator", u"");
  EXPECT_TRUE(LoadConfigForm(settings).own_separator);
  EXPECT_EQ(LoadConfigForm(settings).separator, u"");
}

TEST_F(ConfigFormTest, SavingWritesEveryValueAndLoadingReadsThemBack) {
  const ConfigForm form{u"E:\\registro", true, u"|", true, u"3", true, u"7", u"E:\\a.wav", false};
  ASSERT_TRUE(SaveConfigForm(settings, form));
  EXPECT_EQ(LoadConfigForm(settings), form);
  EXPECT_EQ(settings.GetString(u"LogSeparator", u"?"), u"|");
  EXPECT_EQ(settings.GetInt(u"AlarmTime", 99), 3u);
  EXPECT_EQ(settings.GetInt(u"AlarmLoopTime", 99), 7u);
  EXPECT_EQ(settings.GetInt(u"ShowMascot", 99), 0u);

  // The separator box unchecked asks for the regional separator again; a
  // minute field that was never corrected is written corrected.
  ConfigForm other = form;
  other.own_separator = false;
  other.alarm_time = u"";
  other.loop_time = u"30";
  ASSERT_TRUE(SaveConfigForm(settings, other));
  EXPECT_EQ(settings.GetString(u"LogSeparator", u"?"), kNoSeparator);
  EXPECT_EQ(settings.GetInt(u"AlarmTime", 99), 0u);
  EXPECT_EQ(settings.GetInt(u"AlarmLoopTime", 99), 10u);

  // A checked, empty separator box is stored as such; the journal then uses
  // the regional separator, never the string's terminator.
  other.own_separator = true;
  other.separator = u"";
  ASSERT_TRUE(SaveConfigForm(settings, other));
  EXPECT_EQ(settings.GetString(u"LogSeparator", u"?"), u"");
  regional.intl[u"sList"] = u";";
  EXPECT_EQ(SeparatorInForce(settings, regional), u";");
}

TEST_F(ConfigFormTest, AValueTheRegistryRefusesIsReported) {
  registry.FailCall("RegSetValueExW", 5, 3);
  EXPECT_FALSE(SaveConfigForm(settings, LoadConfigForm(settings)));
  EXPECT_TRUE(SaveConfigForm(settings, LoadConfigForm(settings)));
}

TEST_F(ConfigFormTest, TheSeparatorBoxShowsTheSeparatorInForce) {
  regional.intl = {{u"sList", u";"}, {u"sDecimal", u","}};
  EXPECT_EQ(SeparatorInForce(settings, regional), u";");
  regional.intl = {{u"sList", u","}, {u"sDecimal", u","}, {u"sCountry", u"Chile"}};
  EXPECT_EQ(SeparatorInForce(settings, regional), u",");
  settings.SetString(u"LogSeparator", u"|");
  EXPECT_EQ(SeparatorInForce(settings, regional), u"|");
}

// --- the about box ----------------------------------------------------------------------------

TEST(AboutBox, VersionText) {
  const struct {
    std::uint16_t parts[4];
    const char16_t* text;
  } cases[] = {
      {{1, 2, 1, 0}, u"Versión 1.2.1"},
      {{1, 0, 0, 0}, u"Versión 1.0"},
      {{1, 2, 0, 4}, u"Versión 1.2.0.4"},
      {{3, 10, 7, 65535}, u"Versión 3.10.7.65535"},
      {{0, 0, 0, 0}, u"Versión 0.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionText(c.parts[0], c.parts[1], c.parts[2], c.parts[3]), c.text);
  }
}

// --- the commands -------------------------------------------------------------------------------

class ManagementTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("korvex-management-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    management.Install(commands);
    // Busy while every dialog is open, as the story says.
    management_dialogs.while_open = [this] {
      log.Add(std::string("busy ") + (main.Busy() ? "1" : "0"));
    };
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::vector<std::string> Since(std::size_t mark) const {
    return {log.entries.begin() + static_cast<std::ptrdiff_t>(mark), log.entries.end()};
  }
  std::vector<Text> Names() const {
    std::vector<Text> names;
    for (const CProfile* p : repository.GetProfiles()) names.push_back(p->GetName());
    return names;
  }
  // A and its two answers, B without any, C with one.
  void FillABC() {
    CProfile& a = repository.CreateProfile(u"A");
    a.SetAnswer(Key("uno"), kPress);
    a.SetAnswer(Key("dos", "&No"), kPress);
    repository.CreateProfile(u"B");
    repository.CreateProfile(u"C").SetAnswer(Key("tres"), kPress);
  }
  Text PathOf(const char* name) const { return (folder / name).u16string(); }

  std::filesystem::path folder;
  ScriptedProfileDialogs profile_dialogs{log};
  ScriptedManagementDialogs management_dialogs{log};
  FrameCommands commands{main, repository, profile_dialogs, mascot, [] {}};
  ManagementCommands management{main, repository, management_dialogs};
};

TEST_F(ManagementTest, DeletingAProfile) {
  FillABC();
  // Cancelled: nothing changes.
  management_dialogs.deletions = {std::nullopt};
  commands.Run(cmd::kDeleteProfile);
  EXPECT_THAT(log.entries, ElementsAre("delete dialog among A B C", "busy 1"));
  EXPECT_EQ(Names().size(), 3u);
  EXPECT_FALSE(main.Busy());

  // The chosen index deletes that profile and its subkey.
  management_dialogs.deletions = {1};
  commands.Run(cmd::kDeleteProfile);
  EXPECT_THAT(Names(), ElementsAre(u"A", u"C"));
  EXPECT_THAT(registry.SubkeyNames(kStore), ElementsAre(u"A", u"C"));

  // Busy: no dialog.
  main.SetBusy(true);
  const std::size_t mark = log.entries.size();
  commands.Run(cmd::kDeleteProfile);
  EXPECT_THAT(Since(mark), IsEmpty());
  main.SetBusy(false);
}

TEST_F(ManagementTest, ADeletionTheRegistryRefusesKeepsTheProfile) {
  FillABC();
  registry.FailCall("RegDeleteKeyExW", 5);
  management_dialogs.deletions = {0};
  commands.Run(cmd::kDeleteProfile);
  EXPECT_THAT(Names(), ElementsAre(u"A", u"B", u"C"));
  EXPECT_EQ(repository.FindProfile(u"A")->GetCount(), 2u);
  EXPECT_THAT(registry.SubkeyNames(kStore), ElementsAre(u"A", u"B", u"C"));
}

TEST_F(ManagementTest, DeletingTheActiveProfileDeactivatesItFirst) {
  FillABC();
  Activate(repository.FindProfile(u"C"));
  management_dialogs.deletions = {2};
  commands.Run(cmd::kDeleteProfile);
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_THAT(Names(), ElementsAre(u"A", u"B"));
}

TEST_F(ManagementTest, ViewingTheAnswersWhileBusy) {
  FillABC();
  management_dialogs.answers = [](const std::vector<CProfile*>& profiles) {
    RemoveAnswers(*profiles[0], {Key("uno")});
  };
  commands.Run(cmd::kViewProfiles);
  EXPECT_THAT(log.entries, ElementsAre("answers dialog among A B C", "busy 1"));
  EXPECT_FALSE(main.Busy());
  EXPECT_EQ(CProfileRepository(registry).FindProfile(u"A")->GetCount(), 1u);
}

TEST_F(ManagementTest, ExportingTwoProfilesWritesTheExactFile) {
  FillABC();
  management_dialogs.transfers = {std::vector<std::size_t>{0, 1}};
  management_dialogs.export_paths = {PathOf("ab.kvxpf")};
  commands.Run(cmd::kExportProfiles);
  EXPECT_THAT(log.entries, ElementsAre("export selection among A B C", "busy 1",
                                       "save file dialog", "busy 1", "outcome 132 information"));
  EXPECT_FALSE(main.Busy());
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(PathOf("ab.kvxpf"), &bytes));
  EXPECT_EQ(bytes, ToUtf8(u"KORVEX\r\nA\r\n" + Key("dos", "&No") + u"\r\n" + kPress + u"\r\n" + Key("uno") +
                          u"\r\n" + kPress + u"\r\n\r\n\r\nB\r\n\r\n\r\n"));
  // The store is as it was.
  EXPECT_THAT(Names(), ElementsAre(u"A", u"B", u"C"));
}

TEST_F(ManagementTest, AnExportThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
  FillABC();
  ASSERT_TRUE(WriteWholeFile(PathOf("viejo.kvxpf"), "contenido anterior"));
  const struct {
    const char* name;
    Text path;
  } cases[] = {
      {"a folder that does not exist", PathOf("no existe/x.kvxpf")},
      {"a folder in the file's place", folder.u16string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    management_dialogs.transfers = {std::vector<std::size_t>{0}};
    management_dialogs.export_paths = {c.path};
    commands.Run(cmd::kExportProfiles);
    EXPECT_EQ(log.entries.back(), "outcome 133 error");
  }
  // A profile name no file can carry.
  repository.CreateProfile(u"Ωmega");
  management_dialogs.transfers = {std::vector<std::size_t>{3}};
  management_dialogs.export_paths = {PathOf("viejo.kvxpf")};
  commands.Run(cmd::kExportProfiles);
  EXPECT_EQ(log.entries.back(), "outcome 133 error");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(PathOf("viejo.kvxpf"), &bytes));
  EXPECT_EQ(bytes, "contenido anterior");
}

TEST_F(ManagementTest, CancellingAnExportAtEitherDialogWritesNothing) {
  FillABC();
  management_dialogs.transfers = {std::nullopt, std::vector<std::size_t>{0}};
  management_dialogs.export_paths = {std::nullopt};
  commands.Run(cmd::kExportProfiles);
  commands.Run(cmd::kExportProfiles);
  EXPECT_THAT(log.entries, ElementsAre("export selection among A B C", "busy 1",
                                       "export selection among A B C", "busy 1",
                                       "save file dialog", "busy 1"));
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  EXPECT_FALSE(main.Busy());
}

TEST_F(ManagementTest, ImportingTheExportedFileCreatesNumberedCopies) {
  FillABC();
  management_dialogs.transfers = {std::vector<std::size_t>{0, 1}};
  management_dialogs.export_paths = {PathOf("ab.kvxpf")};
  commands.Run(cmd::kExportProfiles);

  management_dialogs.import_paths = {PathOf("ab.kvxpf")};
  management_dialogs.transfers = {std::vector<std::size_t>{0, 1}};
  std::size_t mark = log.entries.size();
  commands.Run(cmd::kImportProfiles);
  EXPECT_THAT(Since(mark), ElementsAre("open file dialog", "busy 1", "import selection among A B",
                                       "busy 1", "outcome 131 information"));
  EXPECT_THAT(Names(), ElementsAre(u"A", u"A (1)", u"B", u"B (1)", u"C"));
  // Written through to the registry, entries included.
  CProfileRepository again(registry);
  EXPECT_EQ(again.FindProfile(u"A (1)")->GetKeys(), repository.FindProfile(u"A")->GetKeys());
  EXPECT_EQ(again.FindProfile(u"B (1)")->GetCount(), 0u);

  // Only the checked rows are taken.
  management_dialogs.import_paths = {PathOf("ab.kvxpf")};
  management_dialogs.transfers = {std::vector<std::size_t>{1}};
  commands.Run(cmd::kImportProfiles);
  EXPECT_THAT(Names(), ElementsAre(u"A", u"A (1)", u"B", u"B (1)", u"B (2)", u"C"));
}

TEST_F(ManagementTest, AFileThatCannotBeImportedChangesNothing) {
  FillABC();
  ASSERT_TRUE(WriteWholeFile(PathOf("espacio.kvxpf"), "KORVEX \r\nA\r\n\r\n\r\n"));
  ASSERT_TRUE(WriteWholeFile(PathOf("solo.kvxpf"), "KORVEX\r\n"));
  for (const char* name : {"espacio.kvxpf", "solo.kvxpf", "no existe.kvxpf"}) {
    SCOPED_TRACE(name);
    management_dialogs.import_paths = {PathOf(name)};
    const std::size_t mark = log.entries.size();
    commands.Run(cmd::kImportProfiles);
    EXPECT_THAT(Since(mark), ElementsAre("open file dialog", "busy 1", "outcome 126 error"));
  }
  // Cancelled at the file or at the selection.
  management_dialogs.import_paths = {std::nullopt};
  commands.Run(cmd::kImportProfiles);
  EXPECT_EQ(log.entries.back(), "busy 1");
  EXPECT_THAT(Names(), ElementsAre(u"A", u"B", u"C"));
  EXPECT_THAT(registry.SubkeyNames(kStore), ElementsAre(u"A", u"B", u"C"));
  EXPECT_FALSE(main.Busy());
}

TEST_F(ManagementTest, ConfigurationIsNotBusyTheAboutBoxIs) {
  commands.Run(cmd::kConfigure);
  commands.Run(cmd::kAbout);
  EXPECT_THAT(log.entries, ElementsAre("configuration dialog", "busy 0", "about box", "busy 1"));
  EXPECT_FALSE(main.Busy());
  // The about box puts busy back as it found it.
  main.SetBusy(true);
  commands.Run(cmd::kAbout);
  EXPECT_TRUE(main.Busy());
  main.SetBusy(false);
}

}  // namespace
}  // namespace korvex
