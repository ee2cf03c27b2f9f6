// Window keys: the writer over rebuilt and live dialogs, the reader with its
// refusals, and the normalization of stored entries (legacy texts, the query
// handlers' templates).
#include "robot/key/window_key.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "robot/capture/capture.h"
#include "robot/capture/recognition_error.h"
#include "robot/key/answer_text.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using ::testing::ElementsAre;

constexpr std::u16string_view kNoRoles =
    u"4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|";

Text NoRolesKey(std::u16string_view dialog_class, std::u16string_view caption,
                std::u16string_view count_and_children) {
  return Text(dialog_class) + u"|" + Text(caption) + u"|" + Text(kNoRoles) +
         Text(count_and_children);
}

// The failure code of ReadKey, or 0 when the pair reads.
std::int32_t ReadCode(TextView key, TextView answers) {
  try {
    ReadKey(key, answers);
    return 0;
  } catch (const RecognitionError& e) {
    return e.code();
  }
}

std::vector<std::int32_t> Roles(const CDossaWindow& d) {
  return {d.GetListIndex(),   d.GetPromptIndex(), d.GetEditIndex(),
          d.GetAcceptIndex(), d.GetCancelIndex(), d.GetNoneIndex()};
}

// --- writing ------------------------------------------------------------------------

TEST(WindowKeyWriter, WritesHeaderAndOneRecordPerChildOfARebuiltDialog) {
  auto root = std::make_unique<CDialogWindow>();
  root->AddChild(std::make_unique<CMetaButtonEx>(u"&Sí", 1));
  root->AddChild(std::make_unique<CMetaButtonEx>(u"No|", 0));
  root->AddChild(std::make_unique<CIconWindowEx>(-65539));
  root->AddChild(std::make_unique<CTextWindowEx>(u"¿Continuar?"));
  root->AddChild(std::make_unique<CMetaEditEx>(u""));
  auto list = std::make_unique<CMetaListEx>();
  list->AddItem(u"Uno");
  list->AddItem(u"");
  root->AddChild(std::move(list));
  root->AddChild(std::make_unique<CMetaListEx>());
  OwnedAnswers answers;
  for (int i = 0; i < 7; ++i) answers.push_back(std::make_unique<CNullInteraction>());
  CDynWindow dialog(u"Pregunta {{NRO DESPACHO}}", std::move(root), std::move(answers));

  EXPECT_EQ(WriteKey(dialog),
            NoRolesKey(u"class CDynWindow", u"<>Pregunta {{NRO DESPACHO}}",
                       u"7|"
                       u"class CMetaButton|<>&S\\xed|1|"
                       u"class CMetaButton|<>No\\x7c|0|"
                       u"class CIconWindow|-65539|"
                       u"class CTextWindow|<>\\xbfContinuar?|"
                       u"class CMetaEdit|<>|"
                       u"class CMetaList|2|<>Uno|<>|"
                       u"class CMetaList|0|"));
}

TEST(WindowKeyWriter, WritesRoleIndicesUnsignedInTheirOrder) {
  auto dialog = ReadKey(u"class CItemSelectionWindow|<>Seleccion de una opcion|"
                        u"4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|"
                        u"3|class CMetaButton|<>A|1|class CMetaButton|<>B|1|class CMetaList|0|",
                        u"3|class CNullInteraction|class CNullInteraction|class CNullInteraction|");
  dialog->SetListIndex(2);
  dialog->SetAcceptIndex(0);
  dialog->SetCancelIndex(1);
  EXPECT_EQ(WriteKey(*dialog),
            u"class CItemSelectionWindow|<>Seleccion de una opcion|"
            u"2|4294967295|4294967295|0|1|4294967295|"
            u"3|class CMetaButton|<>A|1|class CMetaButton|<>B|1|class CMetaList|0|");
}

// --- reading ------------------------------------------------------------------------

