// The supervisor's report: reading back the robot's journal files, the
// figures over a table of runs, the page, and kvxtool report's command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/journal_writer.h"
#include "tests/fakes/memory_registry.h"
#include "tools/kvxtool/journal_reader.h"
#include "tools/kvxtool/kvxtool.h"
#include "tools/kvxtool/report_command.h"
#include "tools/kvxtool/validation_report.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using kvxtool::JournalEnd;

// --- names, days, numbers -------------------------------------------------------------

TEST(JournalName, OnlyTheRobotsNamesWithRealDates) {
  struct Case {
    const char16_t* name;
    bool journal;
    LocalTime start;
    const char16_t* identifier;
  };
  const Case cases[] = {
      {u"261208_211530_12001IC04000123@.csv", true, {2026, 12, 8, 21, 15, 30}, u"12001IC04000123@"},
      {u"000102_030405_IDENT.CSV", true, {2000, 1, 2, 3, 4, 5}, u"IDENT"},
      {u"240229_000000_IDENT.csv", true, {2024, 2, 29, 0, 0, 0}, u"IDENT"},  // a leap day
      {u"250229_000000_IDENT.csv", false, {}, u""},                          // not one
      {u"261308_211530_IDENT.csv", false, {}, u""},                          // month 13
      {u"261208_241530_IDENT.csv", false, {}, u""},                          // hour 24
      {u"261208_211530_.csv", false, {}, u""},                               // no identifier
      {u"261208-211530_IDENT.csv", false, {}, u""},
      {u"261208_211530_IDENT.txt", false, {}, u""},
      {u"notas.csv", false, {}, u""},
      {u"", false, {}, u""},
  };
  for (const Case& c : cases) {
    const auto name = kvxtool::ParseJournalName(c.name);
    ASSERT_EQ(name.has_value(), c.journal) << ToUtf8(c.name);
    if (!name) continue;
    EXPECT_EQ(name->start.year, c.start.year);
    EXPECT_EQ(name->start.month, c.start.month);
    EXPECT_EQ(name->start.day, c.start.day);
    EXPECT_EQ(name->start.hour, c.start.hour);
    EXPECT_EQ(name->start.minute, c.start.minute);
    EXPECT_EQ(name->start.second, c.start.second);
    EXPECT_EQ(name->identifier, c.identifier);
  }
}

TEST(ReportDay, DayFirstOrIsoAndRealDatesOnly) {
  using kvxtool::Day;
  EXPECT_EQ(kvxtool::ParseDay(u"02/03/2026"), (Day{2026, 3, 2}));
  EXPECT_EQ(kvxtool::ParseDay(u"2026-03-02"), (Day{2026, 3, 2}));
  EXPECT_EQ(kvxtool::ParseDay(u"29/02/2024"), (Day{2024, 2, 29}));
  for (const char16_t* bad : {u"29/02/2025", u"31/04/2026", u"2/3/2026", u"02-03-2026", u"2026/03/02",
                              u"00/01/2026", u"ayer", u"", u"02/03/20２6"}) {
    EXPECT_EQ(kvxtool::ParseDay(bad), std::nullopt) << ToUtf8(bad);
  }
}

TEST(ReportNumbers, SpanishForms) {
  EXPECT_EQ(kvxtool::SpanishInteger(0), "0");
  EXPECT_EQ(kvxtool::SpanishInteger(999), "999");
  EXPECT_EQ(kvxtool::SpanishInteger(1000), "1.000");
  EXPECT_EQ(kvxtool::SpanishInteger(1234567), "1.234.567");
  EXPECT_EQ(kvxtool::SpanishDecimal(1234.56, 1), "1.234,6");
  EXPECT_EQ(kvxtool::SpanishDecimal(0.04, 1), "0,0");
  EXPECT_EQ(kvxtool::SpanishPercent(5, 12), "41,7 %");
  EXPECT_EQ(kvxtool::SpanishPercent(12, 12), "100,0 %");
  EXPECT_EQ(kvxtool::SpanishPercent(0, 12), "0,0 %");
  EXPECT_EQ(kvxtool::SpanishPercent(0, 0), "—");
  // Nearly all is not all, nearly nothing is not nothing.
  EXPECT_EQ(kvxtool::SpanishPercent(19999, 20000), "99,9 %");
  EXPECT_EQ(kvxtool::SpanishPercent(1, 20000), "0,1 %");
}

