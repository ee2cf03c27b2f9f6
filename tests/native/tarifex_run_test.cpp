// Whole runs of the tariff control against a scripted engine: the records
// sent, the command table, the consulting commands, the trace files and the
// ways a run ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>

#include "platform/trace.h"
#include "tarifex/control_strings.h"
#include "tarifex/tarifex_control.h"
#include "tests/fakes/tarifex_fakes.h"

namespace korvex::tarifex {
namespace {

using testing::Collection;
using testing::MemoryCollection;
using testing::MemoryComponents;
using testing::MemoryTraceFiles;
using testing::ScriptedControlUser;
using testing::ScriptedEngine;
using testing::ScriptedRobot;
using testing::TaxesOf;
using testing::Var;
using testing::VarsOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string S = "\x02";
const std::string L = "\x03";
const std::string B = "\x04";
const std::string kCancel = "\xFE";
constexpr Hwnd kHostWindow = 0x5150;
constexpr Hwnd kFocusWindow = 0x7007;
const std::string kPath = "D:\\trazas\\";

// A command as the engine writes it: mode L for one line, else mode B.
std::string Cmd(const std::string& name, std::vector<std::vector<std::string>> lines) {
  const RecordMode mode = lines.size() == 1 ? RecordMode::Line : RecordMode::Block;
  return *WriteRecord(name, mode, lines);
}

class TarifexRun : public ::testing::Test {
 protected:
  TarifexRun() {
    control.Properties().host = "motor.aduana";
    control.Properties().port = "7070";
    control.Properties().path_debug = kPath;
    control.SetDumpFolder("X:\\dumps\\");
    user.SetFocusWindow(kFocusWindow);
    // A declaration needs its date.
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  }

  // Runs with the engine's records and checks what every run must do.
  bool Run() {
    const bool done = control.ExecTarifex(kHostWindow);
    EXPECT_THAT(engine.Misuses(), IsEmpty());
    EXPECT_EQ(engine.Calls().front(), 193);
    EXPECT_EQ(engine.Calls().back(), 194);
    EXPECT_EQ(std::count(engine.Calls().begin(), engine.Calls().end(), 194), 1);
    EXPECT_EQ(user.Cursor(), "arrow");
    return done;
  }

  std::string File(const std::string& name) {
    return files.Content(kPath + name).value_or("(never opened)");
  }

