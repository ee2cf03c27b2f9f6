// The keys the query handlers look up are the keys that the key writer gives
// for the tariff control's own dialogs captured live, so an answer learned
// from one of those dialogs is found again through the service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "protocol/protocol.h"
#include "robot/capture/capture.h"
#include "robot/key/window_key.h"
#include "robot/query/query_handlers.h"
#include "tarifex/question_dialogs.h"
#include "tests/fakes/control_dialogs.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/query_fakes.h"

namespace korvex::query {
namespace {

using korvex::testing::FakeDesktop;
using korvex::testing::FakeMessageBoxResources;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// A user-interface thread reduced to a record of what it was asked.
class RecordingUi final : public UiThreadPort {
 public:
  std::vector<RemoteQueryRecord> seen;
  std::intptr_t SendRemoteQuery(RemoteQueryRecord& record) override {
    seen.push_back(record);
    record.error = kErrorNoData;
    return 1;
  }
  void WaitWhileStopping(const std::function<bool()>&) override {}
};

// Runs one handler on a request built in place; returns the key it looked up.
class HandlerKeyTest : public ::testing::Test {
 protected:
  SettableClock clock;
  RecordingUi ui;
  FakeMessageBoxResources resources;
  FakeDesktop desk;

  Text KeyOf(std::int32_t query, const std::function<void(protocol::CBuffer&)>& add) {
    QueryConnection robot({&ui, &resources}, nullptr, clock);
    protocol::CBuffer request;
    request.AddInteger(7);  // item
    add(request);
    request.AddInteger(0);  // stands for the signature
    protocol::CBuffer response;
    const std::size_t before = ui.seen.size();
    bool answered = true;
    switch (query) {
      case protocol::kMensajeAlDespachante: answered = robot.MensajeAlDespachante(request, response); break;
      case protocol::kPreguntaSiNo: answered = robot.PreguntaSiNo(request, response); break;
      case protocol::kPreguntaTexto: answered = robot.PreguntaTexto(request, response); break;
      case protocol::kPreguntaOpciones: answered = robot.PreguntaOpciones(request, response); break;
    }
    EXPECT_FALSE(answered);  // "No data"
    if (ui.seen.size() != before + 1) return u"(no lookup)";
    EXPECT_EQ(ui.seen.back().item, 7);
    return ui.seen.back().key;
  }

  // The key of a dialog laid out on the desktop, captured live.
  Text Captured(Hwnd dialog) { return WriteKey(*CaptureDialog(desk, dialog)); }