// --- one file -------------------------------------------------------------------------

const std::string kOpening = "\"Se ha activado el perfil \"\"P\"\"\"\r\n";
const std::string kHeader =
    "\"Item #\";\"Tipo de acci\xF3n\";\"Tipo de respuesta\";\"Pregunta o mensaje\";\"Respuesta\"\r\n";
const std::string kConcluded = "\"La validaci\xF3n total de \xEDtems ha conclu\xED" "do.\"\r\n";

TEST(ReadJournal, TheLinesAsTheRobotWritesThem) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t items, dialogs, automatic, unreadable;
    JournalEnd end;
    bool truncated;
    std::vector<std::string> manual;  // content | answer, UTF-8
  };
  const Case cases[] = {
      {"a whole run",
       kOpening + kHeader + "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"Sin origen\"\r\n" +
           "\"2\";\"Pregunta\";\"Manual\";\"\xBF" "Sigue?\";\"Presionar S\xED\"\r\n" + kConcluded,
       2, 2, 1, 0, JournalEnd::kConcluded, false, {"¿Sigue?|Presionar Sí"}},
      {"separators, quotes and line breaks inside fields",
       kOpening + "\"7\"|\"Mensaje\"|\"Manual\"|\"a|b \"\"c\"\"\r\nd\"\r\n",
       1, 1, 0, 0, JournalEnd::kOpen, false, {"a|b \"c\"\nd|"}},
      {"the separator changes between lines",
       kOpening + "\"1\";\"Mensaje\";\"Manual\";\"uno\"\r\n\"2\",\"Mensaje\",\"Manual\",\"dos\"\r\n",
       2, 2, 0, 0, JournalEnd::kOpen, false, {"uno|", "dos|"}},
      {"LF line ends are read too",
       "\"Se ha activado el perfil \"\"P\"\"\"\n\"1\";\"Mensaje\";\"Manual\";\"uno\"\n", 1, 1, 0, 0,
       JournalEnd::kOpen, false, {"uno|"}},
      {"a question again for the same item replaces the earlier record",
       kOpening + "\"3\";\"Pregunta\";\"Autom\xE1tica\";\"Q\";\"Presionar No\"\r\n" +
           "\"3\";\"Pregunta\";\"Manual\";\"Q\";\"Presionar S\xED\"\r\n" +
           "\"4\";\"Pregunta\";\"Autom\xE1tica\";\"Q\";\"Presionar No\"\r\n" +
           "\"4\";\"Mensaje\";\"Autom\xE1tica\";\"M\"\r\n\"4\";\"Mensaje\";\"Autom\xE1tica\";\"M\"\r\n",
       2, 4, 3, 0, JournalEnd::kOpen, false, {"Q|Presionar Sí"}},
      {"lines that are none of the journal's are counted and passed over",
       kOpening + "\"1\";\"Mensaje\";\"Otra\";\"x\"\r\n" + "\"70000\";\"Mensaje\";\"Manual\";\"x\"\r\n" +
           "\"1\";\"Pregunta\";\"Manual\";\"sin respuesta\"\r\n" + "basura sin comillas\r\n" +
           "\"1\";\"Mensaje\";\"Manual\";\"x\"|\"y\"\r\n" + "\"una l\xEDnea suelta\"\r\n" +
           "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"bien\"\r\n" +
           "\"El robot ha sido desconectado de la validaci\xF3n total de \xEDtems.\"\r\n",
       1, 1, 1, 6, JournalEnd::kDisconnected, false, {}},
      {"a double quote as separator (the configuration allows it) makes lines no one can split",
       kOpening + "\"1\"\"\"Mensaje\"\"\"Manual\"\"\"x\"\r\n" + "\"2\";\"Mensaje\";\"Manual\";\"y\"\r\n", 1, 1, 0, 1,
       JournalEnd::kOpen, false, {"y|"}},
      {"cut inside a field",
       kOpening + "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"uno\"\r\n\"2\";\"Pregunta\";\"Manual\";\"Q\";\"Presi",
       1, 1, 1, 0, JournalEnd::kOpen, true, {}},
      {"cut after the last field",
       kOpening + "\"1\";\"Mensaje\";\"Manual\";\"uno\"\r\n\"2\";\"Mensaje\";\"Manual\";\"dos\"", 1, 1, 0, 0,
       JournalEnd::kOpen, true, {"uno|"}},
      {"cut between the line's two ends",
       kOpening + "\"1\";\"Mensaje\";\"Manual\";\"uno\"\r", 0, 0, 0, 0, JournalEnd::kOpen, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const kvxtool::JournalReadResult read = kvxtool::ReadJournal(c.bytes);
    ASSERT_TRUE(read.run.has_value()) << ToUtf8(read.problem);
    const kvxtool::JournalRun& run = *read.run;
    EXPECT_THAT(run.profiles, ElementsAre(u"P"));
    EXPECT_EQ(run.items, c.items);
    EXPECT_EQ(run.dialogs, c.dialogs);
    EXPECT_EQ(run.automatic, c.automatic);
    EXPECT_EQ(run.unreadable_lines, c.unreadable);
    EXPECT_EQ(run.end, c.end);
    EXPECT_EQ(run.truncated, c.truncated);
    std::vector<std::string> manual;
    for (const auto& d : run.manual) manual.push_back(ToUtf8(d.content) + "|" + ToUtf8(d.answer));
    EXPECT_EQ(manual, c.manual);
  }
}

