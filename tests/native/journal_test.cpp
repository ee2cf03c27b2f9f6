// Settings, the CSV stream, its separator, and the validation journal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/file_io.h"
#include "platform/regional.h"
#include "robot/common/robot_strings.h"
#include "robot/common/settings.h"
#include "robot/journal/csv_stream.h"
#include "robot/journal/vti_actions.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/memory_registry.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::MemoryRegistry;
using ::testing::ElementsAre;
using ::testing::Pair;

TEST(Settings, DefaultsWhenAbsentAndWrittenValuesAtTheNextRead) {
  MemoryRegistry registry;
  Text directory = u"C:\\Programas\\KORVEX";
  Settings settings(registry, [&] { return directory; });
  EXPECT_EQ(settings.LogDir(), u"C:\\");
  EXPECT_EQ(settings.LogSeparator(), u"{{NO_SEPARATOR}}");
  EXPECT_EQ(settings.WavFile(), u"C:\\Programas\\KORVEX\\default.wav");
  EXPECT_FALSE(settings.UseAlarm());
  EXPECT_EQ(settings.AlarmTime(), 1u);
  EXPECT_FALSE(settings.AlarmMustLoop());
  EXPECT_EQ(settings.AlarmLoopTime(), 10u);
  EXPECT_TRUE(settings.ShowMascot());
  // The WavFile default follows the directory at the moment it is read.
  directory = Text(260, u'x');
  EXPECT_EQ(settings.WavFile(), u"\\default.wav");
  directory = u"";
  EXPECT_EQ(settings.WavFile(), u"\\default.wav");

  ASSERT_TRUE(settings.SetString(u"LogDir", u"D:\\Registros"));
  ASSERT_TRUE(settings.SetInt(u"AlarmTime", 3));
  ASSERT_TRUE(settings.SetInt(u"ShowMascot", 0));
  EXPECT_EQ(settings.LogDir(), u"D:\\Registros");
  EXPECT_EQ(settings.AlarmTime(), 3u);
  EXPECT_FALSE(settings.ShowMascot());
  EXPECT_THAT(registry.Strings(u"Software\\Norvane\\KORVEX\\Settings"),
              ElementsAre(Pair(u"LogDir", u"D:\\Registros")));

  // A value of the wrong type reads as absent.
  registry.SetString(u"Software\\Norvane\\KORVEX\\Settings", u"AlarmLoopTime", u"5");
  EXPECT_EQ(settings.AlarmLoopTime(), 10u);
}

// Writes one record and returns the text it gave.
template <typename... Fields>
Text Line(char16_t separator, const Fields&... fields) {
  StringTextOutput output;
  csvostream out(output, separator);
  (out << ... << fields) << csvendl;
  return output.text;
}

