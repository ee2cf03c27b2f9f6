// The profile file: export, import, and their refusals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "platform/file_io.h"
#include "robot/profiles/profile_file.h"
#include "robot/profiles/profile_repository.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using testing::MemoryRegistry;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

std::string K(const std::string& caption) {
  return "class CDynWindow|<>" + caption +
         "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|2|"
         "class CMetaButton|<>Aceptar|1|class CMetaButton|<>Cancelar|1|";
}
const std::string kPress = "2|class CPressButton|class CNullInteraction|";
const std::string kCancel = "2|class CNullInteraction|class CPressButton|";

// Profile A with two entries and an empty profile B.
void FillAB(CProfileRepository& repo) {
  CProfile& a = repo.CreateProfile(u"A");
  a.SetAnswer(FromUtf8(K("uno")), FromUtf8(kPress));
  a.SetAnswer(FromUtf8(K("dos")), FromUtf8(kCancel));
  repo.CreateProfile(u"B");
}

const std::string kFileAB = "KORVEX\r\nA\r\n" + K("dos") + "\r\n" + kCancel + "\r\n" + K("uno") +
                            "\r\n" + kPress + "\r\n\r\n\r\nB\r\n\r\n\r\n";

std::vector<std::pair<Text, std::vector<std::pair<Text, Text>>>> Contents(
    const CProfileRepository& repo) {
  std::vector<std::pair<Text, std::vector<std::pair<Text, Text>>>> out;
  for (const CProfile* p : repo.GetProfiles()) {
    std::vector<std::pair<Text, Text>> entries;
    const auto keys = p->GetKeys();
    const auto values = p->GetValues();
    for (std::size_t i = 0; i < keys.size(); ++i) entries.emplace_back(keys[i], values[i]);
    out.emplace_back(p->GetName(), entries);
  }
  return out;
}

TEST(ProfileFile, ExportWritesTheExactLines) {
  CProfileRepository repo;
  FillAB(repo);
  const ExportResult result = ExportProfiles(repo);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, kFileAB);
  CProfileRepository empty;
  EXPECT_EQ(ExportProfiles(empty).bytes, "KORVEX\r\n");
}

TEST(ProfileFile, ImportGivesEqualProfilesAndASecondImportNumberedCopies) {
  CProfileRepository source;
  FillAB(source);
  CProfileRepository imported;
  const ImportResult result = ImportProfiles(imported, kFileAB);
  ASSERT_TRUE(result.ok) << ToUtf8(result.error);
  EXPECT_EQ(result.profiles, 2);
  EXPECT_THAT(result.skipped, IsEmpty());
  EXPECT_EQ(Contents(imported), Contents(source));

  // The import command copies what a file holds into the store under free
  // names.
  MemoryRegistry registry;
  CProfileRepository store(registry);
  for (int round = 0; round < 2; ++round) {
    CProfileRepository temporary;
    ASSERT_TRUE(ImportProfiles(temporary, kFileAB).ok);
    for (CProfile* p : temporary.GetProfiles()) store.AddCopyOf(*p);
  }
  std::vector<Text> names;
  for (CProfile* p : store.GetProfiles()) names.push_back(p->GetName());
  EXPECT_THAT(names, ElementsAre(u"A", u"A (1)", u"B", u"B (1)"));
  EXPECT_EQ(store.FindProfile(u"A (1)")->GetValues(), source.FindProfile(u"A")->GetValues());
}

TEST(ProfileFile, RefusedFiles) {
  const std::string cases[] = {
      "",
      "KORVEX",                          // the header alone
      "KORVEX\r\n",
      "KORVEX \r\nA\r\n\r\n\r\n",        // header followed by a blank
      "korvex\r\nA\r\n\r\n\r\n",
      "KORVEX\r\n\r\n\r\n\r\n",          // blank lines only
      "KORVEX\r\nUno\\Dos\r\n\r\n\r\n",  // a name the store would take as a path
  };
  for (const std::string& content : cases) {
    CProfileRepository repo;
    const ImportResult result = ImportProfiles(repo, content);
    EXPECT_FALSE(result.ok) << content;
    EXPECT_FALSE(result.error.empty()) << content;
  }
}