  ScriptedEngine engine;
  MemoryComponents components;
  ScriptedRobot robot;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
};

TEST_F(TarifexRun, FirstRecordTxtOkSendsTheDataThenEndAndSucceeds) {
  engine.Reply("TXT_OK");
  ASSERT_TRUE(Run());
  EXPECT_EQ(control.MsgError(), "");
  EXPECT_EQ(engine.Host(), "motor.aduana");
  EXPECT_EQ(engine.Port(), "7070");
  EXPECT_THAT(engine.Sent(),
              ElementsAre("DBG" "(EOB=" + B + ",MOD=L,IFS=" + S + ",EOL=" + L + "):0" + L,
                          "UD(IFS=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + "):DDDTOFICIA" + S +
                              "20240131" + B,
                          "NOP:*", "NOP:*", "NOP:*",
                          "UBENEF(EOB=" + B + ",MOD=L,IFS=" + S + ",EOL=" + L + "):" + L,
                          "EA:*", "END:*"));
  // 193; the open and its bind; each send clears, puts and sends; one
  // receive; the close clears both messages; 194.
  std::vector<int> expected = {193, 142, 111};
  for (int i = 0; i < 7; ++i) expected.insert(expected.end(), {112, 115, 109});
  expected.insert(expected.end(), {112, 108, 114, 112, 115, 109, 112, 112, 110, 194});
  EXPECT_EQ(engine.Calls(), expected);
  EXPECT_TRUE(control.Results().IsOk());
  EXPECT_THAT(user.ShownList(), IsEmpty());
}

TEST_F(TarifexRun, RecordsCarryTheDebugFlagTheDataObjectsAndTheBenefits) {
  control.Properties().debug = true;
  control.SetData(TarifexControl::Data::InfCom,
                  Collection({{"PESO", "12,5"}, {"VACIO", ""}, {"MARCA", "ACME"}}));
  control.SetData(TarifexControl::Data::Suf, Collection({{"S1", "x" + L + "y"}}));
  control.SetData(TarifexControl::Data::MDes, std::make_shared<MemoryCollection>());
  control.AddBenef("B01");
  control.AddBenef("B22");
  engine.Reply("TXT_OK");
  ASSERT_TRUE(Run());
  const auto& sent = engine.Sent();
  ASSERT_EQ(sent.size(), 8u);
  EXPECT_EQ(sent[0], std::string("DBG(EOB=\x04,MOD=L,IFS=\x02,EOL=\x03):1\x03"));
  // Empty values go as "*", the last line ends the block; a separator
  // inside a value becomes a blank.
  EXPECT_EQ(sent[2], std::string("UC(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):PESO\x02" "12,5\x03"
                                 "VACIO\x02*\x03MARCA\x02" "ACME\x04"));
  EXPECT_EQ(sent[3], std::string("US(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):S1\x02x y\x04"));
  EXPECT_EQ(sent[4], "NOP:*");
  EXPECT_EQ(sent[5], std::string("UBENEF(EOB=\x04,MOD=L,IFS=\x02,EOL=\x03):B01 B22\x03"));
  // With Debug the end of the run is shown.
  ASSERT_EQ(user.Boxes().size(), 1u);
  EXPECT_EQ(user.Boxes()[0].owner, kHostWindow);
  EXPECT_EQ(user.Boxes()[0].text, "Presupuesto Disponible");
  EXPECT_EQ(user.Boxes()[0].caption, "ATENCION");
  EXPECT_EQ(user.Boxes()[0].type, 0x40u);
}

TEST_F(TarifexRun, TxtAnsweredByTheRobotRepliesWithoutADialogInTheLanguageOfLang) {
  struct Case {
    std::int16_t lang;
    int robot_answer;
    std::string reply;
    std::string caption;
  };
  const Case cases[] = {
      {0, 6, "SI", "Pregunta del tarifex"},
      {0, 7, "NO", "Pregunta del tarifex"},
      {1, 6, "OUI", "Question du tarifex"},
      {1, 7, "NON", "Question du tarifex"},
      {2, 6, "SI", "Pregunta del tarifex"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ScriptedEngine engine;
    ScriptedRobot robot;
    ScriptedControlUser user;
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    control.Properties().lang = c.lang;
    robot.AnswerYesNo(c.robot_answer);
    engine.ReplyAll(Cmd("TXT", {{"Desea continuar?"}}), "TXT_OK");
    ASSERT_TRUE(control.ExecTarifex(kHostWindow));
    EXPECT_THAT(engine.SentAfterStart(), ElementsAre(c.reply, "END:*"));
    EXPECT_THAT(user.ShownList(), IsEmpty());
    ASSERT_EQ(robot.Questions().size(), 1u);
    const auto& q = robot.Questions()[0];
    EXPECT_EQ(q.operation, "PreguntaSiNo");
    EXPECT_EQ(q.parent, kHostWindow);
    EXPECT_EQ(q.text, "Desea continuar?");
    EXPECT_EQ(q.caption, c.caption);
    EXPECT_EQ(q.type, 0x24u);
  }
}

TEST_F(TarifexRun, TxtWithoutTheRobotAsksWithAYesNoBox) {
  user.PressInBox(mb::kIdYes);
  user.PressInBox(mb::kIdNo);
  engine.ReplyAll(Cmd("TXT", {{"Primera?"}}), Cmd("TXT", {{"Segunda?"}}), "TXT_OK");
  ASSERT_TRUE(Run());
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("SI", "NO", "END:*"));
  const auto boxes = user.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].owner, kHostWindow);
  EXPECT_EQ(boxes[0].text, "Primera?");
  EXPECT_EQ(boxes[0].caption, "Pregunta del tarifex");
  EXPECT_EQ(boxes[0].type, 0x24u);
  EXPECT_EQ(robot.Questions().size(), 2u);
}

std::vector<std::string>& TraceLines() {
  static std::vector<std::string> lines;
  return lines;
}