TEST(ReadJournal, ProfilesInOrderAndTheirNamesUnquoted) {
  const auto read = kvxtool::ReadJournal(
      "\"Se ha activado el perfil \"\"Aduana \"\"Norte\"\"\"\"\"\r\n"
      "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"uno\"\r\n"
      "\"Se ha activado el perfil \"\"Exportaci\xF3n\"\"\"\r\n"
      "\"2\";\"Mensaje\";\"Manual\";\"dos\"\r\n\"3\";\"Mensaje\";\"Autom\xE1tica\";\"tres\"\r\n");
  ASSERT_TRUE(read.run.has_value());
  EXPECT_THAT(read.run->profiles, ElementsAre(u"Aduana \"Norte\"", u"Exportación"));
  EXPECT_THAT(read.run->profile_dialogs, ElementsAre(1u, 2u));
  EXPECT_THAT(read.run->profile_automatic, ElementsAre(1u, 1u));
  EXPECT_EQ(read.run->manual.at(0).profile, 1u);
}

TEST(ReadJournal, WhatIsNotAJournalIsRefusedWithItsReason) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "vacío"},
      {"Fecha;Importe\r\n01/03;100\r\n", "no es un registro"},
      {kHeader + kOpening, "no es un registro"},
      {kConcluded, "no es un registro"},
      {"\"1\";\"Mensaje\";\"Manual\";\"uno\"\r\n", "no es un registro"},
      {"\"Se ha activado el perfil \"\"P", "termina antes"},
      {std::string("\0\0\0\xFF", 4), "no es un registro"},
  };
  for (const auto& [bytes, reason] : cases) {
    const auto read = kvxtool::ReadJournal(bytes);
    EXPECT_FALSE(read.run.has_value());
    EXPECT_THAT(ToUtf8(read.problem), HasSubstr(reason));
  }
}

