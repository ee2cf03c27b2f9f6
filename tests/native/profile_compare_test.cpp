// kvxtool diff and merge over a table of profile pairs: equal, only in one,
// answered differently, the legacy and the current form of one dialog, a
// conflicting merge with and without --prefer, and bad input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "tests/fakes/memory_registry.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
namespace {

using ::testing::HasSubstr;

const std::string kRoles = "4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|";

// A message box with one button, in the form written today.
std::string One(const std::string& caption, const std::string& button = "Aceptar") {
  return "class CDynWindow|<>" + caption + "|" + kRoles + "1|class CMetaButton|<>" + button + "|1|";
}
// The same box as older versions wrote it: bare texts.
std::string OneLegacy(const std::string& caption, const std::string& button = "Aceptar") {
  return "class CDynWindow|" + caption + "|" + kRoles + "1|class CMetaButton|" + button + "|1|";
}
// A box of two buttons as older versions wrote it, and as it is written now.
std::string TwoLegacy(const std::string& caption) {
  return "class CDynWindow|" + caption + "|" + kRoles +
         "2|class CMetaButton|Aceptar|1|class CMetaButton|Cancelar|1|";
}
std::string Two(const std::string& caption) {
  return "class CDynWindow|<>" + caption + "|" + kRoles +
         "2|class CMetaButton|<>Aceptar|1|class CMetaButton|<>Cancelar|1|";
}
// A yes/no box.
std::string YesNo(const std::string& caption) {
  return "class CDynWindow|<>" + caption + "|" + kRoles +
         "2|class CMetaButton|<>&S\\xed|1|class CMetaButton|<>&No|1|";
}
// The tariff control's data-input dialog, whose description is its prompt.
const std::string kInput =
    "class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4|0|1|2|4294967295|5|"
    "class CMetaEdit|<>|class CMetaButton|<>&Validar lo ingresado|1|class CMetaButton|<>Terminar el "
    "tratamiento|1|class CTextWindow|<>El tarifex ha detectado|class CTextWindow|<>Peso neto|";
std::string Typed(const std::string& value) {
  return "5|class CPutText|<>" + value + "|class CPressButton|class CNullInteraction|class CNullInteraction|"
         "class CNullInteraction|";
}
const std::string kPress = "1|class CPressButton|";
const std::string kPressLegacy = " 1 |class CPressButton|";
const std::string kYes = "2|class CPressButton|class CNullInteraction|";
const std::string kNo = "2|class CNullInteraction|class CPressButton|";

using Entries = std::vector<std::pair<std::string, std::string>>;
using Profiles = std::vector<std::pair<std::string, Entries>>;

std::string FileOf(const Profiles& profiles) {
  std::string out = "KORVEX\r\n";
  for (const auto& [name, entries] : profiles) {
    out += name + "\r\n";
    for (const auto& [key, answers] : entries) out += key + "\r\n" + answers + "\r\n";
    out += "\r\n\r\n";
  }
  return out;
}

class ProfileCompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() / ("korvex-compare-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  Text Path(const std::string& name) { return (dir / name).u16string(); }
  std::string P8(const std::string& name) { return ToUtf8(Path(name)); }
  Text File(const std::string& name, const Profiles& profiles) {
    EXPECT_TRUE(WriteWholeFile(Path(name), FileOf(profiles)));
    return Path(name);
  }
  Text Raw(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(Path(name), bytes));
    return Path(name);
  }
  std::string Bytes(const std::string& name) {
    std::string bytes;
    if (!ReadWholeFile(Path(name), &bytes)) return "(ninguno)";
    return bytes;
  }
  int Run(std::vector<Text> args) {
    kvxtool::Environment env;
    env.registry = registry;
    const int status = kvxtool::Run(args, env);
    out = env.out;
    err = env.err;
    return status;
  }

  std::filesystem::path dir;
  testing::MemoryRegistry* registry = nullptr;
  std::string out, err;
};