TEST_F(TarifexRun, DmsgAcknowledgedShowsNoBoxAndSendsNothing) {
  TraceLines().clear();
  const TraceSink previous = SetTraceSink([](const char* line) {
    if (std::string_view(line).find("Dispatch") != std::string_view::npos) {
      TraceLines().push_back(line);
    }
  });
  robot.Acknowledge();
  engine.ReplyAll(Cmd("DMSG", {{"Verifique el origen"}}), Cmd("DMSG", {{"Otro aviso"}}), "TXT_OK");
  ASSERT_TRUE(Run());
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("END:*"));
  ASSERT_EQ(robot.Questions().size(), 2u);
  EXPECT_EQ(robot.Questions()[0].operation, "MensajeAlDespachante");
  EXPECT_EQ(robot.Questions()[0].caption, "Mensaje al declarante");
  EXPECT_EQ(robot.Questions()[0].type, 0x40u);
  // Only the second, which the robot did not acknowledge, is shown.
  const auto boxes = user.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Otro aviso");
  EXPECT_EQ(boxes[0].caption, "Mensaje al declarante");
  EXPECT_EQ(boxes[0].type, 0x40u);
  EXPECT_EQ(boxes[0].owner, kHostWindow);
  SetTraceSink(previous);
  EXPECT_THAT(TraceLines(),
              ElementsAre("CTarifexCtrl::DispatchDMSG() === TENGO RESPUESTA DEL ROBOT; NO MUESTRO "
                          "EL DIÁLOGO",
                          "CTarifexCtrl::DispatchDMSG() === NO TENGO RESPUESTA DEL ROBOT; PREGUNTO "
                          "AL USUARIO"));
}

TEST_F(TarifexRun, ComSendsTheRobotsValueOrTheDialogsAndNeverTheValueOfARefusal) {
  robot.AnswerText("1500");
  user.TypeValue("KG");
  engine.ReplyAll(Cmd("COM", {{"VALOR_FOB"}}), Cmd("COM", {{"UNIDAD"}}), "TXT_OK");
  control.Properties().lang = 1;
  ASSERT_TRUE(Run());
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("1500", "KG", "END:*"));
  ASSERT_EQ(user.ShownList().size(), 1u);
  EXPECT_EQ(user.ShownList()[0].what, "ComplementaryValue");
  EXPECT_EQ(user.ShownList()[0].text, "UNIDAD");
  EXPECT_EQ(user.ShownList()[0].owner, kHostWindow);
  EXPECT_EQ(user.ShownList()[0].lang, 1);
  EXPECT_EQ(robot.Questions()[1].text, "UNIDAD");
}

TEST_F(TarifexRun, ComAnsweredWithTheCancelMarkerEndsTheRunAfterSendingIt) {
  for (bool from_robot : {true, false}) {
    SCOPED_TRACE(from_robot ? "robot" : "dialog");
    ScriptedEngine engine;
    ScriptedRobot robot;
    ScriptedControlUser user;
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    if (from_robot) {
      robot.AnswerText(kCancel);
    } else {
      user.TypeValue(kCancel);
    }
    engine.ReplyAll(Cmd("COM", {{"VALOR_FOB"}}), Cmd("TXT", {{"never read"}}), "TXT_OK");
    EXPECT_FALSE(control.ExecTarifex(kHostWindow));
    EXPECT_EQ(control.MsgError(), "La ejecucion del tarifex ha sido cancelada por el usuario!!!");
    EXPECT_THAT(engine.SentAfterStart(), ElementsAre(kCancel));
    EXPECT_EQ(engine.Calls().back(), 194);
    EXPECT_THAT(engine.Misuses(), IsEmpty());
    EXPECT_FALSE(control.Results().IsOk());
  }
}

TEST_F(TarifexRun, AoptRepliesWithTheChosenNumberAndCancelsOnMinus999) {
  struct Case {
    bool robot_answers;
    std::int32_t answer;
    bool done;
    std::vector<std::string> sent;
  };
  const Case cases[] = {
      {true, -1, true, {"-1", "END:*"}},
      {true, 2, true, {"2", "END:*"}},
      {true, -999, false, {kCancel}},
      {false, -1, true, {"-1", "END:*"}},
      {false, 0, true, {"0", "END:*"}},
      {false, -999, false, {kCancel}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.robot_answers << " " << c.answer);
    ScriptedEngine engine;
    ScriptedRobot robot;
    ScriptedControlUser user;
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    control.Properties().btn_no_seleccionar = false;
    if (c.robot_answers) {
      robot.AnswerOption(c.answer);
    } else {
      user.ChooseOption(c.answer);
    }
    engine.ReplyAll(Cmd("AOPT", {{"A", "Origen Mercosur"}, {"B", "Extrazona"}, {"C", "Otro"}}),
                    "TXT_OK");
    EXPECT_EQ(control.ExecTarifex(kHostWindow), c.done);
    EXPECT_EQ(engine.SentAfterStart(), c.sent);
    EXPECT_EQ(control.MsgError(),
              c.done ? "" : "La ejecucion del tarifex ha sido cancelada por el usuario!!!");
    ASSERT_EQ(robot.Questions().size(), 1u);
    EXPECT_THAT(robot.Questions()[0].options, ElementsAre("Origen Mercosur", "Extrazona", "Otro"));
    if (c.robot_answers) {
      EXPECT_THAT(user.ShownList(), IsEmpty());
    } else {
      ASSERT_EQ(user.ShownList().size(), 1u);
      EXPECT_EQ(user.ShownList()[0].what, "Option");
      EXPECT_THAT(user.ShownList()[0].options, ElementsAre("Origen Mercosur", "Extrazona", "Otro"));
      EXPECT_FALSE(user.ShownList()[0].none_enabled);
    }
    EXPECT_EQ(engine.Calls().back(), 194);
  }
}

