// Whole runs of the tariff control whose questions go through the robot
// client to the robot's query service on loopback: answers the robot learned
// on the control's dialogs are sent to the engine without a dialog, and
// outside a total validation the control asks its user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/query/query_handlers.h"
#include "tarifex/ansi.h"
#include "tarifex/engine_record.h"
#include "tarifex/protorobot_questions.h"
#include "tarifex/robot_client.h"
#include "tarifex/tarifex_control.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/tarifex_fakes.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using tarifex::CProtorobot;
using tarifex::ProtorobotQuestions;
using tarifex::RecordMode;
using tarifex::TarifexControl;
using tarifex::ToAnsi;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Cmd(const std::string& name, std::vector<std::vector<std::string>> lines) {
  return *tarifex::WriteRecord(name, lines.size() == 1 ? RecordMode::Line : RecordMode::Block,
                               lines);
}

class TarifexWithRobot : public QueryServiceTest {
 protected:
  FakeDesktop desk;
  Hwnd validation = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                      .text = u"Validación Total de Items",
                                      .style = 0x16CF0000});
  Hwnd progress = desk.AddChild(validation, {.class_name = u"ThunderRT6Frame",
                                             .text = u"Declaración - Validando Item: 7",
                                             .style = 0x50000000});
  Hwnd other = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                 .text = u"Declaración",
                                 .style = 0x16CF0000});
  std::unique_ptr<CProtorobot> client;
  std::unique_ptr<ProtorobotQuestions> questions;
  ScriptedEngine engine;
  MemoryComponents components;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  std::unique_ptr<TarifexControl> control;

  void SetUp() override {
    QueryServiceTest::SetUp();
    client = std::make_unique<CProtorobot>(desk, tarifex::RobotClientOptions{port, &clock});
    questions = std::make_unique<ProtorobotQuestions>(*client);
    control = std::make_unique<TarifexControl>(
        tarifex::ControlPorts{engine, components, *questions, user, files});
    control->SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
    // What the robot learned on the control's own dialogs.
    Store(query::YesNoKey(u"&Sí", u"&No", IconOf(win::kIdiQuestion), u"¿Régimen general?"),
          u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
          u"class CNullInteraction|");
    Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Sin certificado de origen"),
          u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
    Store(query::DataInputKey(u"Año de fabricación"),
          u"5|class CPutText|<>2019|class CPressButton|class CNullInteraction|"
          u"class CNullInteraction|class CNullInteraction|");
    Store(query::OptionsKey({u"Régimen general", u"Muestras", u"Otro"}),
          u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|"
          u"class CPressButton|");
    engine.ReplyAll(Cmd("TXT", {{ToAnsi(u"¿Régimen general?")}}),
                    Cmd("DMSG", {{"Sin certificado de origen"}}),
                    Cmd("COM", {{ToAnsi(u"Año de fabricación")}}),
                    Cmd("AOPT", {{"1", ToAnsi(u"Régimen general")}, {"2", "Muestras"}, {"3", "Otro"}}),
                    "TXT_OK");
  }
};

TEST_F(TarifexWithRobot, DuringATotalValidationTheRobotsAnswersGoToTheEngine) {
  ASSERT_TRUE(control->ExecTarifex(validation)) << control->MsgError();
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("SI", "2019", "1", "END:*"));
  EXPECT_THAT(user.ShownList(), IsEmpty());
  const auto taken = ui.TakenLookups();
  ASSERT_EQ(taken.size(), 4u);
  for (const auto& lookup : taken) EXPECT_EQ(lookup.item, 7);
}

TEST_F(TarifexWithRobot, OutsideATotalValidationTheUserIsAsked) {
  user.PressInBox(tarifex::mb::kIdNo);
  user.TypeValue("1987");
  user.ChooseOption(2);
  ASSERT_TRUE(control->ExecTarifex(other)) << control->MsgError();
  EXPECT_THAT(engine.SentAfterStart(), ElementsAre("NO", "1987", "2", "END:*"));
  ASSERT_EQ(user.ShownList().size(), 4u);
  EXPECT_EQ(user.ShownList()[0].text, ToAnsi(u"¿Régimen general?"));
  EXPECT_EQ(user.ShownList()[1].text, "Sin certificado de origen");
  EXPECT_EQ(user.ShownList()[2].what, "ComplementaryValue");
  EXPECT_EQ(user.ShownList()[3].what, "Option");
  EXPECT_THAT(ui.TakenLookups(), IsEmpty());
}

}  // namespace
}  // namespace korvex::testing