TEST(ProfileFile, AProfileWhoseNameCannotBeStoredIsSkippedAndTheOthersImport) {
  const std::string tail = "\r\n" + K("x") + "\r\n" + kPress + "\r\n\r\n\r\n";
  const std::string content = "KORVEX\r\nUno\\Dos" + tail +            // line 2
                              "Con\x01control" + tail +                   // line 6
                              std::string(256, 'n') + tail +              // line 10
                              "Bueno\r\n" + K("b") + "\r\n" + kCancel + "\r\n\r\n\r\n" +
                              std::string("Nulo\0", 5) + tail;           // line 18
  CProfileRepository repo;
  const ImportResult result = ImportProfiles(repo, content);
  ASSERT_TRUE(result.ok) << ToUtf8(result.error);
  EXPECT_EQ(result.profiles, 1);
  ASSERT_EQ(repo.GetProfiles().size(), 1u);
  EXPECT_THAT(repo.FindProfile(u"Bueno")->GetKeys(), ElementsAre(FromUtf8(K("b"))));
  ASSERT_EQ(result.skipped_profiles.size(), 4u);
  const int lines[] = {2, 7, 12, 22};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(result.skipped_profiles[i].line, lines[i]);
    EXPECT_FALSE(result.skipped_profiles[i].reason.empty());
  }
  EXPECT_EQ(result.skipped_profiles[0].profile, u"Uno\\Dos");
}

TEST(ProfileFile, AFileBeyond64MiBIsRefusedBeforeItIsRead) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("korvex-big-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const Text path = (dir / "grande.kvxpf").u16string();
  // A sound file, stretched with blank lines that an import passes over.
  std::string content = kFileAB;
  content.resize(kMaxProfileFileBytes + 1, '\n');
  ASSERT_TRUE(WriteWholeFile(path, content));
  CProfileRepository repo;
  EXPECT_FALSE(repo.ImportFile(path));
  EXPECT_TRUE(repo.GetProfiles().empty());

  // The bound itself is read.
  const Text small = (dir / "chico.kvxpf").u16string();
  ASSERT_TRUE(WriteWholeFile(small, kFileAB));
  std::string bytes;
  bool too_large = true;
  EXPECT_TRUE(ReadWholeFile(small, &bytes, kFileAB.size(), &too_large));
  EXPECT_FALSE(too_large);
  EXPECT_EQ(bytes, kFileAB);
  EXPECT_FALSE(ReadWholeFile(small, &bytes, kFileAB.size() - 1, &too_large));
  EXPECT_TRUE(too_large);
  EXPECT_TRUE(bytes.empty());
  std::filesystem::remove_all(dir);
}

TEST(ProfileFile, UnreadablePairIsSkippedAndTheFollowingPairsStillLoad) {
  const std::string content = "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress +
                              "\r\nclass CNoExiste|x|\r\n" + kPress + "\r\n" + K("dos") +
                              "\r\n1|class CNoExiste|\r\n" + K("tres") + "\r\n" + kCancel +
                              "\r\n\r\n\r\nB\r\n" + K("b") + "\r\n" + kPress + "\r\n\r\n\r\n";
  CProfileRepository repo;
  const ImportResult result = ImportProfiles(repo, content);
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(repo.FindProfile(u"A")->GetKeys(),
              ElementsAre(FromUtf8(K("tres")), FromUtf8(K("uno"))));
  EXPECT_EQ(repo.FindProfile(u"B")->GetCount(), 1u);
  EXPECT_THAT(result.skipped, ElementsAre(Field(&SkippedPair::line, 5), Field(&SkippedPair::line, 7)));
  EXPECT_EQ(result.skipped[0].profile, u"A");
}

TEST(ProfileFile, AnAnswerOfAnotherShapeIsSkippedAndReportedLikeAnUnreadablePair) {
  const std::string content = "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress + "\r\n" +
                              K("sin pulsar") + "\r\n" +
                              "2|class CNullInteraction|class CNullInteraction|\r\n" +
                              K("dos pulsados") + "\r\n" +
                              "2|class CPressButton|class CPressButton|\r\n" + K("tres") +
                              "\r\n" + kCancel + "\r\n\r\n\r\n";
  CProfileRepository repo;
  const ImportResult result = ImportProfiles(repo, content);
  ASSERT_TRUE(result.ok);
  EXPECT_THAT(repo.FindProfile(u"A")->GetKeys(),
              ElementsAre(FromUtf8(K("tres")), FromUtf8(K("uno"))));
  ASSERT_THAT(result.skipped, ElementsAre(Field(&SkippedPair::line, 5), Field(&SkippedPair::line, 7)));
  EXPECT_EQ(result.skipped[0].reason, u"par ilegible (código 111317)");
}

TEST(ProfileFile, NamesKeepTheirSingleByteLetters) {
  CProfileRepository repo;
  repo.CreateProfile(u"Año señal");
  const ExportResult exported = ExportProfiles(repo);
  ASSERT_TRUE(exported.ok);
  EXPECT_EQ(exported.bytes, "KORVEX\r\nA\xF1o se\xF1" "al\r\n\r\n\r\n");
  CProfileRepository back;
  ASSERT_TRUE(ImportProfiles(back, exported.bytes).ok);
  EXPECT_NE(back.FindProfile(u"Año señal"), nullptr);
}