TEST_F(TarifexRun, UnknownCommandsAndUnreadableRecordsAreInternalErrors) {
  struct Case {
    std::string record;
    std::string what, why;
  };
  const Case cases[] = {
      {"XYZ:*", "DISPATCHER", "ACTION UNKNOWN"},
      {Cmd("txt", {{"Minusculas?"}}), "DISPATCHER", "ACTION UNKNOWN"},
      {"TXT:hola", "MESSAGE PARSING", "SYNTAX ERROR"},
      {"X(IFS=a,MOD=B,EOB=b,EOQ=c):*", "MESSAGE PARSING", "IDENTIFIER UNKNOWN"},
      {"X(IFS=a,MOD=B,IFS=b,EOL=c):*", "MESSAGE PARSING", "DUPLICATE IDENTIFIER"},
      {"X(IFS=a,MOD=Q,EOB=b,EOL=c):*", "MESSAGE PARSING", "ERRONEOUS MODE"},
      {"TXT(IFS=a,MOD=L,EOB=b,EOL=c):" + std::string(60, 'a') + "c", "MESSAGE PARSING",
       "TOO MANY FIELDS"},
      {"UPOS(IFS=a,MOD=B,EOB=b,EOL=c):" + std::string(10001, 'c') + "b", "MESSAGE PARSING",
       "TOO MANY LINES"},
      {"UPOS(IFS=a,MOD=B,EOB=b,EOL=c):xc", "MESSAGE PARSING", "BAD END OF MESSAGE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ScriptedEngine engine;
    ScriptedControlUser user;
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    engine.ReplyAll(c.record, "TXT_OK");
    EXPECT_FALSE(control.ExecTarifex(kHostWindow));
    EXPECT_EQ(control.MsgError(), "Resulta imposible continuar con el tratamiento...");
    EXPECT_THAT(engine.SentAfterStart(), ElementsAre(kCancel));
    const auto boxes = user.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, kHostWindow);
    EXPECT_EQ(boxes[0].text, "Se ha producido el siguiento error interno en la aplicacion : PC - " +
                                 c.what + " - " + c.why + " ");
    EXPECT_EQ(boxes[0].caption, "Error Interno");
    EXPECT_EQ(boxes[0].type, 0x30u);
    // The session is closed after the marker went out, then 194.
    const std::vector<int> tail(engine.Calls().end() - 7, engine.Calls().end());
    EXPECT_THAT(tail, ElementsAre(112, 115, 109, 112, 112, 110, 194));
  }
}

TEST_F(TarifexRun, StopAndIerrorEndTheRunWithTheirTexts) {
  engine.ReplyAll(Cmd("STOP", {{"Posicion arancelaria inexistente"}}), "TXT_OK");
  EXPECT_FALSE(Run());
  EXPECT_EQ(control.MsgError(), "Posicion arancelaria inexistente");
  EXPECT_THAT(user.ShownList(), IsEmpty());

  ScriptedEngine engine2;
  ScriptedControlUser user2;
  TarifexControl control2{{engine2, components, robot, user2, files}};
  control2.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  control2.Properties().lang = 1;
  engine2.ReplyAll(Cmd("IERROR", {{"ORA-01017", "login denegado", "T-88"}}), "TXT_OK");
  EXPECT_FALSE(control2.ExecTarifex(kHostWindow));
  EXPECT_EQ(control2.MsgError(), "Impossible de continuer le traitement...");
  const auto boxes = user2.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "Une erreur interne s'est produite dans l'application : HOST - ORA-01017 - login "
            "denegado / Error trace id = T-88");
  EXPECT_EQ(boxes[0].caption, "Erreur interne");
  EXPECT_EQ(boxes[0].type, 0x30u);
  EXPECT_EQ(boxes[0].owner, kHostWindow);
  EXPECT_THAT(engine2.SentAfterStart(), IsEmpty());
  EXPECT_EQ(engine2.Calls().back(), 194);
}