TEST_F(ProfileCompareTest, DiffOverATableOfPairs) {
  struct Case {
    const char* name;
    Profiles a, b;
    int status;
    std::vector<Text> options;
    std::string shown;  // after the lines "A: ..." and "B: ..."
  };
  const Case cases[] = {
      {"equal, in another order",
       {{"P", {{One("uno"), kPress}, {YesNo("Continuar"), kYes}}}},
       {{"P", {{YesNo("Continuar"), kYes}, {One("uno"), kPress}}}},
       0, {},
       "Perfil \"P\": igual (2 respuestas)\n"
       "Iguales: 1 perfil, 2 respuestas.\n"},
      {"only in one, and only in the other",
       {{"P", {{One("uno"), kPress}, {One("dos"), kPress}}}},
       {{"P", {{One("uno"), kPress}, {One("tres", "Cerrar"), kPress}}}},
       1, {},
       "Perfil \"P\": 1 sólo en A, 1 sólo en B, 0 respondidas distinto\n"
       "  sólo en A: dos, Botón Aceptar\n"
       "      A: Presionar Aceptar\n"
       "  sólo en B: tres, Botón Cerrar\n"
       "      B: Presionar Cerrar\n"
       "Distintos: 1 de 1 perfiles.\n"},
      {"a changed answer",
       {{"P", {{YesNo("Continuar"), kYes}}}},
       {{"P", {{YesNo("Continuar"), kNo}}}},
       1, {},
       "Perfil \"P\": 0 sólo en A, 0 sólo en B, 1 respondida distinto\n"
       "  distinta: Continuar, Botón Sí, Botón No\n"
       "      A: Presionar Sí\n"
       "      B: Presionar No\n"
       "Distintos: 1 de 1 perfiles.\n"},
      {"a typed value changed, with the dialog's caption",
       {{"P", {{kInput, Typed("123")}}}},
       {{"P", {{kInput, Typed("12,5")}}}},
       1, {},
       "Perfil \"P\": 0 sólo en A, 0 sólo en B, 1 respondida distinto\n"
       "  distinta: Peso neto [Ingreso de dato complementario]\n"
       "      A: Ingresar ' 123', Presionar Validar lo ingresado\n"
       "      B: Ingresar ' 12,5', Presionar Validar lo ingresado\n"
       "Distintos: 1 de 1 perfiles.\n"},
      {"the legacy and the current form of one dialog and one answer",
       {{"P", {{OneLegacy("Aviso"), kPressLegacy}}}},
       {{"P", {{One("Aviso"), kPress}}}},
       0, {},
       "Perfil \"P\": igual (1 respuesta)\n"
       "Iguales: 1 perfil, 1 respuesta.\n"},
      {"the legacy form of one dialog, answered differently",
       {{"P", {{TwoLegacy("Aviso"), " 2 |class CPressButton|class CNullInteraction|"}}}},
       {{"P", {{Two("Aviso"), kNo}}}},
       1, {},
       "Perfil \"P\": 0 sólo en A, 0 sólo en B, 1 respondida distinto\n"
       "  distinta: Aviso, Botón Aceptar, Botón Cancelar\n"
       "      A: Presionar Aceptar\n"
       "      B: Presionar Cancelar\n"
       "Distintos: 1 de 1 perfiles.\n"},
      {"profiles by name in any case, and a profile only in A",
       {{"Aduana", {{One("uno"), kPress}}}, {"Norte", {{One("uno"), kPress}, {One("dos"), kPress}}}},
       {{"ADUANA", {{One("uno"), kPress}}}},
       1, {},
       "Perfil \"Aduana\": igual (1 respuesta)\n"
       "Perfil \"Norte\": sólo en A (2 respuestas)\n"
       "Distintos: 1 de 2 perfiles.\n"},
      {"--profile limits it",
       {{"Aduana", {{One("uno"), kPress}}}, {"Norte", {{One("uno"), kPress}}}},
       {{"ADUANA", {{One("uno"), kPress}}}},
       0, {u"--profile", u"aduana"},
       "Perfil \"Aduana\": igual (1 respuesta)\n"
       "Iguales: 1 perfil, 1 respuesta.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Text> args = {u"diff", File("a.kvxpf", c.a), File("b.kvxpf", c.b)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(Run(args), c.status) << err;
    EXPECT_EQ(out, "A: " + P8("a.kvxpf") + "\nB: " + P8("b.kvxpf") + "\n" + c.shown);
    EXPECT_EQ(err, "");
  }
}

TEST_F(ProfileCompareTest, DiffForScripts) {
  const Text a = File("a.kvxpf", {{"P", {{One("uno"), kPress}, {YesNo("Continuar"), kYes}}},
                                  {"Solo A", {{One("uno"), kPress}}}});
  const Text b = File("b.kvxpf", {{"p", {{YesNo("Continuar"), kNo}, {One("tres"), kPress}}}});
  EXPECT_EQ(Run({u"diff", a, b, u"--tsv"}), 1);
  EXPECT_EQ(out,
            "distinta\tP\tContinuar, Botón Sí, Botón No\tContinuar\tPresionar Sí\tPresionar No\n"
            "solo_b\tP\ttres, Botón Aceptar\ttres\t\tPresionar Aceptar\n"
            "solo_a\tP\tuno, Botón Aceptar\tuno\tPresionar Aceptar\t\n"
            "perfil_solo_a\tSolo A\t\t\t\t\n"
            "solo_a\tSolo A\tuno, Botón Aceptar\tuno\tPresionar Aceptar\t\n");
  EXPECT_EQ(Run({u"diff", a, a, u"--tsv"}), 0);
  EXPECT_EQ(out, "");
}

TEST_F(ProfileCompareTest, MergeOverATableOfPairs) {
  const Profiles a = {{"P", {{One("uno"), kPress}, {YesNo("Continuar"), kYes}, {OneLegacy("Aviso"), kPressLegacy}}}};
  const Profiles b = {{"p", {{One("tres"), kPress}, {YesNo("Continuar"), kNo}, {One("Aviso"), kPress}}},
                      {"R", {{One("uno"), kPress}}}};
  struct Case {
    const char* name;
    std::vector<Text> options;
    int status;
    std::string continuar;  // the answer the merged file keeps, empty: no file
    std::string shown;
  };
  const std::string conflict =
      "conflicto\tP\tContinuar, Botón Sí, Botón No\tContinuar\tPresionar Sí\tPresionar No";
  const Case cases[] = {
      {"a conflict without --prefer stops it", {}, 1, "", conflict + "\n"},
      {"--prefer a", {u"--prefer", u"a"}, 0, kYes, conflict + "\tse toma A\nperfil\tP\t4\nperfil\tR\t1\n"},
      {"--prefer b", {u"--prefer", u"b"}, 0, kNo, conflict + "\tse toma B\nperfil\tP\t4\nperfil\tR\t1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir / "out.kvxpf");
    std::vector<Text> args = {u"merge", u"-o", Path("out.kvxpf"), File("a.kvxpf", a), File("b.kvxpf", b)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(Run(args), c.status) << err;
    EXPECT_EQ(out, c.shown);
    if (c.continuar.empty()) {
      EXPECT_THAT(err, HasSubstr("--prefer"));
      EXPECT_THAT(err, HasSubstr("No se escribió"));
      EXPECT_FALSE(std::filesystem::exists(dir / "out.kvxpf"));
      continue;
    }
    EXPECT_EQ(err, "");
    // The union in today's form, the legacy and the current form of the
    // same dialog kept once, in the order an export writes.
    EXPECT_EQ(Bytes("out.kvxpf"), FileOf({{"P",
                                           {{One("Aviso"), kPress},
                                            {YesNo("Continuar"), c.continuar},
                                            {One("tres"), kPress},
                                            {One("uno"), kPress}}},
                                          {"R", {{One("uno"), kPress}}}}));
    // It reads back whole, and holds what both held.
    EXPECT_EQ(Run({u"check", Path("out.kvxpf")}), 0);
    EXPECT_EQ(out, "aceptado\t2 perfiles\t5 entradas\t0 omitidas\n");
    EXPECT_EQ(Run({u"diff", Path("out.kvxpf"), Path(c.options[1] == u"a" ? "a.kvxpf" : "b.kvxpf"),
                   u"--tsv"}),
              1);
    EXPECT_THAT(out, ::testing::Not(HasSubstr("distinta")));
  }
}

TEST_F(ProfileCompareTest, BadInputGetsAClearErrorAndWritesNothing) {
  const Text good = File("good.kvxpf", {{"P", {{One("uno"), kPress}}}});
  const Text noheader = Raw("noheader.kvxpf", "P\r\n\r\n\r\n");
  const Text empty = Raw("empty.kvxpf", "KORVEX\r\n");
  const Text missing = Path("missing.kvxpf");
  Raw("out.kvxpf", "lo anterior");
  struct Case {
    std::vector<Text> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{u"diff", good, missing}, 2, "no se pudo leer el archivo"},
      {{u"diff", noheader, good}, 2, "línea 1: El archivo no es un archivo de perfiles de KORVEX."},
      {{u"diff", good, empty}, 2, "no contiene perfiles"},
      {{u"diff", good, u"--store"}, 2, "registro de Windows"},
      {{u"diff", good}, 2, "uso: kvxtool diff"},
      {{u"diff", good, good, good}, 2, "uso: kvxtool diff"},
      {{u"diff", good, good, u"--profile"}, 2, "uso: kvxtool diff"},
      {{u"diff", good, good, u"--profile", u"Otro"}, 2, "no existe el perfil \"Otro\""},
      {{u"diff", good, good, u"--lindo"}, 2, "uso: kvxtool diff"},
      {{u"merge", u"-o", Path("out.kvxpf"), good, missing}, 1, "no se pudo leer el archivo"},
      {{u"merge", u"-o", Path("out.kvxpf"), noheader, good}, 1, "no es un archivo de perfiles"},
      {{u"merge", u"-o", Path("out.kvxpf"), good, u"--store"}, 1, "registro de Windows"},
      {{u"merge", good, good}, 2, "uso: kvxtool merge"},
      {{u"merge", u"-o", Path("out.kvxpf"), good}, 2, "uso: kvxtool merge"},
      {{u"merge", u"-o", Path("out.kvxpf"), good, good, u"--prefer", u"c"}, 2, "uso: kvxtool merge"},
      {{u"merge", u"-o", Path("no-existe/out.kvxpf"), good, good}, 1, "no se pudo escribir"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.args[0]) + " " + ToUtf8(c.args.back()));
    EXPECT_EQ(Run(c.args), c.status);
    EXPECT_THAT(err, HasSubstr(c.message));
    EXPECT_EQ(out, "");
    EXPECT_EQ(Bytes("out.kvxpf"), "lo anterior");
  }
  // A profile whose answers cannot be written to a profile file (a name
  // beyond Latin-1 from the store) stops the merge before anything is written.
  testing::MemoryRegistry store;
  store.SetString(u"Software\\Norvane\\KORVEX\\Store\\Perfil €", u"key1", FromUtf8(One("uno")));
  store.SetString(u"Software\\Norvane\\KORVEX\\Store\\Perfil €", u"value1", FromUtf8(kPress));
  registry = &store;
  EXPECT_EQ(Run({u"merge", u"-o", Path("out.kvxpf"), u"--store", good}), 1);
  EXPECT_THAT(err, HasSubstr("no puede guardar"));
  EXPECT_EQ(Bytes("out.kvxpf"), "lo anterior");
}

TEST_F(ProfileCompareTest, TheStoreAsOneSide) {
  testing::MemoryRegistry store;
  registry = &store;
  const Text file = File("a.kvxpf", {{"P", {{OneLegacy("Aviso"), kPressLegacy}, {One("uno"), kPress}}}});
  ASSERT_EQ(Run({u"import", file}), 0) << err;
  // The store normalizes what it loads; the file keeps the legacy form:
  // still the same dialogs.
  EXPECT_EQ(Run({u"diff", u"--store", file}), 0) << err;
  EXPECT_EQ(out, "A: el registro\nB: " + P8("a.kvxpf") + "\nPerfil \"P\": igual (2 respuestas)\n"
                 "Iguales: 1 perfil, 2 respuestas.\n");
  const Text other = File("b.kvxpf", {{"Q", {{One("dos"), kPress}}}});
  ASSERT_EQ(Run({u"merge", u"-o", Path("out.kvxpf"), u"--store", other}), 0) << err;
  EXPECT_EQ(out, "perfil\tP\t2\nperfil\tQ\t1\n");
}

}  // namespace
}  // namespace korvex