// --- a table of runs ------------------------------------------------------------------

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() / ("korvex-report-" + std::to_string(std::random_device{}()));
    folder = root / "registros";
    std::filesystem::create_directories(folder);
    clock.local = {2026, 3, 9, 18, 30, 0};
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  std::string Read(const std::filesystem::path& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path.u16string(), &bytes)) << path;
    return bytes;
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile((folder / name).u16string(), bytes));
  }

  // Five runs, two profiles, another separator, one truncated, one not a
  // journal, one empty, and a file of another name.
  void WriteTheOffice() {
    testing::JournalWriter w(folder.u16string());
    w.Begin({2026, 3, 2, 9, 15, 0}, u"Aduana Norte", u"12001IC04000123@");
    w.Question(true, 1, u"¿Continuar?, Validación", u"Presionar Sí");
    w.Message(true, 1, u"Sin origen, Aviso");
    w.Question(false, 2, u"Valor FOB, Dato", u"Ingresar '10'");
    w.Message(false, 3, u"Falta certificado, Aviso");
    w.End();

    w.SetSeparator(u"|");
    w.Begin({2026, 3, 3, 10, 10, 0}, u"Exportaciones", u"IDENT");
    w.Question(true, 5, u"A|B\ncon salto", u"Presionar Sí");
    w.Question(false, 5, u"Valor FOB, Dato", u"Ingresar '12'");
    w.Question(true, 6, u"¿Continuar?, Validación", u"Presionar No");
    w.Question(false, 6, u"¿Continuar?, Validación", u"Presionar Sí");  // the host refused the stored answer
    w.End(true);

    w.SetSeparator(u"");
    w.Begin({2026, 3, 4, 8, 0, 0}, u"Aduana Norte", u"IDENT");
    w.Message(true, 1, u"Sin origen, Aviso");
    w.SetSeparator(u",");
    w.Choose(u"Exportaciones");
    w.Question(false, 2, u"Valor FOB, Dato", u"Ingresar '10'");
    w.Message(false, 2, u"<script>alert(1)</script>");
    w.End();

    w.SetSeparator(u"");
    const Text cut = w.Begin({2026, 3, 5, 12, 0, 0}, u"Aduana Norte", u"IDENT");
    w.Question(true, 1, u"¿Continuar?, Validación", u"Presionar Sí");
    w.Question(true, 2, u"Precio", u"Presionar Sí");
    w.Stop();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(cut, &bytes));
    ASSERT_TRUE(WriteWholeFile(cut, bytes.substr(0, bytes.size() - 5)));

    w.Begin({2026, 3, 1, 23, 59, 59}, u"Aduana Norte", u"IDENT");
    w.Message(false, 9, u"Aviso previo");
    w.End();

    Write("260306_000000_IDENT.csv", "Fecha;Importe\r\n01/03;100\r\n");
    Write("260307_090000_IDENT.csv", "");
    Write("notas.csv", "no se lee");
  }

  kvxtool::ValidationReport Build(const kvxtool::ReportOptions& options = {}) {
    kvxtool::ValidationReportBuilder builder(options);
    std::vector<Text> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().u16string());
    }
    std::sort(names.begin(), names.end());
    for (const Text& name : names) {
      if (builder.Wants(name)) builder.AddFile(folder.u16string(), name, Read(folder / name));
    }
    return builder.Finish({folder.u16string()});
  }

  int Run(std::vector<Text> args) {
    env = {};
    env.clock = &clock;
    env.registry = registry;
    const int status = kvxtool::Run(args, env);
    return status;
  }

  std::filesystem::path root, folder;
  SettableClock clock;
  testing::MemoryRegistry* registry = nullptr;
  kvxtool::Environment env;
};