TEST_F(TarifexRun, ResultCommandsFillTheirCollectionsAndKeepTheFirstOfEachName) {
  engine.ReplyAll(
      Cmd("UPOS", {{"NCM", "8471.30.12"}, {"ARANCEL", "14"}}),
      Cmd("UPOS", {{"NCM", "9999.99.99"}, {"TASA", "3"}}),  // NCM is kept
      Cmd("UCOM", {{"PESO", "10"}, {"PESO", "20"}}), Cmd("USUF", {{"AA", "1"}}),
      Cmd("UDOC", {{"CERT", "Origen"}}), Cmd("URGD", {{"R12", "aplicada"}}),
      Cmd("MDES", {{"MARCA", "ACME", "Maquinas ACME SA"}}),
      Cmd("AEEM", {{"M1", "Mensaje general"}}), Cmd("APLM", {{"MOD1", "Modelo"}}),
      Cmd("CUPO", {{"CUPO7", "500"}}), Cmd("AEDS", {{"SOL1", "ignored"}}),
      Cmd("IMSG", {{"1", "Informacion al usuario"}, {"2", "Otra"}}), Cmd("END", {{"x"}}),
      Cmd("NTAX", {{"DIE", "L", "Derecho", "1000", "14", "140"},
                   {"RED", "C", "Reduccion", "1000", "2", "20"},
                   {"TE", "X"}}),
      "TXT_OK");
  ASSERT_TRUE(Run());
  const ResultStore& r = control.Results();
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kItem)),
              ElementsAre(Var{"NCM", "8471.30.12"}, Var{"ARANCEL", "14"}, Var{"TASA", "3"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kInfCom)), ElementsAre(Var{"PESO", "10"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kSuf)), ElementsAre(Var{"AA", "1"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kDocs)), ElementsAre(Var{"CERT", "Origen"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kRegla)), ElementsAre(Var{"R12", "aplicada"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kMDes)),
              ElementsAre(Var{"MARCA", "ACME", "Maquinas ACME SA"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kMsgGral)), ElementsAre(Var{"M1", "Mensaje general"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kModelos)), ElementsAre(Var{"MOD1", "Modelo"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kCupo)), ElementsAre(Var{"CUPO7", "500"}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kSol)), ElementsAre(Var{"SOL1", ""}));
  EXPECT_THAT(VarsOf(r.Get(ResultStore::kMsgs)),
              ElementsAre(Var{"Informacion al usuario", ""}, Var{"Otra", ""}));
  EXPECT_THAT(TaxesOf(r.GetTaxes(ResultStore::kBnf)),
              ElementsAre(ElementsAre("RED", "C", "Reduccion", "1000", "2", "20")));
  EXPECT_THAT(TaxesOf(r.GetTaxes(ResultStore::kLqa)),
              ElementsAre(ElementsAre("DIE", "L", "Derecho", "1000", "14", "140"),
                          ElementsAre("TE", "X", "", "", "", "")));
  // Result commands send nothing back.
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("END:*"));

  // The summary lists each collection under its header.
  const std::string summary = File("tarifex.trc");
  EXPECT_NE(summary.find("Posiciones:\n\tNCM = 8471.30.12\n\tARANCEL = 14\n\tTASA = 3\n"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Marcas y descripciones:\n\tMARCA = ACME (Maquinas ACME SA)\n"),
            std::string::npos);
  EXPECT_NE(summary.find("Beneficios:\n\tRED - C - Reduccion - 1000 - 2 - 20\nLiquidaci\xF3n:\n"),
            std::string::npos);
}