TEST(WindowKeyReader, RebuildsTheDialogFromExControlsOwningTheAnswers) {
  const Text key = u"class CDataInputWindow|<>Ingreso de dato complementario|"
                   u"4294967295|4|0|1|2|4294967295|5|"
                   u"class CMetaEdit|<>|"
                   u"class CMetaButton|<>Validar lo ingresado|1|"
                   u"class CMetaButton|<>Terminar el tratamiento|0|"
                   u"class CTextWindow|<>El tarifex ha detectado|"
                   u"class CTextWindow|<>Marca \\x7c modelo|";
  auto dialog = ReadKey(key, u"5|class CPutText|<>123|class CPressButton|class CNullInteraction|"
                             u"class CNullInteraction|class CNullInteraction|");
  EXPECT_EQ(dialog->RuntimeClassName(), u"class CDataInputWindow");
  EXPECT_EQ(dialog->GetCaption(), u"Ingreso de dato complementario");
  EXPECT_THAT(Roles(*dialog), ElementsAre(-1, 4, 0, 1, 2, -1));
  EXPECT_EQ(dialog->GetDialogHandle(), kUnboundWindow);
  const CDialogWindow& root = dialog->GetRoot();
  ASSERT_EQ(root.GetChildCount(), 5u);
  EXPECT_EQ(root.GetChild(0).RuntimeClassName(), u"class CMetaEditEx");
  EXPECT_EQ(root.GetChild(1).RuntimeClassName(), u"class CMetaButtonEx");
  EXPECT_EQ(root.GetChild(4).RuntimeClassName(), u"class CTextWindowEx");
  EXPECT_EQ(dynamic_cast<const CMetaButton&>(root.GetChild(2)).IsEnabled(), 0);
  EXPECT_EQ(dialog->GetPromptText(), u"Marca | modelo");
  const AnswerList answers = dialog->GetAnswers();
  ASSERT_EQ(answers.size(), 5u);
  EXPECT_EQ(dynamic_cast<const CPutText&>(answers[0]).GetText(), u"123");
  EXPECT_EQ(answers[1].RuntimeClassName(), u"class CPressButton");
  EXPECT_EQ(WriteKey(*dialog), key);
}

TEST(WindowKeyReader, ReadsListsIconsAndFlagsWithTheirRanges) {
  auto dialog = ReadKey(NoRolesKey(u"class CDynWindow", u"<>",
                                   u"5|class CMetaList|3|<>Uno|Dos[BAR]|<>|"
                                   u"class CIconWindow|-2147483648|"
                                   u"class CIconWindow|2147483647|"
                                   u"class CMetaButton|<>X||"
                                   u"class CMetaButton|<>Y|-7|"),
                        u"5|class CItemSelect|4294966297|class CNullInteraction|"
                        u"class CNullInteraction|class CNullInteraction|class CPressButton|");
  const CDialogWindow& root = dialog->GetRoot();
  const auto& list = dynamic_cast<const CMetaListEx&>(root.GetChild(0));
  ASSERT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.GetItemText(0), u"Uno");
  EXPECT_EQ(list.GetItemText(1), u"Dos|");
  EXPECT_EQ(list.GetItemText(2), u"");
  EXPECT_EQ(dynamic_cast<const CIconWindow&>(root.GetChild(1)).GetIcon(), INT32_MIN);
  EXPECT_EQ(dynamic_cast<const CIconWindow&>(root.GetChild(2)).GetIcon(), INT32_MAX);
  // An empty flag field reads as enabled; other values are kept as stored.
  EXPECT_EQ(dynamic_cast<const CMetaButton&>(root.GetChild(3)).IsEnabled(), 1);
  EXPECT_EQ(dynamic_cast<const CMetaButton&>(root.GetChild(4)).IsEnabled(), -7);
  EXPECT_EQ(dynamic_cast<const CItemSelect&>(dialog->GetAnswers()[0]).GetIndex(), -999);
}