TEST_F(ReportTest, TheFiguresOfATableOfRuns) {
  WriteTheOffice();
  const kvxtool::ValidationReport report = Build();

  struct RunFigures {
    const char* file;
    std::vector<Text> profiles;
    std::size_t items, dialogs, automatic;
    JournalEnd end;
    bool truncated;
  };
  const RunFigures runs[] = {
      {"260301_235959_IDENT.csv", {u"Aduana Norte"}, 1, 1, 0, JournalEnd::kConcluded, false},
      {"260302_091500_12001IC04000123@.csv", {u"Aduana Norte"}, 3, 4, 2, JournalEnd::kConcluded, false},
      {"260303_101000_IDENT.csv", {u"Exportaciones"}, 2, 3, 1, JournalEnd::kDisconnected, false},
      {"260304_080000_IDENT.csv", {u"Aduana Norte", u"Exportaciones"}, 2, 3, 1, JournalEnd::kConcluded, false},
      {"260305_120000_IDENT.csv", {u"Aduana Norte"}, 1, 1, 1, JournalEnd::kOpen, true},
  };
  ASSERT_EQ(report.runs.size(), std::size(runs));
  for (std::size_t i = 0; i < std::size(runs); ++i) {
    SCOPED_TRACE(runs[i].file);
    const kvxtool::ReportRun& r = report.runs[i];
    EXPECT_EQ(ToUtf8(r.file_name), runs[i].file);
    EXPECT_EQ(r.run.profiles, runs[i].profiles);
    EXPECT_EQ(r.run.items, runs[i].items);
    EXPECT_EQ(r.run.dialogs, runs[i].dialogs);
    EXPECT_EQ(r.run.automatic, runs[i].automatic);
    EXPECT_EQ(r.run.end, runs[i].end);
    EXPECT_EQ(r.run.truncated, runs[i].truncated);
    EXPECT_EQ(r.run.unreadable_lines, 0u);
  }
  EXPECT_EQ(report.dialogs, 12u);
  EXPECT_EQ(report.automatic, 5u);

  ASSERT_EQ(report.profiles.size(), 2u);
  EXPECT_EQ(report.profiles[0].name, u"Aduana Norte");
  EXPECT_EQ(report.profiles[0].runs, 4u);
  EXPECT_EQ(report.profiles[0].dialogs, 7u);
  EXPECT_EQ(report.profiles[0].automatic, 4u);
  EXPECT_EQ(report.profiles[1].name, u"Exportaciones");
  EXPECT_EQ(report.profiles[1].runs, 2u);
  EXPECT_EQ(report.profiles[1].dialogs, 5u);
  EXPECT_EQ(report.profiles[1].automatic, 1u);

  // What a person answered, most often first, with its runs (by their
  // place in time) and its answers.
  std::vector<std::string> manual;
  for (const auto& m : report.manual) {
    std::string line = (m.message ? "M " : "Q ") + ToUtf8(m.content) + " x" + std::to_string(m.count) + " runs";
    for (std::size_t r : m.runs) line += " " + std::to_string(r);
    for (const auto& [answer, n] : m.answers) line += " [" + ToUtf8(answer) + " x" + std::to_string(n) + "]";
    manual.push_back(line);
  }
  EXPECT_THAT(manual, ElementsAre("Q Valor FOB, Dato x3 runs 1 2 3 [Ingresar '10' x2] [Ingresar '12' x1]",
                                  "Q ¿Continuar?, Validación x1 runs 2 [Presionar Sí x1]",
                                  "M <script>alert(1)</script> x1 runs 3", "M Aviso previo x1 runs 0",
                                  "M Falta certificado, Aviso x1 runs 1"));

  ASSERT_EQ(report.skipped.size(), 2u);
  EXPECT_EQ(report.skipped[0].file_name, u"260306_000000_IDENT.csv");
  EXPECT_THAT(ToUtf8(report.skipped[0].reason), HasSubstr("no es un registro"));
  EXPECT_EQ(report.skipped[1].file_name, u"260307_090000_IDENT.csv");
  EXPECT_THAT(ToUtf8(report.skipped[1].reason), HasSubstr("vacío"));
}