TEST_F(TarifexRun, EachRunStartsWithFreshCollectionsAndEmptiedTraceFiles) {
  engine.ReplyAll(Cmd("UPOS", {{"NCM", "1"}}), Cmd("ULST", {{"L1", "a", "b", "SI"}}), "TXT_OK");
  ASSERT_TRUE(Run());
  const auto first = control.Results().Get(ResultStore::kItem);
  EXPECT_NE(File("listasOk.trc"), "");
  EXPECT_NE(File("tarifex.trc"), "");

  engine.Reply("TXT_OK");
  ASSERT_TRUE(control.ExecTarifex(kHostWindow));
  EXPECT_NE(control.Results().Get(ResultStore::kItem), first);
  EXPECT_THAT(VarsOf(control.Results().Get(ResultStore::kItem)), IsEmpty());
  EXPECT_THAT(VarsOf(first), ElementsAre(Var{"NCM", "1"}));
  for (const char* name : {"reglasOk.trc", "reglas.trc", "listasOk.trc", "listas.trc"}) {
    EXPECT_EQ(File(name), "") << name;
  }
  EXPECT_EQ(File("tarifex.trc").find("\tNCM"), std::string::npos);
}

TEST_F(TarifexRun, UlstUrglAndUcontWriteTheirTraceFiles) {
  engine.ReplyAll(Cmd("ULST", {{"LISTA_A", "Acero", "v1", "SI"},
                               {"LISTA_B", "Textiles", "v2", "NO"},
                               {"LISTA_C", "Otros", "v3", ""}}),
                  Cmd("URGL", {{"Regla 1", "0", "R1"},
                               {"Regla 2", "1", "R2"},
                               {"Regla 3", "2", "R3"},
                               {"Regla 4", "7", "R4"},
                               {"Regla 5", "x", "R5"},
                               {"Regla 6", " 0", "R6"}}),
                  Cmd("UCONT", {{"C1", "Flete", "100", "USD"}, {"C2", "Seguro"}}), "TXT_OK");
  ASSERT_TRUE(Run());
  EXPECT_EQ(File("listasOk.trc"),
            "Listas chequeadas y utilizadas por el tarifex :\n"
            "LISTA_A - Acero - v1 - SI\n"
            "LISTA_C - Otros - v3 - \n");
  EXPECT_EQ(File("listas.trc"),
            "Listas chequeadas pero no utilizadas por el tarifex :\n"
            "LISTA_B - Textiles - v2 - NO\n");
  EXPECT_EQ(File("reglasOk.trc"),
            "Reglas ejecutadas por el tarifex  :\n"
            "Titulo - Status - Ident. :\n"
            "Regla 1 - EJECUTADA - R1\n"
            "Regla 6 - EJECUTADA - R6\n");
  EXPECT_EQ(File("reglas.trc"),
            "Reglas evaluadas y no ejecutadas por el tarifex :\n"
            "Titulo - Status - Ident. :\n"
            "Regla 2 - ALGUNA COND. FALSA - R2\n"
            "Regla 3 - NO FUE CONSIDERADA - R3\n"
            "Regla 4 -  - R4\n"
            "Regla 5 -  - R5\n");
  EXPECT_EQ(File("concept.trc"),
            "NO FUE CONSIDERADA\n"
            "C1 - Flete - 100 - USD\n"
            "C2 - Seguro -  - \n");
}

TEST_F(TarifexRun, AnUnwritablePathDebugEndsTheRunAtTheFirstFileCommand) {
  for (const std::string command : {"ULST", "URGL", "UCONT"}) {
    SCOPED_TRACE(command);
    ScriptedEngine engine;
    MemoryTraceFiles files;
    files.Deny(kPath);
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    control.Properties().path_debug = kPath;
    engine.ReplyAll(Cmd("UPOS", {{"NCM", "1"}}), Cmd(command, {{"a", "0", "b", "c"}}),
                    Cmd("TXT", {{"never read"}}), "TXT_OK");
    EXPECT_FALSE(control.ExecTarifex(kHostWindow));
    EXPECT_EQ(control.MsgError().rfind("No se pudo abrir el archivo de trazas " + kPath, 0), 0u)
        << control.MsgError();
    EXPECT_THAT(engine.SentAfterStart(), IsEmpty());
    EXPECT_EQ(engine.Calls().back(), 194);
    EXPECT_THAT(engine.Misuses(), IsEmpty());
  }
}