TEST(WindowKeyReader, RefusesWhatDoesNotDescribeExactlyOneDialog) {
  constexpr std::int32_t kAnswers = recognition_code::kUnknownInteraction;
  constexpr std::int32_t kChild = recognition_code::kUnknownControlClass;
  constexpr std::int32_t kDialog = recognition_code::kUnknownDialogClass;
  const Text button = u"class CMetaButton|<>Aceptar|1|";
  const Text press1 = u"1|class CPressButton|";
  struct Case {
    const char* name;
    Text key;
    Text answers;
    std::int32_t code;
  };
  const Case cases[] = {
      {"fits", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button), press1, 0},
      // the dialog record
      {"unknown dialog class", NoRolesKey(u"class CDialogWindow", u"<>Aviso", u"1|" + button),
       press1, kDialog},
      {"empty key", u"", press1, kDialog},
      {"class without bar", u"class CDynWindow", press1, kDialog},
      {"caption without bar", u"class CDynWindow|<>Aviso", press1, kDialog},
      {"too few roles", u"class CDynWindow|<>Aviso|4294967295|4294967295|1|" + button, press1,
       kDialog},
      {"role above 32 bits",
       u"class CDynWindow|<>Aviso|4294967296|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|1|" + button, press1, kDialog},
      {"role written signed",
       u"class CDynWindow|<>Aviso|-1|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|1|" + button, press1, kDialog},
      {"role with a letter",
       u"class CDynWindow|<>Aviso|0x1|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|1|" + button, press1, kDialog},
      {"role naming no child",
       u"class CDynWindow|<>Aviso|1|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|1|" + button, press1, kDialog},
      {"role below -1",
       u"class CDynWindow|<>Aviso|4294967294|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|1|" + button, press1, kDialog},
      {"empty child count", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"|" + button), press1,
       kDialog},
      {"text after the last child",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button + u"x"), press1, kDialog},
      {"record after the last child",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button + button), press1, kDialog},
      // child records
      {"unregistered child class",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CComboBox|<>x|"), press1, kChild},
      {"rebuilt class name in a key",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaButtonEx|<>Aceptar|1|"),
       press1, kChild},
      {"blank before a class name",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1| class CMetaButton|<>Aceptar|1|"),
       press1, kChild},
      {"fewer children than counted",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"2|" + button),
       u"2|class CPressButton|class CNullInteraction|", kChild},
      {"hostile child count", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"4000000000|" + button),
       press1, kChild},
      {"button flag missing its bar",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaButton|<>Aceptar|1"), press1,
       kChild},
      {"button flag not a number",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaButton|<>Aceptar|si|"), press1,
       kChild},
      {"icon beyond 32 bits",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CIconWindow|2147483648|"),
       u"1|class CNullInteraction|", kChild},
      {"icon empty", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CIconWindow||"),
       u"1|class CNullInteraction|", kChild},
      {"hostile item count",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaList|4000000000|<>a|"),
       u"1|class CNullInteraction|", kChild},
      {"item count above 32 bits",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaList|99999999999999999999|"),
       u"1|class CNullInteraction|", kChild},
      {"template whose count was not filled in",
       u"class CItemSelectionWindow|Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
       u"class CMetaButton|No seleccionar ninguna|1|class CMetaButton|Cancelar el  tratamiento|1|"
       u"class CMetaList|%d|",
       u"4|class CNullInteraction|class CNullInteraction|class CNullInteraction|"
       u"class CNullInteraction|", kChild},
      {"fewer items than counted",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaList|2|<>a|"),
       u"1|class CNullInteraction|", kChild},
      // the answers and how they fit the dialog
      {"unregistered interaction", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button),
       u"1|class CClick|", kAnswers},
      {"fewer answers than children",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"2|" + button + button),
       press1, kAnswers},
      {"more answers than children",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button),
       u"2|class CPressButton|class CNullInteraction|", kAnswers},
      {"a press on a static text",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CTextWindow|<>Hola|"), press1,
       kAnswers},
      {"a typed text on a button", NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|" + button),
       u"1|class CPutText|<>x|", kAnswers},
      {"a selection on an edit",
       NoRolesKey(u"class CDynWindow", u"<>Aviso", u"1|class CMetaEdit|<>|"),
       u"1|class CItemSelect|0|", kAnswers},
      // The answers are read right after the dialog class token.
      {"bad answers before a bad dialog class",
       NoRolesKey(u"class CFoo", u"<>Aviso", u"1|" + button), u"1|class CClick|", kAnswers},
      {"bad child before a bad dialog class",
       NoRolesKey(u"class CFoo", u"<>Aviso", u"1|class CComboBox|"), press1, kChild},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadCode(c.key, c.answers), c.code);
  }
}

