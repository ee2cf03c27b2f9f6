// The Spanish descriptions of controls, interactions, questions and answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "robot/capture/capture.h"
#include "robot/key/answer_text.h"
#include "robot/key/descriptions.h"
#include "robot/key/serializers.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/scripted_user.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::ScriptedUser;

constexpr std::int32_t kHand = 4001;
constexpr std::int32_t kAsterisk = -4002;  // icon values may be negative
constexpr std::int32_t kQuestion = 4003;
constexpr std::int32_t kExclamation = 4004;

// Sets the process's system icons for one test and restores them after.
class DescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = SetSystemIcons({kHand, kAsterisk, kQuestion, kExclamation});
  }
  void TearDown() override { SetSystemIcons(m_previous); }

 private:
  SystemIcons m_previous;
};

std::unique_ptr<CMetaListEx> List(std::initializer_list<const char16_t*> items) {
  auto list = std::make_unique<CMetaListEx>();
  for (const char16_t* item : items) list->AddItem(item);
  return list;
}

TEST_F(DescriptionTest, EachControlIsDescribedByItsSerializer) {
  struct Case {
    std::unique_ptr<CMetaWindow> control;
    Text description;
  };
  Case cases[] = {
      {std::make_unique<CMetaButtonEx>(u"&No", 1), u"Botón No"},
      {std::make_unique<CMetaButtonEx>(u"A&&B", 0), u"Botón AB"},
      {std::make_unique<CTextWindowEx>(u"&Texto tal cual "), u"&Texto tal cual "},
      {std::make_unique<CMetaEditEx>(u""), u"Campo vacio"},
      {std::make_unique<CMetaEditEx>(u"12"), u"Campo con texto 12"},
      {List({u"A", u"B"}), u"[A, B, ]"},
      {List({}), u"[]"},
      {std::make_unique<CIconWindowEx>(kHand), u"ícono de error"},
      {std::make_unique<CIconWindowEx>(kAsterisk), u"ícono de información"},
      {std::make_unique<CIconWindowEx>(kQuestion), u"ícono de pregunta"},
      {std::make_unique<CIconWindowEx>(kExclamation), u"ícono de alarma"},
      {std::make_unique<CIconWindowEx>(0), u"ícono"},
      {std::make_unique<CIconWindowEx>(-1), u"ícono"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.description));
    EXPECT_EQ(DescribeControl(*c.control), c.description);
  }
}

TEST(SystemIconsDescription, NoIconMatchesUntilTheValuesAreSet) {
  const SystemIcons previous = SetSystemIcons({});
  for (const std::int32_t value : {0, -1, kHand, 32513}) {
    EXPECT_EQ(DescribeControl(CIconWindowEx(value)), u"ícono");
  }
  FakeDesktop desk;
  SetSystemIcons(LoadSystemIcons(desk));
  EXPECT_EQ(DescribeControl(CIconWindowEx(static_cast<std::int32_t>(desk.SystemIcon(win::kIdiQuestion)))),
            u"ícono de pregunta");
  SetSystemIcons(previous);
}

TEST_F(DescriptionTest, EachInteractionIsDescribedAgainstItsTarget) {
  const CMetaButtonEx no(u"&No", 1);
  const CMetaEditEx edit(u"");
  const CTextWindowEx text(u"Hola");
  const auto list = List({u"Uno", u"Dos"});
  struct Case {
    const char* name;
    std::unique_ptr<CUserInteraction> interaction;
    const CMetaWindow* target;
    Text description;
  };
  Case cases[] = {
      {"press", std::make_unique<CPressButton>(), &no, u"Presionar No"},
      {"type", std::make_unique<CPutText>(u"123"), &edit, u"Ingresar ' 123'"},
      {"type nothing", std::make_unique<CPutText>(u""), &edit, u"Ingresar ' '"},
      {"select", std::make_unique<CItemSelect>(1), list.get(), u"Seleccionar 'Dos'"},
      // "Seleccionar la opción marcada" pressed with nothing marked is stored
      // as -999, and a cleared selection as -1: legitimate answers.
      {"select nothing (-999)", std::make_unique<CItemSelect>(-999), list.get(),
       u"Ninguna opción marcada"},
      {"select nothing (-1)", std::make_unique<CItemSelect>(-1), list.get(),
       u"Ninguna opción marcada"},
      {"leave alone", std::make_unique<CNullInteraction>(), &no, u""},
      // An interaction that cannot act on its target describes nothing.
      {"press a text", std::make_unique<CPressButton>(), &text, u""},
      {"type into a button", std::make_unique<CPutText>(u"x"), &no, u""},
      {"select in an edit", std::make_unique<CItemSelect>(0), &edit, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DescribeInteraction(*c.interaction, *c.target), c.description);
  }
  // A selection beyond a rebuilt list's items abandons the description.
  EXPECT_THROW(DescribeInteraction(CItemSelect(2), *list), std::invalid_argument);
}