TEST(CsvStream, QuotingRules) {
  struct Case {
    Text written;
    const char16_t* expected;
  };
  const Case cases[] = {
      {Line(u';', u"a", u"b\"c", u""), u"\"a\";\"b\"\"c\";\"\"\n"},
      {Line(u';', u';'), u"\";\"\n"},
      {Line(u';', u' ', u'x'), u" ;x\n"},
      {Line(u';', u'"'), u"\"\"\"\"\n"},
      {Line(u';', static_cast<unsigned short>(7)), u"\"7\"\n"},
      {Line(u',', -12, 4000000000u, static_cast<short>(-3), true, false),
       u"\"-12\",\"4000000000\",\"-3\",\"1\",\"0\"\n"},
      {Line(u',', 2.5, 1.0 / 3.0, 1e20f), u"\"2.5\",\"0.333333\",\"1e+20\"\n"},
      {Line(u'|', u"a;b\nc"), u"\"a;b\nc\"\n"},  // nothing else is escaped
      {Line(u';'), u"\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.written, Text(c.expected));
}

TEST(CsvStream, CountedTextAndNewRecords) {
  StringTextOutput output;
  csvostream out(output, u';');
  const char16_t text[] = u"abcdef";
  out.write(text, 3);
  out << csvendl << u"x" << csvendl;
  EXPECT_EQ(output.text, u"\"abc\"\n\"x\"\n");
  EXPECT_EQ(output.flushes, 2);
}

TEST(CsvStream, SeparatorChoice) {
  struct Case {
    const char* name;
    std::optional<Text> setting;
    std::map<Text, Text> intl;
    char16_t expected;
  };
  const Case cases[] = {
      {"a bar setting wins", u"|", {{u"sList", u","}}, u'|'},
      {"first character of the setting", u"#;", {}, u'#'},
      {"no setting, nothing regional", std::nullopt, {}, u';'},
      {"the regional list", std::nullopt, {{u"sList", u"\t"}, {u"sDecimal", u"."}}, u'\t'},
      {"Chile", std::nullopt, {{u"sCountry", u"Chile"}, {u"sList", u","}, {u"sDecimal", u","}}, u','},
      {"España", std::nullopt, {{u"sCountry", u"España"}, {u"sList", u","}, {u"sDecimal", u","}}, u';'},
      {"Argentina", std::nullopt, {{u"sList", u","}, {u"sDecimal", u","}}, u';'},
      {"two characters", std::nullopt, {{u"sList", u";;"}, {u"sDecimal", u"."}}, u','},
      {"two characters against a comma decimal", std::nullopt,
       {{u"sCountry", u"Chile"}, {u"sList", u";;"}, {u"sDecimal", u","}}, u','},
      {"two characters against a comma decimal in Argentina", std::nullopt,
       {{u"sList", u";;"}, {u"sDecimal", u","}}, u';'},
      {"the explicit regional marker", u"{{NO_SEPARATOR}}", {{u"sList", u":"}}, u':'},
      {"an empty setting", u"", {{u"sList", u":"}}, u':'},
  };
  for (const Case& c : cases) {
    MemoryRegistry registry;
    Settings settings(registry);
    if (c.setting) settings.SetString(u"LogSeparator", *c.setting);
    FixedRegionalSettings regional;
    regional.intl = c.intl;
    EXPECT_EQ(GetLogSeparator(settings, regional), c.expected) << c.name;
  }
}

TEST(MessageFormat, InsertsAndSpecifiers) {
  EXPECT_EQ(FormatMessageText(u"Se ha activado el perfil \"%1\"", {Text(u"Uno")}),
            u"Se ha activado el perfil \"Uno\"");
  EXPECT_EQ(FormatMessageText(LoadRobotString(str::kValidatingItem),
                              {std::int64_t{7}, Text(u"P")}),
            u"Validando Item#0007 usando el perfil \"P\".");
  EXPECT_EQ(FormatMessageText(u"100%% %1 %2 %3%0resto", {Text(u"a")}), u"100% a %2 %3");
  EXPECT_EQ(FormatMessageText(u"%1!x!%n", {std::int64_t{255}}), u"ff\r\n");
  EXPECT_EQ(FormatMessageText(u"%1!.99999999999d!", {std::int64_t{5}}), u"5");  // refused specifier
}

TEST(RunIdentifier, FromTheCaptionsLastWord) {
  EXPECT_EQ(RunIdentifier(u"Declaración 12001IC04000123A@"), Text(u"IDENT"));  // 17 characters
  EXPECT_EQ(RunIdentifier(u"Validando Item 0042"), Text(u"IDENT"));
  EXPECT_EQ(RunIdentifier(u"Despacho 12001IC04000123@"), Text(u"12001IC04000123@"));
  EXPECT_EQ(RunIdentifier(u"Despacho 12001IC04000123X"), Text(u"IDENT"));
  EXPECT_EQ(RunIdentifier(u"SinEspacios"), std::nullopt);
  EXPECT_EQ(RunIdentifier(u""), std::nullopt);
  EXPECT_EQ(LogFileName({2026, 12, 8, 21, 15, 30}, u"IDENT"), u"261208_211530_IDENT.csv");
  EXPECT_EQ(LogFileName({2000, 1, 2, 3, 4, 5}, u"X"), u"000102_030405_X.csv");
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("korvex-journal-" + std::to_string(std::random_device{}())) / "sub" / "dir";
    settings.SetString(u"LogDir", folder.u16string());
    settings.SetString(u"LogSeparator", u";");
    clock.local = {2026, 12, 8, 21, 15, 30};
  }
  void TearDown() override {
    journal.Close(false);  // an open file cannot be removed on Windows
    std::error_code ignored;
    std::filesystem::remove_all(folder.parent_path().parent_path(), ignored);
  }

  std::string FileBytes() {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(journal.GetLogPath(), &bytes));
    return bytes;
  }

  FakeDesktop desk;
  MemoryRegistry registry;
  Settings settings{registry};
  FixedRegionalSettings regional;
  SettableClock clock;
  std::filesystem::path folder;
  CVTIActions journal{desk, settings, regional, clock};
  Hwnd host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"Dossa 12001IC04000123@"});
};