TEST_F(ReportTest, ThePeriodLeavesOutTheRunsBeganOutsideIt) {
  WriteTheOffice();
  struct Case {
    std::optional<kvxtool::Day> from, to;
    std::size_t runs, dialogs, automatic, skipped;
  };
  const Case cases[] = {
      {kvxtool::Day{2026, 3, 2}, std::nullopt, 4, 11, 5, 2},
      {std::nullopt, kvxtool::Day{2026, 3, 1}, 1, 1, 0, 0},
      {kvxtool::Day{2026, 3, 3}, kvxtool::Day{2026, 3, 4}, 2, 6, 2, 0},
      {kvxtool::Day{2027, 1, 1}, std::nullopt, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    kvxtool::ReportOptions options;
    options.from = c.from;
    options.to = c.to;
    const auto report = Build(options);
    EXPECT_EQ(report.runs.size(), c.runs);
    EXPECT_EQ(report.dialogs, c.dialogs);
    EXPECT_EQ(report.automatic, c.automatic);
    EXPECT_EQ(report.skipped.size(), c.skipped);
  }
}

TEST_F(ReportTest, ThePageCarriesTheFiguresAndNothingItDidNotMean) {
  WriteTheOffice();
  kvxtool::ReportOptions options;
  options.seconds_per_answer = 720;  // 5 automatic answers: one hour
  const std::string page = kvxtool::RenderReportPage(Build(options), options, clock.local);
  EXPECT_THAT(page, HasSubstr("<html lang=\"es\">"));
  EXPECT_THAT(page, HasSubstr("id=\"resumen-periodo\">del 01/03/2026 al 05/03/2026<"));
  EXPECT_THAT(page, HasSubstr("id=\"resumen-ejecuciones\">5<"));
  EXPECT_THAT(page, HasSubstr("id=\"resumen-dialogos\">12<"));
  EXPECT_THAT(page, HasSubstr("id=\"resumen-automatico\">41,7 %<"));
  EXPECT_THAT(page, HasSubstr("id=\"resumen-horas\">1,0<"));
  EXPECT_THAT(page, HasSubstr("5 respuestas automáticas × 720 s"));
  EXPECT_THAT(page, HasSubstr("1 h 0 min"));
  EXPECT_THAT(page, HasSubstr("Generado el 09/03/2026 a las 18:30"));
  EXPECT_THAT(page, HasSubstr("<td>Aduana Norte, Exportaciones</td>"));
  EXPECT_THAT(page, HasSubstr("Sin cierre; archivo cortado"));
  EXPECT_THAT(page, HasSubstr("260306_000000_IDENT.csv"));
  EXPECT_THAT(page, HasSubstr("Diálogos respondidos por ejecución"));
  // The journal's texts are shown, never obeyed; the page runs no script and
  // fetches nothing.
  EXPECT_THAT(page, HasSubstr("&lt;script&gt;alert(1)&lt;/script&gt;"));
  EXPECT_THAT(page, Not(HasSubstr("<script")));
  EXPECT_THAT(page, Not(HasSubstr("http:")));
  EXPECT_THAT(page, Not(HasSubstr("https:")));
  EXPECT_THAT(page, Not(HasSubstr(" src=")));
  EXPECT_THAT(page, Not(HasSubstr(" href=")));
}

TEST_F(ReportTest, ManyRunsAreChartedByDayThenByMonth) {
  kvxtool::ValidationReportBuilder by_day({});
  kvxtool::ValidationReportBuilder by_month({});
  const std::string journal = kOpening + "\"1\";\"Mensaje\";\"Autom\xE1tica\";\"uno\"\r\n";
  for (int i = 0; i < 41; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "2603%02d_%02d0000_IDENT.csv", 1 + i % 20, i / 20);
    by_day.AddFile(u"f", FromUtf8(name), journal);
    std::snprintf(name, sizeof name, "%02d%02d01_000000_IDENT.csv", 24 + i / 12, 1 + i % 12);
    by_month.AddFile(u"f", FromUtf8(name), journal);
  }
  const std::string days = kvxtool::RenderReportPage(by_day.Finish({u"f"}), {}, clock.local);
  EXPECT_THAT(days, HasSubstr("Diálogos respondidos por día"));
  EXPECT_THAT(days, HasSubstr("<title>20/03/2026, 2 ejecuciones: 2 automáticos, 0 manuales</title>"));
  const std::string months = kvxtool::RenderReportPage(by_month.Finish({u"f"}), {}, clock.local);
  EXPECT_THAT(months, HasSubstr("Diálogos respondidos por mes"));
  EXPECT_THAT(months, HasSubstr("<title>05/2027, 1 ejecución: 1 automáticos, 0 manuales</title>"));
}

// --- the command ----------------------------------------------------------------------

TEST_F(ReportTest, TheCommandWritesThePageAndNamesWhatItSkipped) {
  WriteTheOffice();
  const std::filesystem::path page = root / "informe.html";
  ASSERT_EQ(Run({u"report", folder.u16string(), u"-o", page.u16string(), u"--desde", u"02/03/2026",
                 u"--segundos", u"30"}),
            0)
      << env.err;
  EXPECT_EQ(env.out, ToUtf8(page.u16string()) + "\t4 ejecuciones\t11 diálogos\t2 no leídos\n");
  EXPECT_THAT(env.err, HasSubstr("260306_000000_IDENT.csv: no es un registro"));
  EXPECT_THAT(env.err, HasSubstr("260307_090000_IDENT.csv: el archivo está vacío"));
  const std::string html = Read(page);
  EXPECT_THAT(html, HasSubstr("id=\"resumen-periodo\">del 02/03/2026 al 05/03/2026<"));
  EXPECT_THAT(html, HasSubstr("5 respuestas automáticas × 30 s"));

  // Without -o the page is the output; one folder named twice is read once.
  ASSERT_EQ(Run({u"report", folder.u16string(), (folder / ".").u16string()}), 0);
  EXPECT_EQ(env.out.substr(0, 15), "<!DOCTYPE html>");
  EXPECT_THAT(env.out, HasSubstr("id=\"resumen-ejecuciones\">5<"));
}