// --- normalization of stored entries ---------------------------------------------------

struct NormalizeCase {
  const char* name;
  Text key;
  Text answers;
  Text normalized_key;
  Text normalized_answers;
};

void ExpectNormalizes(const NormalizeCase& c) {
  SCOPED_TRACE(c.name);
  Text key = c.key;
  Text answers = c.answers;
  ASSERT_TRUE(NormalizeEntry(key, answers));
  EXPECT_EQ(key, c.normalized_key);
  EXPECT_EQ(answers, c.normalized_answers);
  // The written form is a fixed point.
  ASSERT_TRUE(NormalizeEntry(key, answers));
  EXPECT_EQ(key, c.normalized_key);
  EXPECT_EQ(answers, c.normalized_answers);
}

TEST(NormalizeEntry, BringsLegacyTextsAndLooseNumbersIntoTheWrittenForm) {
  const NormalizeCase cases[] = {
      {"legacy texts",
       NoRolesKey(u"class CDynWindow", u"Aviso [BAR] Ítem", u"2|class CMetaButton|&Aceptar|1|"
                                                            u"class CTextWindow|A[BAR]B[_BAR]C|"),
       u"2|class CPressButton|class CNullInteraction|",
       NoRolesKey(u"class CDynWindow", u"<>Aviso \\x7c \\xcdtem",
                  u"2|class CMetaButton|<>&Aceptar|1|class CTextWindow|<>A\\x7cB[BAR]C|"),
       u"2|class CPressButton|class CNullInteraction|"},
      {"legacy empty edit and typed text",
       NoRolesKey(u"class CDynWindow", u"", u"1|class CMetaEdit||"),
       u"1|class CPutText|a[BAR]b|",
       NoRolesKey(u"class CDynWindow", u"<>", u"1|class CMetaEdit|<>|"),
       u"1|class CPutText|<>a\\x7cb|"},
      {"disabled and enabled buttons keep their flags",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"2|class CMetaButton|<>S\\xed|0|"
                                               u"class CMetaButton|<>No|1|"),
       u"2|class CNullInteraction|class CPressButton|",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"2|class CMetaButton|<>S\\xed|0|"
                                               u"class CMetaButton|<>No|1|"),
       u"2|class CNullInteraction|class CPressButton|"},
      {"an empty flag becomes enabled",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"1|class CMetaButton|<>S\\xed||"),
       u"1|class CPressButton|",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"1|class CMetaButton|<>S\\xed|1|"),
       u"1|class CPressButton|"},
      {"blanks and leading zeros around numbers",
       u"class CDynWindow|<>Q| 4294967295 |4294967295|4294967295|4294967295|4294967295|"
       u"4294967295| 02 |class CIconWindow|\t-0012 |class CMetaList| 1|<>a|",
       u" 2 |class CNullInteraction|class CItemSelect| 00 |",
       NoRolesKey(u"class CDynWindow", u"<>Q",
                  u"2|class CIconWindow|-12|class CMetaList|1|<>a|"),
       u"2|class CNullInteraction|class CItemSelect|0|"},
      {"a selection of -999 and -1",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"2|class CMetaList|0|class CMetaList|0|"),
       u"2|class CItemSelect|4294966297|class CItemSelect|4294967295|",
       NoRolesKey(u"class CDynWindow", u"<>Q", u"2|class CMetaList|0|class CMetaList|0|"),
       u"2|class CItemSelect|4294966297|class CItemSelect|4294967295|"},
  };
  for (const auto& c : cases) ExpectNormalizes(c);
}

