// The declaration object the control prepares before each run, its dumps,
// and the control's string table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tarifex/control_strings.h"
#include "tarifex/declaration.h"
#include "tests/fakes/tarifex_fakes.h"

namespace korvex::tarifex {
namespace {

using testing::Collection;
using testing::MemoryCollection;
using testing::MemoryComponents;
using testing::MemoryTraceFiles;
using testing::MemoryVariable;
using testing::ScriptedControlUser;
using testing::Var;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr Hwnd kHostWindow = 0x5150;

class Preparing : public ::testing::Test {
 protected:
  bool Prepare(std::string_view benefits = "") {
    error.clear();
    Preparation preparation{components, files, user, kHostWindow, lang, "T:\\"};
    return PrepareDeclaration(declaration, data, benefits, preparation, &error);
  }
  std::string Dump(const std::string& name) {
    return files.Content("T:\\" + name).value_or("(not written)");
  }

  MemoryComponents components;
  MemoryTraceFiles files;
  ScriptedControlUser user;
  std::int16_t lang = 0;
  MemoryCollection declaration{{"OLD", "from the last run"}};
  DataComponents data;
  std::string error;
};

TEST_F(Preparing, CopiesGenThenArtAndAddsOneBenefitCodePerWord) {
  data.art = Collection({{"IESPORIG", "AR"}, {"DDDTOFICIA", "20240229"}});
  data.gen = Collection({{"CUIT", "30-1"}, {"ADUANA", "001", "Buenos Aires"}});
  ASSERT_TRUE(Prepare("  B01 B22   C3 "));
  EXPECT_EQ(error, "");
  EXPECT_THAT(declaration.Vars(),
              ElementsAre(Var{"CUIT", "30-1"}, Var{"ADUANA", "001", "Buenos Aires"},
                          Var{"IESPORIG", "AR"}, Var{"DDDTOFICIA", "20240229"},
                          Var{"CODBENEF", "B01"}, Var{"CODBENEF", "B22"},
                          Var{"CODBENEF", "C3"}));
  // The benefit codes carry an empty third field.
  EXPECT_TRUE(static_cast<MemoryVariable&>(*declaration.Items()[4]).ThirdSet());
  // Copies, not the host's own variables.
  EXPECT_NE(declaration.Items()[0], data.gen->GetItem(0));
}

TEST_F(Preparing, BenefitCodesAlreadyInTheDataAreNotAdded) {
  data.gen = Collection({{"DDDTOFICIA", "1"}, {"CODBENEF", "X9"}});
  ASSERT_TRUE(Prepare("B01 B22"));
  EXPECT_THAT(declaration.Vars(), ElementsAre(Var{"DDDTOFICIA", "1"}, Var{"CODBENEF", "X9"}));
}

TEST_F(Preparing, ThePositionCodeGivesItsChapterHeadingSubheadingAndNomenclature) {
  struct Case {
    std::string position;
    std::string chapter, heading, subheading, nomenclature;
  };
  const Case cases[] = {
      {"8471.30.12.000", "84", "84.71", "8471.30", "8471.30.12"},
      {"0101.21.00.100X", "01", "01.01", "0101.21", "0101.21.00"},
      // Short codes give what they have.
      {"847", "84", "84.7", "847", "847"},
      {"8", "8", "8.", "8", "8"},
      {"", "", ".", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    data.gen = Collection({{"IESPNCE", c.position}, {"DDDTOFICIA", "1"}});
    ASSERT_TRUE(Prepare());
    EXPECT_THAT(declaration.Vars(),
                ElementsAre(Var{"IESPNCE", c.position}, Var{"DDDTOFICIA", "1"},
                            Var{"IESPCAP", c.chapter}, Var{"IESPPART", c.heading},
                            Var{"IESPSUBP", c.subheading}, Var{"IESPNCM", c.nomenclature}));
  }
}

TEST_F(Preparing, WithoutTheDateItFailsInTheLanguageOfLang) {
  data.art = Collection({{"IESPNCE", "8471.30.12.000"}});
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(error, "ERROR : La fecha es un dato primordial para el tratamiento y no fue enviada...");
  // The steps before the check were done.
  EXPECT_EQ(declaration.Vars().size(), 5u);
  lang = 1;
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(error,
            "ERREUR : La date est une donn\xE9" "e essentielle pour le traitement et n'a pas "
            "\xE9t\xE9 envoy\xE9" "e...");
}

TEST_F(Preparing, AVariableThatCannotBeCreatedFailsIt) {
  data.gen = Collection({{"DDDTOFICIA", "1"}, {"IESPNCE", "8471.30.12.000"}});
  for (int left : {0, 1, 2, 4}) {
    SCOPED_TRACE(left);
    components.FailVariablesAfter(left, -2147024882);
    EXPECT_FALSE(Prepare("B1 B2"));
    EXPECT_EQ(error, "Error al crear una instancia de IVar");
  }
}

TEST_F(Preparing, DumpsEveryComponentAndTheBenefits) {
  data.art = Collection({{"A1", "x"}, {"DDDTOFICIA", "20240229"}});
  data.infcom = Collection({{"PESO", "10"}});
  data.mdes = Collection({{"MARCA", "ACME", "Maquinas"}, {"SIN", ""}});
  ASSERT_TRUE(Prepare("B1 B2"));
  EXPECT_EQ(Dump("art.trc"), "\tA1 = x\n\tDDDTOFICIA = 20240229\n");
  // The declaration as it is before the position parts are added.
  EXPECT_EQ(Dump("dec.trc"),
            "\tA1 = x\n\tDDDTOFICIA = 20240229\n\tCODBENEF = B1\n\tCODBENEF = B2\n");
  EXPECT_EQ(Dump("com.trc"), "\tPESO = 10\n");
  EXPECT_EQ(Dump("marca.trc"), "\tMARCA = ACME (Maquinas)\n\tSIN = \n");
  // An unset component leaves its dump empty.
  EXPECT_EQ(Dump("suf.trc"), "");
  EXPECT_EQ(Dump("ven.trc"), "ventajas = B1 B2\n");
  lang = 1;
  ASSERT_TRUE(Prepare("B1"));
  EXPECT_EQ(Dump("ven.trc"), "avantages = B1\n");
}

TEST_F(Preparing, DumpsThatCannotBeWrittenAreSkippedAndComponentErrorsShown) {
  files.Deny("T:\\");
  data.art = Collection({{"DDDTOFICIA", "1"}});
  ASSERT_TRUE(Prepare());
  EXPECT_THAT(files.Files(), IsEmpty());

  MemoryTraceFiles writable;
  data.infcom = Collection({{"PESO", "10"}, {"BULTOS", "2"}});
  static_cast<MemoryVariable&>(*data.infcom->GetItem(1)).FailReads("Servidor RPC no disponible");
  Preparation preparation{components, writable, user, kHostWindow, 0, "T:\\"};
  ASSERT_TRUE(PrepareDeclaration(declaration, data, "", preparation, &error));
  ASSERT_EQ(user.Boxes().size(), 1u);
  EXPECT_EQ(user.Boxes()[0].text, "Servidor RPC no disponible");
  EXPECT_EQ(user.Boxes()[0].caption, "DEBUG");
  EXPECT_EQ(user.Boxes()[0].owner, kHostWindow);
  EXPECT_EQ(writable.Content("T:\\com.trc"), "\tPESO = 10\n");
  // The other dumps were written.
  EXPECT_EQ(writable.Content("T:\\art.trc"), "\tDDDTOFICIA = 1\n");
}

TEST_F(Preparing, AComponentErrorWhileCopyingFailsIt) {
  data.gen = Collection({{"DDDTOFICIA", "1"}});
  static_cast<MemoryVariable&>(*data.gen->GetItem(0)).FailReads("Acceso denegado");
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(error, "Acceso denegado");
}

TEST(ControlStrings, LangPicksTheBlockAndBothBlocksAreComplete) {
  EXPECT_EQ(LoadControlString(ids::kYes, 0), "SI");
  EXPECT_EQ(LoadControlString(ids::kNo, 0), "NO");
  EXPECT_EQ(LoadControlString(ids::kYes, 1), "OUI");
  EXPECT_EQ(LoadControlString(ids::kNo, 1), "NON");
  EXPECT_EQ(LoadControlString(ids::kYes, -1), "SI");
  EXPECT_EQ(LoadControlString(ids::kYes, 2), "SI");
  EXPECT_EQ(LoadControlString(ids::kRulesExecuted, 0), "Reglas ejecutadas por el tarifex  :");
  EXPECT_EQ(LoadControlString(ids::kSessionErrorDetails, 0),
            "%s %s\nError N\xBA :[%d]\nFuncion: %s\nError: %s\nCausa: %s");
  EXPECT_EQ(LoadControlString(ids::kSummaryLiquidation, 0), "Liquidaci\xF3n:");
  // Identifiers below 2000 are not shifted.
  EXPECT_EQ(LoadControlString(ids::kDispatcher, 1), "DISPATCHER");
  EXPECT_EQ(LoadControlString(1999, 1), "");

  // Every Spanish text has its French one and the same inserts, and every
  // text keeps to the code page.
  int spanish = 0;
  for (int id = 2000; id < 3000; ++id) {
    const std::string es = LoadControlString(id, 0);
    const std::string fr = LoadControlString(id, 1);
    EXPECT_EQ(es.empty(), fr.empty()) << id;
    if (es.empty()) continue;
    ++spanish;
    auto inserts = [](const std::string& text) {
      std::string found;
      for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%') found += text[++i];
      }
      return found;
    };
    EXPECT_EQ(inserts(es), inserts(fr)) << id;
    EXPECT_EQ(es.find('?'), std::string::npos) << id;
    EXPECT_EQ(fr.find('?'), std::string::npos) << id;
  }
  // 40 texts of the run and 12 of the control's dialogs and about box.
  EXPECT_EQ(spanish, 52);
}

TEST(ControlStrings, FormattingFillsInsertsAndNeverReadsTextsAsPatterns) {
  EXPECT_EQ(FormatControlText("HOST - %s - %s / id = %s", {"a", "b", "c"}), "HOST - a - b / id = c");
  EXPECT_EQ(FormatControlText("Error [%ld] %d%%", {-2147221164LL, 7LL}),
            "Error [-2147221164] 7%");
  EXPECT_EQ(FormatControlText("%s|%s|%s", {"%s%n%d", "x"}), "%s%n%d|x|");
  EXPECT_EQ(FormatControlText("%c%q%", {"abc"}), "a%q%");
  EXPECT_EQ(FormatControlText("N=%d", {"texto"}), "N=texto");
}

}  // namespace
}  // namespace korvex::tarifex
