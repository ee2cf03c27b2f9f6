// kvxtool over the in-memory registry and files in a temporary folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "platform/file_io.h"
#include "robot/key/system_icons.h"
#include "robot/profiles/profile_file.h"
#include "robot/profiles/profile_repository.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/memory_registry.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string K(const std::string& caption, const std::string& button = "Aceptar") {
  return "class CDynWindow|<>" + caption +
         "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|"
         "class CMetaButton|<>" + button + "|1|";
}
const std::string kPress = "1|class CPressButton|";

class KvxToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("korvex-kvxtool-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  Text File(const std::string& name, const std::string& content) {
    const Text path = (dir / name).u16string();
    EXPECT_TRUE(WriteWholeFile(path, content));
    return path;
  }

  // Runs one command; out and err hold what it wrote.
  int Run(std::vector<Text> args, bool with_registry = true) {
    kvxtool::Environment env;
    if (with_registry) env.registry = &registry;
    const int status = kvxtool::Run(args, env);
    out = env.out;
    err = env.err;
    return status;
  }

  std::filesystem::path dir;
  testing::MemoryRegistry registry;
  std::string out, err;
  const std::string file_ab = "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress + "\r\n" + K("dos", "&No") +
                              "\r\n" + kPress + "\r\n\r\n\r\nB\r\n\r\n\r\n";
};

TEST_F(KvxToolTest, ImportListShowExportRoundTrip) {
  const Text file = File("ab.kvxpf", file_ab);
  ASSERT_EQ(Run({u"import", file}), 0) << err;
  EXPECT_EQ(out, "A\tA\t2\nB\tB\t0\n");
  ASSERT_EQ(Run({u"list"}), 0);
  EXPECT_EQ(out, "A\t2\nB\t0\n");
  ASSERT_EQ(Run({u"show", u"A"}), 0);
  EXPECT_EQ(out, "dos, Botón No\tdos\tPresionar No\n"
                 "uno, Botón Aceptar\tuno\tPresionar Aceptar\n");
  const Text back = (dir / "back.kvxpf").u16string();
  ASSERT_EQ(Run({u"export", back}), 0);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(back, &bytes));
  // The same entries, written in the store's order (by key).
  EXPECT_EQ(bytes, "KORVEX\r\nA\r\n" + K("dos", "&No") + "\r\n" + kPress + "\r\n" + K("uno") +
                       "\r\n" + kPress + "\r\n\r\n\r\nB\r\n\r\n\r\n");

  ASSERT_EQ(Run({u"import", file, u"A"}), 0);
  EXPECT_EQ(out, "A\tA (1)\t2\n");
  ASSERT_EQ(Run({u"export", back, u"B", u"A (1)"}), 0);
  EXPECT_EQ(out, "A (1)\t2\nB\t0\n");
}