TEST(ProfileFile, NameTheFileCannotHoldIsRefusedNotChanged) {
  CProfileRepository repo;
  repo.CreateProfile(u"Precio €");
  const ExportResult result = ExportProfiles(repo);
  EXPECT_FALSE(result.ok);
  EXPECT_THAT(ToUtf8(result.error), ::testing::HasSubstr("Precio €"));
  EXPECT_TRUE(result.bytes.empty());
}

TEST(ProfileFile, AProfileNamedTwiceIsMerged) {
  const std::string content = "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress + "\r\n\r\n\r\nA\r\n" +
                              K("dos") + "\r\n" + kCancel + "\r\n\r\n\r\n";
  CProfileRepository repo;
  const ImportResult result = ImportProfiles(repo, content);
  ASSERT_TRUE(result.ok);
  ASSERT_EQ(repo.GetProfiles().size(), 1u);
  EXPECT_EQ(repo.FindProfile(u"A")->GetCount(), 2u);
}

TEST(ProfileFile, LenientAboutLineEndsAndStrayBlankLines) {
  // LF line ends, no separator line, an extra blank line and no final line end.
  const std::string content = "KORVEX\nA\n" + K("uno") + "\n" + kPress + "\n\nB\n\n\n\nC";
  CProfileRepository repo;
  const ImportResult result = ImportProfiles(repo, content);
  ASSERT_TRUE(result.ok);
  std::vector<Text> names;
  for (CProfile* p : repo.GetProfiles()) names.push_back(p->GetName());
  EXPECT_THAT(names, ElementsAre(u"A", u"B", u"C"));
  EXPECT_EQ(repo.FindProfile(u"A")->GetCount(), 1u);
}

TEST(ProfileFile, ExportAndImportThroughFiles) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvex-profile-file-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const Text path = (dir / u"perfiles ñ.kvxpf").u16string();

  CProfileRepository repo;
  FillAB(repo);
  ASSERT_TRUE(repo.ExportFile(path));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, kFileAB);
  CProfileRepository back;
  EXPECT_TRUE(back.ImportFile(path));
  EXPECT_EQ(Contents(back), Contents(repo));

  EXPECT_FALSE(back.ImportFile((dir / "no existe.kvxpf").u16string()));
  EXPECT_FALSE(repo.ExportFile((dir / "no existe" / "x.kvxpf").u16string()));
  std::filesystem::remove_all(dir);
}

#ifndef _WIN32
// The names in a folder.
std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Files of this process may grow to at most `bytes` while it lives: a
// write beyond fails (EFBIG), as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &m_previous);
    rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
  }

 private:
  rlimit m_previous{};
  void (*m_previousHandler)(int) = nullptr;
};
#endif

TEST(ProfileFile, AFailedExportLeavesTheOldFileWholeAndNoTemporaryFile) {
#ifdef _WIN32
  GTEST_SKIP() << "the file size limit is a POSIX resource limit";
#else
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("korvex-export-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const Text path = (dir / "perfiles.kvxpf").u16string();
  ASSERT_TRUE(WriteWholeFile(path, kFileAB));

  CProfileRepository repo;
  CProfile& big = repo.CreateProfile(u"Grande");
  for (int i = 0; i < 100; ++i) big.SetAnswer(FromUtf8(K("aviso " + std::to_string(i))), FromUtf8(kPress));
  {
    FileSizeLimit limit(4096);  // the export needs about 12 KB
    EXPECT_FALSE(repo.ExportFile(path));
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, kFileAB);
  EXPECT_THAT(FilesIn(dir), ElementsAre("perfiles.kvxpf"));

  // A target that cannot be replaced (a folder of that name) is refused the
  // same way.
  const std::filesystem::path folder = dir / "carpeta.kvxpf";
  std::filesystem::create_directories(folder / "dentro");
  EXPECT_FALSE(repo.ExportFile(folder.u16string()));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dentro"));
  EXPECT_THAT(FilesIn(dir), ElementsAre("carpeta.kvxpf", "perfiles.kvxpf"));

  ASSERT_TRUE(repo.ExportFile(path));
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, ExportProfiles(repo).bytes);
  EXPECT_THAT(FilesIn(dir), ElementsAre("carpeta.kvxpf", "perfiles.kvxpf"));
  std::filesystem::remove_all(dir);
#endif
}

}  // namespace
}  // namespace korvex