TEST_F(TarifexRun, SendAndReceiveFailuresEndTheRunAndStillCallTheEnd) {
  struct Case {
    int fail_send;
    int fail_receive;
    std::string error;
    std::size_t sent;
  };
  const Case cases[] = {
      {1, 0, "Problema para enviar mensaje", 1},   // the debug record
      {2, 0, "Problema para enviar mensaje", 2},   // "UD"
      {7, 0, "Problema para enviar mensaje", 7},   // "EA:*"
      {8, 0, "Problema para enviar mensaje", 8},   // the reply to TXT
      {9, 0, "Problema para enviar mensaje", 9},   // "END:*"
      {0, 1, "Problema para recibir mensaje", 7},  // the first command
      {0, 2, "Problema para recibir mensaje", 8},  // the next one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.fail_send << " " << c.fail_receive);
    ScriptedEngine engine;
    ScriptedControlUser user;
    TarifexControl control{{engine, components, robot, user, files}};
    control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    if (c.fail_send) engine.FailSend(c.fail_send);
    if (c.fail_receive) engine.FailReceive(c.fail_receive);
    user.PressInBox(mb::kIdYes);
    engine.ReplyAll(Cmd("TXT", {{"Sigue?"}}), "TXT_OK");
    EXPECT_FALSE(control.ExecTarifex(kHostWindow));
    EXPECT_EQ(control.MsgError(), c.error);
    EXPECT_EQ(engine.Sent().size(), c.sent);
    EXPECT_THAT(engine.Misuses(), IsEmpty());
    // The session is closed once, then the end.
    const std::vector<int> tail(engine.Calls().end() - 4, engine.Calls().end());
    EXPECT_THAT(tail, ElementsAre(112, 112, 110, 194));
    EXPECT_EQ(std::count(engine.Calls().begin(), engine.Calls().end(), 110), 1);
    EXPECT_EQ(user.Cursor(), "arrow");
  }
}

TEST_F(TarifexRun, AFailedOpenReportsTheEnginesDetails) {
  engine.FailOpen("Servidor no disponible", "Conexion rechazada", "AbrirSesion", 10061);
  engine.Reply("TXT_OK");
  EXPECT_FALSE(Run());
  EXPECT_EQ(control.MsgError(),
            "Problemas para abrir sesion con  motor.aduana\n"
            "Error N\xBA :[10061]\n"
            "Funcion: AbrirSesion\n"
            "Error: Conexion rechazada\n"
            "Causa: Servidor no disponible");
  EXPECT_THAT(engine.Calls(), ElementsAre(193, 142, 180, 187, 186, 183, 194));
  EXPECT_THAT(engine.Sent(), IsEmpty());
}

TEST_F(TarifexRun, AMissingDateFailsBeforeTheEngineIsContacted) {
  control.SetData(TarifexControl::Data::Gen, Collection({{"OTRO", "1"}}));
  engine.Reply("TXT_OK");
  EXPECT_FALSE(Run());
  EXPECT_EQ(control.MsgError(),
            "ERROR : La fecha es un dato primordial para el tratamiento y no fue enviada...");
  EXPECT_THAT(engine.Calls(), ElementsAre(193, 194));
}

TEST_F(TarifexRun, ComponentsThatCannotBeCreatedAreShownAndTheRunGoesOn) {
  engine.ReplyAll(Cmd("UPOS", {{"A", "1"}, {"B", "2"}, {"C", "3"}}), Cmd("UDOC", {{"D", "4"}}),
                  "TXT_OK");
  // The date's copy takes one variable; then one for "A", then none.
  components.FailVariablesAfter(2, -2147221164);
  ASSERT_TRUE(Run());
  EXPECT_THAT(VarsOf(control.Results().Get(ResultStore::kItem)), ElementsAre(Var{"A", "1"}));
  const auto boxes = user.Boxes();
  ASSERT_EQ(boxes.size(), 2u);  // one per command
  for (const auto& box : boxes) {
    EXPECT_EQ(box.text, "Error al crear Componente [-2147221164]");
    EXPECT_EQ(box.caption, "ERROR TARIFEX.OCX");
    EXPECT_EQ(box.owner, kFocusWindow);
  }
}

TEST_F(TarifexRun, ResultCollectionsThatCannotBeCreatedAreShownAndLeftUnset) {
  // The declaration object is made at the first run, so make it first.
  engine.Reply("TXT_OK");
  ASSERT_TRUE(Run());
  components.FailCollections(-5);
  engine.ReplyAll(Cmd("UPOS", {{"A", "1"}}), Cmd("NTAX", {{"T", "C"}}), "TXT_OK");
  ASSERT_TRUE(control.ExecTarifex(kHostWindow));
  EXPECT_EQ(control.Results().Get(ResultStore::kItem), nullptr);
  EXPECT_EQ(control.Results().GetTaxes(ResultStore::kBnf), nullptr);
  EXPECT_EQ(user.Boxes().size(), 13u);
  EXPECT_EQ(user.Boxes()[0].text, "Error al crear Componente [-5]");
}