// The keys that the query handlers build from their templates carry their
// fixed texts in the legacy form; read, they describe the tariff control's
// dialogs and normalize to the written form of those dialogs.
TEST(NormalizeEntry, ReadsTheQueryHandlersTemplateKeys) {
  const NormalizeCase cases[] = {
      {"message to the declarant",
       u"class CDynWindow|Mensaje al declarante|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|4294967295|3|class CMetaButton|Aceptar|1|class CIconWindow|65540|"
       u"class CTextWindow|<>Falta el origen \\x7c revisar|",
       u"3|class CPressButton|class CNullInteraction|class CNullInteraction|",
       NoRolesKey(u"class CDynWindow", u"<>Mensaje al declarante",
                  u"3|class CMetaButton|<>Aceptar|1|class CIconWindow|65540|"
                  u"class CTextWindow|<>Falta el origen \\x7c revisar|"),
       u"3|class CPressButton|class CNullInteraction|class CNullInteraction|"},
      {"yes/no question without an icon",
       u"class CDynWindow|Pregunta del tarifex|4294967295|4294967295|4294967295|4294967295|"
       u"4294967295|4294967295|4|class CMetaButton|&Sí|1|class CMetaButton|&No|1|"
       u"class CIconWindow|-1|class CTextWindow|<>\\xbfSeguir?|",
       u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
       u"class CNullInteraction|",
       NoRolesKey(u"class CDynWindow", u"<>Pregunta del tarifex",
                  u"4|class CMetaButton|<>&S\\xed|1|class CMetaButton|<>&No|1|"
                  u"class CIconWindow|-1|class CTextWindow|<>\\xbfSeguir?|"),
       u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
       u"class CNullInteraction|"},
      {"complementary value",
       u"class CDataInputWindow|Ingreso de dato complementario|4294967295|4|0|1|2|4294967295|"
       u"5|class CMetaEdit||class CMetaButton|Validar lo ingresado|1|"
       u"class CMetaButton|Terminar el tratamiento|1|class CTextWindow|El tarifex ha detectado "
       u"el uso de un dato complementario no especificado en el despacho !|"
       u"class CTextWindow|Ingrese por favor el valor de <>Peso neto :|",
       u"5|class CPutText|<>12,5|class CPressButton|class CNullInteraction|"
       u"class CNullInteraction|class CNullInteraction|",
       u"class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4|0|1|2|4294967295|"
       u"5|class CMetaEdit|<>|class CMetaButton|<>Validar lo ingresado|1|"
       u"class CMetaButton|<>Terminar el tratamiento|1|class CTextWindow|<>El tarifex ha "
       u"detectado el uso de un dato complementario no especificado en el despacho !|"
       u"class CTextWindow|<>Ingrese por favor el valor de \\x3c\\x3ePeso neto :|",
       u"5|class CPutText|<>12,5|class CPressButton|class CNullInteraction|"
       u"class CNullInteraction|class CNullInteraction|"},
      {"options, none offered",
       u"class CItemSelectionWindow|Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
       u"class CMetaButton|No seleccionar ninguna|1|class CMetaButton|Cancelar el  tratamiento|1|"
       u"class CMetaList|0|class CMetaButton|Seleccionar la opción marcada|1|",
       u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
       u"class CNullInteraction|",
       u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
       u"class CMetaButton|<>No seleccionar ninguna|1|"
       u"class CMetaButton|<>Cancelar el  tratamiento|1|class CMetaList|0|"
       u"class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|",
       u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
       u"class CNullInteraction|"},
      {"options with two items",
       u"class CItemSelectionWindow|Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
       u"class CMetaButton|No seleccionar ninguna|1|class CMetaButton|Cancelar el  tratamiento|1|"
       u"class CMetaList|2|<>Uno|<>Dos \\x7c tres|"
       u"class CMetaButton|Seleccionar la opción marcada|1|",
       u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|class CPressButton|",
       u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
       u"class CMetaButton|<>No seleccionar ninguna|1|"
       u"class CMetaButton|<>Cancelar el  tratamiento|1|class CMetaList|2|<>Uno|<>Dos \\x7c tres|"
       u"class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|",
       u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|class CPressButton|"},
  };
  for (const auto& c : cases) ExpectNormalizes(c);
}

// A stored entry must answer its dialog as the robot answers: one press of
// one of its buttons (a dialog without buttons, none).  Any other shape is
// refused like an unreadable entry and left as it was.
TEST(NormalizeEntry, RefusesAStoredAnswerOfAShapeItsDialogDoesNotAllow) {
  const Text yes_no = NoRolesKey(u"class CDynWindow", u"<>Q",
                                 u"3|class CMetaButton|<>S\\xed|1|class CMetaButton|<>No|1|"
                                 u"class CTextWindow|<>\\xbfSeguir?|");
  const Text input =
      u"class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4294967295|0|1|2|"
      u"4294967295|3|class CMetaEdit|<>|class CMetaButton|<>Validar lo ingresado|1|"
      u"class CMetaButton|<>Terminar el tratamiento|1|";
  const Text texts_only =
      NoRolesKey(u"class CDynWindow", u"<>Espere", u"1|class CTextWindow|<>Procesando|");
  const Text longest(kLongestTypedText, u'9');
  const struct {
    const char* name;
    Text key;
    Text answers;
    bool stored;
  } cases[] = {
      {"one press", yes_no, u"3|class CNullInteraction|class CPressButton|class CNullInteraction|",
       true},
      {"no press", yes_no, u"3|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       false},
      {"two presses", yes_no, u"3|class CPressButton|class CPressButton|class CNullInteraction|",
       false},
      {"a typed value and its press", input,
       u"3|class CPutText|<>12|class CPressButton|class CNullInteraction|", true},
      {"a typed value without a press", input,
       u"3|class CPutText|<>12|class CNullInteraction|class CNullInteraction|", false},
      {"both buttons of the input pressed", input,
       u"3|class CPutText|<>12|class CPressButton|class CPressButton|", false},
      {"the longest value an edit takes", input,
       u"3|class CPutText|<>" + longest + u"|class CPressButton|class CNullInteraction|", true},
      {"a longer value", input,
       u"3|class CPutText|<>" + longest + u"9|class CPressButton|class CNullInteraction|", false},
      {"a dialog without buttons, left alone", texts_only, u"1|class CNullInteraction|", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Text key = c.key;
    Text answers = c.answers;
    EXPECT_EQ(NormalizeEntry(key, answers), c.stored);
    if (!c.stored) {
      EXPECT_EQ(key, c.key);
      EXPECT_EQ(answers, c.answers);
    }
  }
}

TEST(NormalizeEntry, LeavesARefusedEntryUntouched) {
  const std::pair<Text, Text> refused[] = {
      {u"class CFoo|x|", u"0|"},
      {NoRolesKey(u"class CDynWindow", u"<>A", u"1|class CMetaButton|<>B|1|"), u"1|class CX|"},
      {NoRolesKey(u"class CDynWindow", u"<>A", u"1|class CMetaButton|<>B|1"), u"1|"},
  };
  for (const auto& [stored_key, stored_answers] : refused) {
    Text key = stored_key;
    Text answers = stored_answers;
    EXPECT_FALSE(NormalizeEntry(key, answers));
    EXPECT_EQ(key, stored_key);
    EXPECT_EQ(answers, stored_answers);
  }
}

// --- live captures ----------------------------------------------------------------------

class LiveKeyTest : public ::testing::Test {
 protected:
  FakeDesktop desk;

  // The key of the live capture, and the check that the dialog rebuilt from
  // it writes the very same key.
  Text LiveKey(Hwnd dialog) {
    auto captured = CaptureDialog(desk, dialog);
    const Text key = WriteKey(*captured);
    auto rebuilt = ReadKey(key, WriteAnswers(captured->GetAnswers()));
    EXPECT_EQ(WriteKey(*rebuilt), key);
    return key;
  }
};

TEST_F(LiveKeyTest, CapturedMessageBoxWritesItsNormalizedCaptionAndControlsInWindowOrder) {
  const Hwnd box = desk.AddMessageBox(u"Aviso del despacho 12001IC04000123A",
                                      u"El ítem 3 | no tiene \"origen\"",
                                      desk.SystemIcon(win::kIdiAsterisk), {{u"Aceptar", 1}});
  EXPECT_EQ(LiveKey(box), NoRolesKey(u"class CDynWindow",
                                     u"<>Aviso del despacho {{NRO DESPACHO}}",
                                     u"3|class CIconWindow|98052|"
                                     u"class CMetaButton|<>Aceptar|1|"
                                     u"class CTextWindow|<>El \\xedtem 3 \\x7c no tiene "
                                     u"\\x22origen\\x22|"));
}

TEST_F(LiveKeyTest, LiveButtonWritesItsEnabledStateAtWritingTime) {
  const Hwnd box = desk.AddMessageBox(u"Pregunta", u"¿Seguir?", 0, {{u"&Sí", 6}, {u"&No", 7}});
  auto captured = CaptureDialog(desk, box);
  const Hwnd no = desk.GetWindow(desk.GetWindow(box, win::kGwChild), win::kGwHwndNext);
  desk.Get(no).props.enabled = false;
  EXPECT_EQ(WriteKey(*captured),
            NoRolesKey(u"class CDynWindow", u"<>Pregunta",
                       u"3|class CMetaButton|<>&S\\xed|1|class CMetaButton|<>&No|0|"
                       u"class CTextWindow|<>\\xbfSeguir?|"));
}

TEST_F(LiveKeyTest, CapturedDataInputDialogWritesAnEmptyEdit) {
  const Hwnd dlg = desk.AddTopLevel({.text = u"Ingreso de dato complementario"});
  desk.AddChild(dlg, {.class_name = u"Edit", .text = u"escrito antes"});
  desk.AddChild(dlg, {.class_name = u"Button", .text = u"&Validar lo ingresado", .control_id = 1});
  desk.AddChild(dlg, {.class_name = u"Button", .text = u"Terminar el tratamiento", .control_id = 2});
  desk.AddChild(dlg, {.class_name = u"Static", .text = u"El tarifex ha detectado"});
  desk.AddChild(dlg, {.class_name = u"Static", .text = u"Peso neto"});
  EXPECT_EQ(LiveKey(dlg), u"class CDataInputWindow|<>Ingreso de dato complementario|"
                          u"4294967295|4|0|1|2|4294967295|5|"
                          u"class CMetaEdit|<>|"
                          u"class CMetaButton|<>&Validar lo ingresado|1|"
                          u"class CMetaButton|<>Terminar el tratamiento|1|"
                          u"class CTextWindow|<>El tarifex ha detectado|"
                          u"class CTextWindow|<>Peso neto|");
}

TEST_F(LiveKeyTest, CapturedOptionDialogWritesItsItems) {
  const Hwnd dlg = desk.AddTopLevel({.text = u"Seleccion de una opcion"});
  desk.AddChild(dlg, {.class_name = u"Button", .text = u"No seleccionar ninguna", .enabled = false});
  desk.AddChild(dlg, {.class_name = u"Button", .text = u"Cancelar el  tratamiento"});
  desk.AddChild(dlg, {.class_name = u"ListBox", .items = {u"Opción 1", u"", u"a|b"}});
  desk.AddChild(dlg, {.class_name = u"Button", .text = u"Seleccionar la opción marcada"});
  EXPECT_EQ(LiveKey(dlg), u"class CItemSelectionWindow|<>Seleccion de una opcion|"
                          u"2|4294967295|4294967295|3|1|0|4|"
                          u"class CMetaButton|<>No seleccionar ninguna|0|"
                          u"class CMetaButton|<>Cancelar el  tratamiento|1|"
                          u"class CMetaList|3|<>Opci\\xf3n 1|<>|<>a\\x7cb|"
                          u"class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|");
}

TEST_F(LiveKeyTest, CaptureWhoseWindowsHaveGoneWritesEmptyValues) {
  const Hwnd dlg = desk.AddTopLevel({.text = u"Seleccion de una opcion"});
  const Hwnd list = desk.AddChild(dlg, {.class_name = u"ListBox", .items = {u"Uno"}});
  const Hwnd button = desk.AddChild(dlg, {.class_name = u"Button", .text = u"Cancelar el  tratamiento"});
  auto captured = CaptureDialog(desk, dlg);
  desk.Destroy(list);
  desk.Destroy(button);
  const Text key = WriteKey(*captured);
  EXPECT_EQ(key, u"class CItemSelectionWindow|<>Seleccion de una opcion|"
                 u"0|4294967295|4294967295|4294967295|1|4294967295|2|"
                 u"class CMetaList|0|class CMetaButton|<>|0|");
  EXPECT_EQ(ReadCode(key, WriteAnswers(captured->GetAnswers())), 0);
}

}  // namespace
}  // namespace korvex