TEST_F(ReportTest, BadInputGetsAClearErrorAndWritesNothing) {
  WriteTheOffice();
  const std::filesystem::path page = root / "informe.html";
  ASSERT_TRUE(WriteWholeFile(page.u16string(), "el informe anterior"));
  const Text missing = (root / "no-existe").u16string();
  struct Case {
    std::vector<Text> args;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {{u"report", missing, u"-o", page.u16string()}, 1, "no se puede leer la carpeta"},
      {{u"report", folder.u16string(), missing, u"-o", page.u16string()}, 1, "no se puede leer la carpeta"},
      {{u"report", folder.u16string(), u"-o", page.u16string(), u"--desde", u"31/02/2026"}, 2, "fecha no válida"},
      {{u"report", folder.u16string(), u"-o", page.u16string(), u"--desde", u"05/03/2026", u"--hasta",
        u"01/03/2026"},
       2, "anterior"},
      {{u"report", folder.u16string(), u"-o", page.u16string(), u"--segundos", u"0"}, 2, "--segundos"},
      {{u"report", folder.u16string(), u"-o", page.u16string(), u"--segundos", u"8s"}, 2, "--segundos"},
      {{u"report", folder.u16string(), u"-o"}, 2, "falta el valor de -o"},
      {{u"report", folder.u16string(), u"--todo"}, 2, "opción desconocida"},
      // The configured folder is in the registry, which the native build lacks.
      {{u"report", u"-o", page.u16string()}, 1, "registro"},
      // --abrir needs the user's documents when no -o is given.
      {{u"report", folder.u16string(), u"--abrir"}, 1, "documentos"},
      // The page's folder does not exist.
      {{u"report", folder.u16string(), u"-o", (root / "no-existe" / "x.html").u16string()}, 1, "no se pudo escribir"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.args.back()));
    EXPECT_EQ(Run(c.args), c.status);
    EXPECT_THAT(env.err, HasSubstr(c.message));
    EXPECT_EQ(env.out, "");
    EXPECT_EQ(Read(page), "el informe anterior");
  }
}

TEST_F(ReportTest, FromTheStartMenuTheConfiguredFolderToTheDocumentsAndTheBrowser) {
  WriteTheOffice();
  testing::MemoryRegistry store;
  store.SetString(u"Software\\Norvane\\KORVEX\\Settings", u"LogDir", folder.u16string());
  registry = &store;
  const std::filesystem::path documents = root / "Documentos";
  std::filesystem::create_directories(documents);
  std::vector<Text> opened;
  std::vector<std::string> alerts;
  bool open_works = true;
  auto run = [&](std::vector<Text> args) {
    env = {};
    env.clock = &clock;
    env.registry = registry;
    env.documents = [&] { return documents.u16string(); };
    env.open = [&](const Text& path) {
      opened.push_back(path);
      return open_works;
    };
    env.alert = [&](const std::string& message) { alerts.push_back(message); };
    return kvxtool::Run(args, env);
  };
  const std::filesystem::path page = documents / "Informe de validaciones.html";
  ASSERT_EQ(run({u"report", u"--abrir"}), 0) << env.err;
  EXPECT_THAT(opened, ElementsAre(page.u16string()));
  EXPECT_THAT(Read(page), HasSubstr("id=\"resumen-ejecuciones\">5<"));
  EXPECT_TRUE(alerts.empty());

  // A browser that does not open: the page is there, the person is told.
  open_works = false;
  EXPECT_EQ(run({u"report", u"--abrir"}), 1);
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0], "El informe quedó en " + ToUtf8(page.u16string()) +
                           ", pero no se pudo abrir en el navegador.");

  // A log folder that does not exist yet (no run so far): said in a box.
  store.SetString(u"Software\\Norvane\\KORVEX\\Settings", u"LogDir", (root / "nada").u16string());
  alerts.clear();
  EXPECT_EQ(run({u"report", u"--abrir"}), 1);
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_THAT(alerts[0], ::testing::StartsWith("No se pudo preparar el informe de validaciones.\n\n"
                                              "No se puede leer la carpeta "));
}

}  // namespace
}  // namespace korvex