// --- questions and answers of whole dialogs ------------------------------------------------

constexpr std::u16string_view kNoRoles =
    u"4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|";

std::unique_ptr<CDossaWindow> Message(std::u16string_view caption, std::u16string_view children,
                                      std::u16string_view answers) {
  return ReadKey(u"class CDynWindow|" + Text(caption) + u"|" + Text(kNoRoles) + Text(children),
                 answers);
}

TEST_F(DescriptionTest, MessageQuestionPutsTextsFirstThenCaptionThenOtherControls) {
  struct Case {
    const char* name;
    std::unique_ptr<CDossaWindow> dialog;
    Text question;
  };
  Case cases[] = {
      {"button, icon, text",
       Message(u"<>Mensaje al declarante",
               u"3|class CMetaButton|<>&Aceptar|1|class CIconWindow|-4002|class CTextWindow|<>T|",
               u"3|class CNullInteraction|class CNullInteraction|class CNullInteraction|"),
       u"T, Mensaje al declarante, Botón Aceptar, ícono de información"},
      {"no static text", Message(u"<>Aviso", u"1|class CMetaButton|<>Aceptar|1|", u"1|class CNullInteraction|"),
       u"Aviso, Botón Aceptar"},
      {"no children", Message(u"<>Aviso", u"0|", u"0|"), u"Aviso"},
      {"two texts, the first empty",
       Message(u"<>Q",
               u"4|class CTextWindow|<>|class CMetaButton|<>&S\\xed|1|class CMetaEdit|<>12|"
               u"class CTextWindow|<>B|",
               u"4|class CNullInteraction|class CNullInteraction|class CNullInteraction|"
               u"class CNullInteraction|"),
       u", B, Q, Botón Sí, Campo con texto 12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DescribeQuestion(*c.dialog), c.question);
  }
}

TEST_F(DescriptionTest, AnswerJoinsTheNonEmptyInteractionDescriptions) {
  struct Case {
    const char* name;
    std::unique_ptr<CDossaWindow> dialog;
    Text answer;
  };
  Case cases[] = {
      {"data input",
       ReadKey(u"class CDataInputWindow|<>Ingreso de dato complementario|"
               u"4294967295|4|0|1|2|4294967295|5|class CMetaEdit|<>|"
               u"class CMetaButton|<>&Validar lo ingresado|1|"
               u"class CMetaButton|<>Terminar el tratamiento|1|"
               u"class CTextWindow|<>El tarifex ha detectado|class CTextWindow|<>Peso neto|",
               u"5|class CPutText|<>123|class CPressButton|class CNullInteraction|"
               u"class CNullInteraction|class CNullInteraction|"),
       u"Ingresar ' 123', Presionar Validar lo ingresado"},
      {"second of two buttons",
       Message(u"<>Q", u"2|class CMetaButton|<>&S\\xed|1|class CMetaButton|<>&No|1|",
               u"2|class CNullInteraction|class CPressButton|"),
       u"Presionar No"},
      {"selection then press",
       Message(u"<>Q", u"2|class CMetaList|2|<>Uno|<>Dos|class CMetaButton|<>Elegir|1|",
               u"2|class CItemSelect|1|class CPressButton|"),
       u"Seleccionar 'Dos', Presionar Elegir"},
      {"nothing answered", Message(u"<>Q", u"1|class CMetaButton|<>OK|1|", u"1|class CNullInteraction|"),
       u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DescribeAnswer(*c.dialog), c.answer);
  }
}

TEST_F(DescriptionTest, QuestionDialogsDescribeTheirPromptOrTheirList) {
  const auto input = ReadKey(
      u"class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4|0|1|2|4294967295|5|"
      u"class CMetaEdit|<>|class CMetaButton|<>Validar lo ingresado|1|"
      u"class CMetaButton|<>Terminar el tratamiento|1|class CTextWindow|<>Explicaci\\xf3n|"
      u"class CTextWindow|<>Ingrese por favor el valor de Peso :|",
      u"5|class CNullInteraction|class CNullInteraction|class CNullInteraction|"
      u"class CNullInteraction|class CNullInteraction|");
  EXPECT_EQ(DescribeQuestion(*input), u"Ingrese por favor el valor de Peso :");

  const Text options_key =
      u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
      u"class CMetaButton|<>No seleccionar ninguna|1|class CMetaButton|<>Cancelar el  tratamiento|1|"
      u"class CMetaList|2|<>Uno|<>Dos|class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|";
  const auto options = ReadKey(options_key, u"4|class CNullInteraction|class CNullInteraction|"
                                            u"class CItemSelect|1|class CPressButton|");
  EXPECT_EQ(DescribeQuestion(*options), u"[Uno, Dos, ]");
  EXPECT_EQ(DescribeAnswer(*options), u"Seleccionar 'Dos', Presionar Seleccionar la opción marcada");
  options->SetListIndex(-1);
  EXPECT_EQ(DescribeQuestion(*options), u"");
  options->SetListIndex(0);  // a role naming a button: not a list
  EXPECT_EQ(DescribeQuestion(*options), u"");

  // A stored selection of -999: the user pressed "Seleccionar la opción
  // marcada" with nothing marked (also on an empty list).
  const auto nothing = ReadKey(options_key, u"4|class CNullInteraction|class CNullInteraction|"
                                            u"class CItemSelect|4294966297|class CPressButton|");
  EXPECT_EQ(DescribeAnswer(*nothing),
            u"Ninguna opción marcada, Presionar Seleccionar la opción marcada");
  const auto empty = ReadKey(
      u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
      u"class CMetaButton|<>No seleccionar ninguna|1|class CMetaButton|<>Cancelar el  tratamiento|1|"
      u"class CMetaList|0|class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|",
      u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|4294966297|"
      u"class CPressButton|");
  EXPECT_EQ(DescribeQuestion(*empty), u"[]");
  EXPECT_EQ(DescribeAnswer(*empty),
            u"Ninguna opción marcada, Presionar Seleccionar la opción marcada");
}

TEST_F(DescriptionTest, LiveCaptureIsDescribedWithItsRawCaptionAndItsAnswer) {
  FakeDesktop desk;
  SetSystemIcons(LoadSystemIcons(desk));
  const Hwnd box = desk.AddMessageBox(u"Mensaje al declarante 12001IC04000123A", u"Sin origen",
                                      desk.SystemIcon(win::kIdiExclamation),
                                      {{u"&Sí", 6}, {u"&No", 7}});
  auto dialog = CaptureDialog(desk, box);
  EXPECT_EQ(DescribeQuestion(*dialog),
            u"Sin origen, Mensaje al declarante 12001IC04000123A, ícono de alarma, Botón Sí, Botón No");
  EXPECT_EQ(DescribeAnswer(*dialog), u"");

  ScriptedUser user;
  user.PressInReplica(7);
  dialog->AskUser(user);
  EXPECT_EQ(DescribeAnswer(*dialog), u"Presionar No");

  // The dialog rebuilt from its key and answers is described alike, except
  // that its caption is the normalized one.
  auto rebuilt = ReadKey(WriteKey(*dialog), WriteAnswers(dialog->GetAnswers()));
  EXPECT_EQ(DescribeQuestion(*rebuilt),
            u"Sin origen, Mensaje al declarante {{NRO DESPACHO}}, ícono de alarma, Botón Sí, Botón No");
  EXPECT_EQ(DescribeAnswer(*rebuilt), u"Presionar No");
}

}  // namespace
}  // namespace korvex