// A profile the store holds under a name no new profile may take (written
// there by another program or an older version) cannot be exported: the
// tool says which and why, exits 1 and leaves no file.
TEST_F(KvxToolTest, ExportNamesAStoredProfileItCannotCopyAndWritesNothing) {
  const struct {
    const char* what;
    Text name;
    std::string reason;
  } cases[] = {
      {"a control character", u"Aduana\tNorte", "caracteres de control"},
      {"a line break", u"Aduana\nNorte", "caracteres de control"},
      {"a character the file cannot hold", u"Aduana \u2603", "no puede guardar"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    registry = testing::MemoryRegistry();
    const Text profile_key = Text(kStorePath) + u"\\" + c.name;
    registry.SetString(profile_key, u"key1", FromUtf8(K("uno")));
    registry.SetString(profile_key, u"value1", FromUtf8(kPress));
    registry.SetString(Text(kStorePath) + u"\\B", u"key2", FromUtf8(K("dos")));
    registry.SetString(Text(kStorePath) + u"\\B", u"value2", FromUtf8(kPress));
    const Text target = (dir / "todo.kvxpf").u16string();
    EXPECT_EQ(Run({u"export", target}), 1);
    EXPECT_THAT(err, HasSubstr("\"" + ToUtf8(c.name) + "\""));
    EXPECT_THAT(err, HasSubstr(c.reason));
    EXPECT_FALSE(std::filesystem::exists(dir / "todo.kvxpf"));
    EXPECT_EQ(Run({u"export", target, c.name}), 1);
    EXPECT_THAT(err, HasSubstr(c.reason));
    EXPECT_FALSE(std::filesystem::exists(dir / "todo.kvxpf"));
    // The other profiles still go out by name.
    ASSERT_EQ(Run({u"export", target, u"B"}), 0) << err;
    EXPECT_EQ(out, "B\t1\n");
    std::filesystem::remove(dir / "todo.kvxpf");
  }
}

TEST_F(KvxToolTest, ARefusedImportChangesNothing) {
  ASSERT_EQ(Run({u"import", File("ab.kvxpf", file_ab)}), 0);
  const auto before = registry.SubkeyNames(kStorePath);
  struct Case {
    std::vector<Text> args;
    int status;
  };
  const Case cases[] = {
      {{u"import", File("bad.kvxpf", "KORVEX \r\nA\r\n\r\n\r\n")}, 1},
      {{u"import", File("empty.kvxpf", "KORVEX\r\n")}, 1},
      {{u"import", File("ab2.kvxpf", file_ab), u"C"}, 1},  // not in the file
      {{u"import", (dir / "missing.kvxpf").u16string()}, 1},
      {{u"import"}, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << ToUtf8(c.args.back());
    EXPECT_THAT(err, StartsWith("kvxtool: "));
    EXPECT_EQ(registry.SubkeyNames(kStorePath), before);
  }
}

// A registry that cannot create the subkey of one profile.
class NoSubkeyFor : public testing::MemoryRegistry {
 public:
  explicit NoSubkeyFor(Text name) : m_name(std::move(name)) {}
  std::int32_t RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) override {
    if (subkey == m_name) return reg::kAccessDenied;
    return MemoryRegistry::RegCreateKeyExW(parent, subkey, key);
  }

 private:
  Text m_name;
};

TEST_F(KvxToolTest, AnImportWhoseStoreWritesFailSaysWhichProfilesAreIncomplete) {
  const Text file = File("ab.kvxpf", file_ab);
  registry.FailCall("RegSetValueExW", 5, 3);  // A's second entry
  EXPECT_EQ(Run({u"import", file}), 1);
  // The entry the store did not take is not counted: the profile holds what
  // the store holds.
  EXPECT_EQ(out, "A\tA\t1\nB\tB\t0\n");
  EXPECT_THAT(err, HasSubstr("\"A\""));
  EXPECT_THAT(err, HasSubstr("incompleto"));
  EXPECT_THAT(err, ::testing::Not(HasSubstr("\"B\"")));

  NoSubkeyFor no_b(u"B");
  kvxtool::Environment env;
  env.registry = &no_b;
  EXPECT_EQ(kvxtool::Run({u"import", file}, env), 1);
  EXPECT_THAT(env.err, HasSubstr("\"B\""));
  EXPECT_THAT(env.err, ::testing::Not(HasSubstr("\"A\"")));
}

TEST_F(KvxToolTest, ImportSkipsAndReportsProfilesWhoseNamesCannotBeStored) {
  const Text file = File("names.kvxpf", "KORVEX\r\nUno\\Dos\r\n" + K("x") + "\r\n" + kPress +
                                            "\r\n\r\n\r\n" + file_ab.substr(8));
  EXPECT_EQ(Run({u"import", file}), 0) << err;
  EXPECT_EQ(out, "A\tA\t2\nB\tB\t0\n");
  EXPECT_THAT(err, HasSubstr("línea 2"));
  EXPECT_THAT(err, HasSubstr("Uno\\Dos"));
  EXPECT_EQ(Run({u"check", file}, false), 0);
  EXPECT_THAT(out, StartsWith("línea 2\tUno\\Dos\t"));
}

TEST_F(KvxToolTest, AFileBeyond64MiBIsRefusedWithTheImportMessage) {
  std::string content = file_ab;
  content.resize(kMaxProfileFileBytes + 1, '\n');
  const Text file = File("grande.kvxpf", content);
  content.clear();
  content.shrink_to_fit();
  for (const char16_t* command : {u"import", u"check"}) {
    EXPECT_EQ(Run({command, file}), 1) << ToUtf8(command);
    EXPECT_THAT(err, HasSubstr("Error al intentar importar los perfiles del archivo dado."));
    EXPECT_THAT(err, HasSubstr("64 MiB"));
  }
  EXPECT_EQ(Run({u"show", u"--file", file}), 1);
  EXPECT_TRUE(registry.SubkeyNames(kStorePath).empty());
}

TEST_F(KvxToolTest, CheckReportsSkippedPairsWithTheirLines) {
  const Text broken = File("broken.kvxpf", "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress +
                                               "\r\nclass CNada|x|\r\n" + kPress + "\r\n\r\n\r\n");
  EXPECT_EQ(Run({u"check", broken}, false), 0);
  EXPECT_EQ(out, "línea 5\tA\tpar ilegible (código 975321)\n"
                 "aceptado\t1 perfiles\t1 entradas\t1 omitidas\n");
  EXPECT_EQ(Run({u"check", File("nohdr.kvxpf", "A\r\n\r\n\r\n")}, false), 1);
  EXPECT_THAT(out, StartsWith("rechazado\tlínea 1\t"));
  EXPECT_EQ(Run({u"check", File("ab.kvxpf", file_ab)}, false), 0);
  EXPECT_EQ(out, "aceptado\t2 perfiles\t2 entradas\t0 omitidas\n");
}

TEST_F(KvxToolTest, ShowFileListsEveryProfileAndUnreadableEntries) {
  const Text broken = File("broken.kvxpf", "KORVEX\r\nA\r\n" + K("uno") + "\r\n" + kPress +
                                               "\r\nclass CNada|x|\r\n" + kPress +
                                               "\r\n\r\n\r\nB\r\n\r\n\r\n");
  ASSERT_EQ(Run({u"show", u"--file", broken}, false), 0);
  EXPECT_EQ(out, "[A]\nuno, Botón Aceptar\tuno\tPresionar Aceptar\n(entrada ilegible, línea 5)\t\t\n[B]\n");
  ASSERT_EQ(Run({u"show", u"--file", broken, u"B"}, false), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run({u"show", u"--file", broken, u"C"}, false), 1);
}

TEST_F(KvxToolTest, ShowNamesTheSystemIconsOfTheWindowSystem) {
  testing::FakeDesktop desk;
  const SystemIcons before = GetSystemIcons();
  const auto icon = [&](int idi) { return std::to_string(static_cast<std::int32_t>(desk.SystemIcon(idi))); };
  std::string content = "KORVEX\r\nA\r\n";
  for (const int idi : {win::kIdiAsterisk, win::kIdiHand, win::kIdiQuestion, win::kIdiExclamation}) {
    content += "class CDynWindow|<>Aviso|4294967295|4294967295|4294967295|4294967295|4294967295|"
               "4294967295|2|class CIconWindow|" + icon(idi) + "|class CTextWindow|<>T|\r\n"
               "2|class CNullInteraction|class CNullInteraction|\r\n";
  }
  const Text file = File("icons.kvxpf", content + "\r\n\r\n");
  kvxtool::Environment env;
  env.windows = &desk;
  ASSERT_EQ(kvxtool::Run({u"show", u"--file", file, u"A"}, env), 0) << env.err;
  SetSystemIcons(before);
  EXPECT_THAT(env.out, HasSubstr("T, Aviso, ícono de información\t"));
  EXPECT_THAT(env.out, HasSubstr("T, Aviso, ícono de error\t"));
  EXPECT_THAT(env.out, HasSubstr("T, Aviso, ícono de pregunta\t"));
  EXPECT_THAT(env.out, HasSubstr("T, Aviso, ícono de alarma\t"));
}

TEST_F(KvxToolTest, UsageAndHelp) {
  struct Case {
    std::vector<Text> args;
    int status;
  };
  const Case cases[] = {{{}, 2}, {{u"borrar"}, 2}, {{u"list", u"x"}, 2}, {{u"show"}, 2},
                        {{u"show", u"--file"}, 2}, {{u"check"}, 2}, {{u"export"}, 2},
                        {{u"--help"}, 0}, {{u"-h"}, 0}};
  for (const Case& c : cases) EXPECT_EQ(Run(c.args), c.status) << (c.args.empty() ? "" : ToUtf8(c.args[0]));
  EXPECT_THAT(out, HasSubstr("kvxtool check ARCHIVO"));
  // Every command of the usage starts its own line.
  std::istringstream lines(kvxtool::Help());
  int commands = 0;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find("kvxtool ");
    if (at == std::string::npos || at == 0) continue;
    ++commands;
    EXPECT_EQ(at, 2u) << line;
    EXPECT_EQ(line.find("kvxtool ", at + 1), std::string::npos) << line;
  }
  EXPECT_EQ(commands, 14);
  // Without a registry the store commands say why they cannot run.
  EXPECT_EQ(Run({u"list"}, false), 1);
  EXPECT_THAT(err, HasSubstr("registro de Windows"));
  EXPECT_EQ(Run({u"show", u"Nadie"}), 1);
}

}  // namespace
}  // namespace korvex