TEST_F(TarifexRun, AComponentErrorWhileSendingTheDataFailsTheRun) {
  auto infcom = Collection({{"PESO", "1"}});
  std::static_pointer_cast<testing::MemoryVariable>(infcom->Items()[0])->FailReads("RPC caido");
  control.SetData(TarifexControl::Data::InfCom, infcom);
  engine.Reply("TXT_OK");
  EXPECT_FALSE(Run());
  EXPECT_EQ(control.MsgError(), "RPC caido");
  EXPECT_EQ(engine.Sent().size(), 2u);  // DBG and UD went out
  EXPECT_EQ(engine.Calls().back(), 194);
}

TEST_F(TarifexRun, CommandsWithoutLinesReadEmptyFields) {
  user.TypeValue("x");
  user.ChooseOption(kSelectNone);
  engine.ReplyAll("TXT:*", "DMSG:*", "COM:*", "AOPT:*", "UPOS:*", "NTAX:*", "STOP:*");
  EXPECT_FALSE(Run());
  EXPECT_EQ(control.MsgError(), "");
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("NO", "x", "-1"));
  ASSERT_EQ(user.ShownList().size(), 4u);
  EXPECT_EQ(user.ShownList()[0].text, "");
  EXPECT_THAT(user.ShownList()[3].options, IsEmpty());
}

TEST(TarifexControlState, NewControlDefaultsBenefitsAndClearAllData) {
  ScriptedEngine engine;
  MemoryComponents components;
  ScriptedRobot robot;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  EXPECT_FALSE(control.Properties().debug);
  EXPECT_EQ(control.Properties().lang, 0);
  EXPECT_TRUE(control.Properties().btn_no_seleccionar);
  EXPECT_EQ(control.Properties().path_debug, "C:\\");
  EXPECT_EQ(control.MsgError(), "");

  control.AddBenef("B01");
  EXPECT_EQ(control.Benefits(), "B01");
  control.AddBenef("B22");
  EXPECT_EQ(control.Benefits(), "B01 B22");

  auto art = Collection({{"A", "1"}});
  control.SetData(TarifexControl::Data::Art, art);
  EXPECT_EQ(control.GetData(TarifexControl::Data::Art), art);
  EXPECT_EQ(control.GetData(TarifexControl::Data::Gen), nullptr);
  EXPECT_TRUE(control.ClearAllData());
  EXPECT_EQ(control.Benefits(), "");
  EXPECT_THAT(art->Vars(), IsEmpty());
}

// The trace files through the C runtime, in a real folder.
TEST(TarifexTraceFiles, StdioFilesWriteUnderPathDebugAndRefuseAMissingFolder) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("tarifex_trace_" + std::to_string(std::random_device{}()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string path_debug = folder.string() + "/";

  ScriptedEngine engine;
  MemoryComponents components;
  ScriptedRobot robot;
  ScriptedControlUser user;
  StdioTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  control.Properties().path_debug = path_debug;
  control.SetDumpFolder(path_debug);
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  control.AddBenef("B9");
  engine.ReplyAll(Cmd("ULST", {{"L1", "a", "b", "NO"}}), "TXT_OK");
  ASSERT_TRUE(control.ExecTarifex(kHostWindow));
  // Read back in text mode: the Windows runtime writes "\r\n" for "\n".
  auto read = [&](const char* name) {
    std::ifstream in(folder / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  EXPECT_EQ(read("listas.trc"),
            "Listas chequeadas pero no utilizadas por el tarifex :\nL1 - a - b - NO\n");
  EXPECT_EQ(read("dec.trc"), "\tDDDTOFICIA = 20240131\n\tCODBENEF = B9\n");
  EXPECT_EQ(read("ven.trc"), "ventajas = B9\n");

  control.Properties().path_debug = path_debug + "missing/";
  engine.ReplyAll(Cmd("ULST", {{"L1", "a", "b", "NO"}}), "TXT_OK");
  EXPECT_FALSE(control.ExecTarifex(kHostWindow));
  EXPECT_EQ(control.MsgError(),
            "No se pudo abrir el archivo de trazas " + path_debug + "missing/listas.trc");
  fs::remove_all(folder);
}

}  // namespace
}  // namespace korvex::tarifex