  // The control's message boxes in the window order of the system's message
  // box: the buttons, the icon, the text.
  Hwnd MessageBox(TextView caption, const std::vector<std::pair<Text, int>>& buttons, int idi,
                  TextView text) {
    const Hwnd box = desk.AddTopLevel({.text = Text(caption)});
    for (const auto& [label, id] : buttons) {
      desk.AddChild(box, {.class_name = u"Button", .text = label, .control_id = id});
    }
    desk.AddChild(box, {.class_name = u"Static", .control_id = 20, .icon = desk.SystemIcon(idi)});
    desk.AddChild(box, {.class_name = u"Static", .text = Text(text), .control_id = 0xFFFF});
    return box;
  }
};

// Texts of the host, with everything the escaping treats specially.
const Text kTexts[] = {
    u"El item no tiene certificado de origen",
    u"¿Desea continuar con la validación del ítem?",
    u"Pipe | barra \\ comillas \" ' y <menor> que",
    u"Línea uno\r\nLínea dos\tcon tabulador",
    u"Precio en € — 50%",
    u"",
};

TEST_F(HandlerKeyTest, MessageKeyEqualsTheCapturedControlMessage) {
  for (const Text& text : kTexts) {
    SCOPED_TRACE(ToUtf8(text));
    const Text key = KeyOf(protocol::kMensajeAlDespachante, [&](protocol::CBuffer& b) {
      b.AddString(text);
      b.AddString(u"Mensaje al declarante");
      b.AddInteger(0x40);  // information icon, as the control asks
    });
    EXPECT_EQ(key, Captured(MessageBox(u"Mensaje al declarante", {{u"Aceptar", 1}},
                                       win::kIdiAsterisk, text)));
  }
}

TEST_F(HandlerKeyTest, YesNoKeyEqualsTheCapturedControlQuestion) {
  for (const Text& text : kTexts) {
    SCOPED_TRACE(ToUtf8(text));
    const Text key = KeyOf(protocol::kPreguntaSiNo, [&](protocol::CBuffer& b) {
      b.AddString(text);
      b.AddString(u"Pregunta del tarifex");
      b.AddInteger(0x24);  // yes/no with the question icon, as the control asks
    });
    EXPECT_EQ(key, Captured(MessageBox(u"Pregunta del tarifex", {{u"&Sí", 6}, {u"&No", 7}},
                                       win::kIdiQuestion, text)));
  }
}

TEST_F(HandlerKeyTest, DataInputKeyEqualsTheCapturedControlDialog) {
  for (const Text& name : kTexts) {
    SCOPED_TRACE(ToUtf8(name));
    const Text key =
        KeyOf(protocol::kPreguntaTexto, [&](protocol::CBuffer& b) { b.AddString(name); });
    const testing::ControlDialog dlg = testing::AddControlDataInput(desk, name);
    const auto edit = tarifex::IndexOf(tarifex::data_input::kChildren, tarifex::ChildRole::kValue);
    desk.Get(dlg.children[static_cast<std::size_t>(edit)]).props.text = u"lo que quedó escrito";
    EXPECT_EQ(key, Captured(dlg.dialog));
  }
}

TEST_F(HandlerKeyTest, OptionsKeyEqualsTheCapturedControlDialog) {
  const std::vector<std::vector<Text>> lists = {
      {},
      {u"Uno"},
      {u"Régimen general", u"Régimen | especial", u"", u"Otro \"régimen\" <x>"},
  };
  for (const auto& options : lists) {
    SCOPED_TRACE(options.size());
    const Text key = KeyOf(protocol::kPreguntaOpciones, [&](protocol::CBuffer& b) {
      b.AddInteger(static_cast<std::int32_t>(options.size()));
      for (const Text& o : options) b.AddString(o);
    });
    EXPECT_EQ(key, Captured(testing::AddControlOptions(desk, options).dialog));
  }
}

TEST_F(HandlerKeyTest, KeysAreInTheWrittenFormWithEveryTextEscaped) {
  EXPECT_EQ(KeyOf(protocol::kPreguntaSiNo,
                  [](protocol::CBuffer& b) {
                    b.AddString(u"¿Seguir?");
                    b.AddString(u"");
                    b.AddInteger(0);
                  }),
            u"class CDynWindow|<>Pregunta del tarifex|4294967295|4294967295|4294967295|"
            u"4294967295|4294967295|4294967295|4|class CMetaButton|<>&S\\xed|1|"
            u"class CMetaButton|<>&No|1|class CIconWindow|-1|class CTextWindow|<>\\xbfSeguir?|");
  EXPECT_EQ(KeyOf(protocol::kPreguntaTexto, [](protocol::CBuffer& b) { b.AddString(u"Peso"); }),
            u"class CDataInputWindow|<>Ingreso de dato complementario|4294967295|4|0|1|2|"
            u"4294967295|5|class CMetaEdit|<>|class CMetaButton|<>Validar lo ingresado|1|"
            u"class CMetaButton|<>Terminar el tratamiento|1|class CTextWindow|<>El tarifex ha "
            u"detectado el uso de un dato complementario no especificado en el despacho !|"
            u"class CTextWindow|<>Ingrese por favor el valor de Peso :|");
  // No options: the list's count is directly followed by the last button.
  EXPECT_EQ(KeyOf(protocol::kPreguntaOpciones, [](protocol::CBuffer& b) { b.AddInteger(0); }),
            u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|"
            u"4|class CMetaButton|<>No seleccionar ninguna|1|class CMetaButton|<>Cancelar el  "
            u"tratamiento|1|class CMetaList|0|class CMetaButton|<>Seleccionar la opci\\xf3n "
            u"marcada|1|");
}

TEST_F(HandlerKeyTest, ButtonTextsComeFromTheSystemWhenItHasThem) {
  const auto yes_no_key = [&] {
    return KeyOf(protocol::kPreguntaSiNo, [](protocol::CBuffer& b) {
      b.AddString(u"T");
      b.AddString(u"C");
      b.AddInteger(0x24);
    });
  };
  const auto message_key = [&] {
    return KeyOf(protocol::kMensajeAlDespachante, [](protocol::CBuffer& b) {
      b.AddString(u"T");
      b.AddString(u"C");
      b.AddInteger(0x40);
    });
  };
  const auto question = static_cast<std::int32_t>(resources.LoadSystemIcon(win::kIdiQuestion));
  const auto information = static_cast<std::int32_t>(resources.LoadSystemIcon(win::kIdiAsterisk));

  // Without MB_GetString (Wine): the defaults.
  EXPECT_EQ(yes_no_key(), YesNoKey(u"&Sí", u"&No", question, u"T"));
  EXPECT_EQ(message_key(), MessageKey(u"Aceptar", information, u"T"));

  // With it: the system's texts; a button it has no text for keeps the default.
  resources.has_export = true;
  resources.texts = {{0, u"OK"}, {5, u"&Yes"}};
  EXPECT_EQ(yes_no_key(), YesNoKey(u"&Yes", u"&No", question, u"T"));
  EXPECT_EQ(message_key(), MessageKey(u"OK", information, u"T"));
}

TEST_F(HandlerKeyTest, ButtonTextsAreCachedForTheConnection) {
  resources.has_export = true;
  resources.texts = {{5, u"&Sí"}};
  QueryConnection robot({&ui, &resources}, nullptr, clock);
  EXPECT_EQ(robot.GetButtonText(6, u"default"), u"&Sí");
  resources.texts = {{5, u"changed"}};
  EXPECT_EQ(robot.GetButtonText(6, u"default"), u"&Sí");
  EXPECT_EQ(robot.GetButtonText(7, u"&No"), u"&No");
  // A new connection asks the system again.
  QueryConnection next({&ui, &resources}, nullptr, clock);
  EXPECT_EQ(next.GetButtonText(6, u"default"), u"changed");
}

TEST_F(HandlerKeyTest, IconValueOfTheStyleWord) {
  const auto icon = [&](int idi) { return static_cast<std::int32_t>(resources.LoadSystemIcon(idi)); };
  struct Case {
    std::uint32_t uType;
    std::int32_t expected;
  };
  const Case cases[] = {
      {0x00, -1},
      {0x10, icon(win::kIdiHand)},
      {0x24, icon(win::kIdiQuestion)},
      {0x30, icon(win::kIdiExclamation)},
      {0x40, icon(win::kIdiAsterisk)},
      {0x44, icon(win::kIdiAsterisk)},
      {0x50, -1},
      {0x60, -1},
      {0x70, -1},
      {0xFFFFFF8Fu, -1},
  };
  QueryConnection robot({&ui, &resources}, nullptr, clock);
  for (const Case& c : cases) EXPECT_EQ(robot.IconValue(c.uType), c.expected) << c.uType;

  resources.icons = false;  // the load fails
  EXPECT_EQ(robot.IconValue(0x20), -1);
  QueryConnection without_resources({&ui, nullptr}, nullptr, clock);
  EXPECT_EQ(without_resources.IconValue(0x20), -1);
}

// The judges read a stored list as the robot reads every stored answer: a
// typed value is unescaped (current and legacy forms), and a list the reader
// refuses has no shape at all.
TEST(StoredAnswerShapes, AreReadWithTheAnswerReader) {
  const Text tail = u"|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|";
  EXPECT_EQ(DataInputAnswer(u"5|class CPutText|<>12\\x7c5" + tail), (ValueAnswer{u"12|5", true}));
  EXPECT_EQ(DataInputAnswer(u"5|class CPutText|x[BAR]y" + tail), (ValueAnswer{u"x|y", true}));
  EXPECT_EQ(DataInputAnswer(u"5|class CPutText|<>1" + tail + u"trailing"), std::nullopt);
  EXPECT_EQ(DataInputAnswer(u"5|class CPutText|<>1|class CPressButton|"), std::nullopt);
  EXPECT_EQ(DataInputAnswer(u""), std::nullopt);
  EXPECT_FALSE(IsAcknowledgedMessage(u"3|class CPressButton|class CNullInteraction|class CFoo|"));
  EXPECT_TRUE(IsAcknowledgedMessage(u"3|class CPressButton|class CNullInteraction|class CNullInteraction|"));
}

}  // namespace
}  // namespace korvex::query