TEST_F(JournalTest, ARunWrittenByteForByte) {
  journal.Open(host, u"Aduana \"Norte\"");
  EXPECT_EQ(journal.GetLogName(), u"261208_211530_12001IC04000123@.csv");
  EXPECT_EQ(journal.GetLogPath(), folder.u16string() + kPathSeparator + journal.GetLogName());
  journal.AddMessage(true, 3, u"El ítem no tiene origen");
  journal.AddQuestion(false, 3, u"¿Continuar?, Pregunta", u"Presionar Sí");
  journal.AddQuestion(true, 3, u"¿Continuar?, Pregunta", u"Presionar No");  // replaces in memory
  journal.AddQuestion(true, 12, u"Precio €", u"Ingresar ' 5'");
  journal.Close(false);

  EXPECT_EQ(FileBytes(),
            "\"Se ha activado el perfil \"\"Aduana \"\"Norte\"\"\"\"\"\r\n"
            "\"Item #\";\"Tipo de acci\xF3n\";\"Tipo de respuesta\";\"Pregunta o mensaje\";\"Respuesta\"\r\n"
            "\"3\";\"Mensaje\";\"Autom\xE1tica\";\"El \xEDtem no tiene origen\"\r\n"
            "\"3\";\"Pregunta\";\"Manual\";\"\xBF" "Continuar?, Pregunta\";\"Presionar S\xED\"\r\n"
            "\"3\";\"Pregunta\";\"Autom\xE1tica\";\"\xBF" "Continuar?, Pregunta\";\"Presionar No\"\r\n"
            "\"12\";\"Pregunta\";\"Autom\xE1tica\";\"Precio ?\";\"Ingresar ' 5'\"\r\n"
            "\"La validaci\xF3n total de \xEDtems ha conclu\xED" "do.\"\r\n");
  EXPECT_EQ(journal.CountQuestions(), 2u);
  EXPECT_EQ(journal.CountMessages(), 1u);
  EXPECT_EQ(journal.Questions().at(3).at(u"¿Continuar?, Pregunta").m_answer, u"Presionar No");
  EXPECT_FALSE(journal.IsFileOpen());
}

TEST_F(JournalTest, DisconnectedClosingLineAndNoHeaderWithoutRecords) {
  journal.Open(host, u"P");
  journal.Close(true);
  journal.Close(true);  // no file: nothing more
  EXPECT_EQ(FileBytes(),
            "\"Se ha activado el perfil \"\"P\"\"\"\r\n"
            "\"El robot ha sido desconectado de la validaci\xF3n total de \xEDtems.\"\r\n");
}

TEST_F(JournalTest, ASecondOpenWhileOpenChangesNothing) {
  journal.OpenFile(host);
  const Text path = journal.GetLogPath();
  clock.local.second = 59;
  journal.OpenFile(host);
  EXPECT_EQ(journal.GetLogPath(), path);
}

TEST_F(JournalTest, NoFileWithoutASpaceInTheCaptionYetRecordsAreKept) {
  desk.Get(host).props.text = u"Dossa";
  journal.Open(host, u"P");
  EXPECT_FALSE(journal.IsFileOpen());
  EXPECT_EQ(journal.GetLogName(), u"");
  EXPECT_FALSE(std::filesystem::exists(folder));
  journal.AddMessage(false, 1, u"m");
  journal.AddQuestion(false, 1, u"q", u"a");
  EXPECT_EQ(journal.CountMessages(), 1u);
  EXPECT_EQ(journal.CountQuestions(), 1u);
  journal.OpenFile(kNoWindow);
  EXPECT_FALSE(journal.IsFileOpen());
}

TEST_F(JournalTest, SeparatorIsChosenForEveryLine) {
  journal.Open(host, u"P");
  journal.AddMessage(true, 1, u"uno");
  settings.SetString(u"LogSeparator", u"|");
  journal.AddMessage(true, 2, u"dos");
  journal.Close(false);
  const std::string bytes = FileBytes();
  EXPECT_NE(bytes.find("\"1\";\"Mensaje\""), std::string::npos);
  EXPECT_NE(bytes.find("\"2\"|\"Mensaje\""), std::string::npos);
}

TEST_F(JournalTest, RemoveQuestionForgetsTheRecordAndAnEmptyItem) {
  journal.AddQuestion(true, 5, u"q1", u"a");
  journal.AddQuestion(true, 5, u"q2", u"a");
  journal.RemoveQuestion(5, u"q1");
  EXPECT_EQ(journal.Questions().at(5).size(), 1u);
  journal.RemoveQuestion(5, u"q2");
  journal.RemoveQuestion(6, u"nada");
  EXPECT_TRUE(journal.Questions().empty());
  journal.AddMessage(true, 1, u"m");
  journal.Clear();
  EXPECT_EQ(journal.CountMessages(), 0u);
}

TEST_F(JournalTest, HeaderComesBackWithEachNewFile) {
  journal.Open(host, u"P");
  journal.AddMessage(true, 1, u"a");
  journal.Close(false);
  clock.local.minute = 16;
  journal.Open(host, u"P");
  journal.AddMessage(true, 2, u"b");
  journal.AddMessage(true, 3, u"c");
  journal.Close(false);
  const std::string bytes = FileBytes();
  EXPECT_EQ(bytes.find("\"Item #\""), bytes.rfind("\"Item #\""));  // exactly one header
  EXPECT_NE(bytes.find("\"Item #\""), std::string::npos);
}

}  // namespace
}  // namespace korvex
