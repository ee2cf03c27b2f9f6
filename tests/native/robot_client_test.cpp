// The tariff control's robot client against the robot's query service on
// loopback: the four questions end to end, the answer lists each handler
// accepts or refuses, the client's own rules (the run, the item, the
// response it accepts), and the control's 8-bit strings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "robot/capture/capture.h"
#include "robot/key/answer_text.h"
#include "robot/key/window_key.h"
#include "tarifex/ansi.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/control_dialogs.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/native/query_test_support.h"

namespace korvex::testing {
namespace {

using protocol::CBuffer;
using tarifex::CProtorobot;
using tarifex::FromAnsi;
using tarifex::ToAnsi;

// Windows-1252 bytes of the host's Spanish texts.
std::string Ansi(TextView text) { return ToAnsi(text); }

// The host's total-validation window with its progress frame at item 12.
struct Host {
  FakeDesktop desk;
  Hwnd window = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                  .text = u"Validación Total de Items",
                                  .style = 0x16CF0000});
  Hwnd frame = desk.AddChild(window, {.class_name = u"ThunderRT6Frame",
                                      .text = u"Declaración - Validando Item: 12",
                                      .style = 0x50000000});
};

class RobotClientTest : public QueryServiceTest {
 protected:
  Host host;
  std::unique_ptr<CProtorobot> client;

  void SetUp() override {
    QueryServiceTest::SetUp();
    client = std::make_unique<CProtorobot>(host.desk, tarifex::RobotClientOptions{port, &clock});
  }

  // The key of a dialog captured on the host's desktop, and the answers of
  // the dialog as the robot writes them after the user answered.
  Text CapturedKey(Hwnd dialog) { return WriteKey(*CaptureDialog(host.desk, dialog)); }

  Hwnd MessageBoxOnDesk(TextView caption, const std::vector<std::pair<Text, int>>& buttons,
                        int idi, TextView text) {
    FakeDesktop& d = host.desk;
    const Hwnd box = d.AddTopLevel({.text = Text(caption)}, host.window);
    for (const auto& [label, id] : buttons) {
      d.AddChild(box, {.class_name = u"Button", .text = label, .control_id = id});
    }
    d.AddChild(box, {.class_name = u"Static", .control_id = 20, .icon = d.SystemIcon(idi)});
    d.AddChild(box, {.class_name = u"Static", .text = Text(text), .control_id = 0xFFFF});
    return box;
  }

  bool AskYesNo(TextView text, std::int32_t& answer) {
    return client->PreguntaSiNo(host.window, Ansi(text), Ansi(u"Pregunta del tarifex"), 0x24,
                                answer);
  }
};

// --- the four questions end to end ------------------------------------------------------

TEST_F(RobotClientTest, EachQuestionIsAnsweredFromAnswersLearnedOnTheControlsDialogs) {
  // What the robot learned when the control showed its own dialogs: the keys
  // of the captured dialogs and the user's answers.
  const Text message = u"El ítem 12 no tiene certificado de origen | revisar";
  Store(CapturedKey(MessageBoxOnDesk(u"Mensaje al declarante", {{u"Aceptar", 1}},
                                     win::kIdiAsterisk, message)),
        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
  const Text question = u"¿Aplica el régimen de \"courier\"?";
  Store(CapturedKey(MessageBoxOnDesk(u"Pregunta del tarifex", {{u"&Sí", 6}, {u"&No", 7}},
                                     win::kIdiQuestion, question)),
        u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
        u"class CNullInteraction|");

  const Hwnd input = testing::AddControlDataInput(host.desk, u"Año de fabricación").dialog;
  Store(CapturedKey(input), u"5|class CPutText|<>2019 \\x7c \\xe9poca|class CPressButton|"
                            u"class CNullInteraction|class CNullInteraction|class CNullInteraction|");

  const std::vector<Text> options = {u"Régimen general", u"Régimen de muestras", u"Otro"};
  const Hwnd choice = testing::AddControlOptions(host.desk, options).dialog;
  Store(CapturedKey(choice), u"4|class CNullInteraction|class CNullInteraction|"
                             u"class CItemSelect|2|class CPressButton|");

  EXPECT_TRUE(client->MensajeAlDespachante(host.window, Ansi(message),
                                           Ansi(u"Mensaje al declarante"), 0x40));
  std::int32_t yes_no = 0;
  EXPECT_TRUE(AskYesNo(question, yes_no));
  EXPECT_EQ(yes_no, protocol::kIdNo);
  std::string value;
  EXPECT_TRUE(client->PreguntaTexto(host.window, Ansi(u"Año de fabricación"), value));
  EXPECT_EQ(value, Ansi(u"2019 | época"));
  std::int32_t chosen = 0;
  EXPECT_TRUE(client->PreguntaOpciones(
      host.window, {Ansi(options[0]), Ansi(options[1]), Ansi(options[2])}, chosen));
  EXPECT_EQ(chosen, 2);

  // Every question reached the user-interface thread with the item number.
  const auto taken = ui.TakenLookups();
  ASSERT_EQ(taken.size(), 4u);
  for (const auto& t : taken) EXPECT_EQ(t.item, 12);

  // And the robot journalled each automatic answer under that item: the
  // message as a message, the three questions with their answers.
  ui.Run([&] {
    const CVTIActions& journal = ui.Robot().journal;
    ASSERT_EQ(journal.Messages().count(12), 1u);
    ASSERT_EQ(journal.Messages().at(12).size(), 1u);
    EXPECT_TRUE(journal.Messages().at(12)[0].m_automatic);
    ASSERT_EQ(journal.Questions().count(12), 1u);
    std::vector<Text> answers;
    for (const auto& [question, action] : journal.Questions().at(12)) {
      EXPECT_TRUE(action.m_automatic);
      answers.push_back(action.m_answer);
    }
    EXPECT_THAT(answers, ::testing::UnorderedElementsAre(
                             u"Presionar No", u"Ingresar ' 2019 | época', Presionar Validar lo ingresado",
                             u"Seleccionar 'Otro', Presionar Seleccionar la opción marcada"));
  });
}

// The robot answers only what it can read back as a whole answer list: the
// handler's own reading drops a piece after the last "|", but the robot
// refuses the stored entry, and neither answers nor journals it.
TEST_F(RobotClientTest, AStoredAnswerThatDoesNotReadBackIsNoAnswer) {
  const Text name = u"Peso neto";
  Store(query::DataInputKey(name), u"5|class CPutText|<>1200|class CPressButton|"
                                   u"class CNullInteraction|class CNullInteraction|"
                                   u"class CNullInteraction|y algo m\xe1s");
  std::string value = "sin tocar";
  EXPECT_FALSE(client->PreguntaTexto(host.window, Ansi(name), value));
  EXPECT_EQ(value, "sin tocar");
  EXPECT_EQ(ui.TakenLookups().size(), 1u);
  ui.Run([&] { EXPECT_EQ(ui.Robot().journal.CountQuestions(), 0u); });
}

TEST_F(RobotClientTest, NoAnswerWhenTheRobotIsBusyHasNoProfileOrNoData) {
  const Text text = u"¿Continuar?";
  Store(query::YesNoKey(u"&Sí", u"&No", IconOf(win::kIdiQuestion), text),
        u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
        u"class CNullInteraction|");
  std::int32_t answer = 0;
  ASSERT_TRUE(AskYesNo(text, answer));
  EXPECT_EQ(answer, protocol::kIdYes);

  ui.SetBusy(true);
  EXPECT_FALSE(AskYesNo(text, answer));
  ui.SetBusy(false);

  ui.SetProfile(nullptr);
  EXPECT_FALSE(AskYesNo(text, answer));
  ui.SetProfile(&profile);

  EXPECT_FALSE(AskYesNo(u"¿Otra pregunta?", answer));  // no data
  Store(query::YesNoKey(u"&Sí", u"&No", IconOf(win::kIdiQuestion), u"vacía"), u"");
  EXPECT_FALSE(AskYesNo(u"vacía", answer));  // an empty stored list is not an answer

  EXPECT_TRUE(AskYesNo(text, answer));
  EXPECT_EQ(ui.TakenLookups().size(), 6u);
}

// --- the answer lists each handler accepts ---------------------------------------------

TEST_F(RobotClientTest, MessageAcceptsOnlyThePressOfItsButton) {
  struct Case {
    const char16_t* stored;
    bool acknowledged;
  };
  const Case cases[] = {
      {u"3|class CPressButton|class CNullInteraction|class CNullInteraction|", true},
      {u"3|class CNullInteraction|class CNullInteraction|class CNullInteraction|", false},
      {u"3|class CPressButton|class CNullInteraction|class CNullInteraction", false},
      {u"3|class CPressButton|class CPressButton|class CNullInteraction|", false},
      {u"3|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|", false},
      {u"03|class CPressButton|class CNullInteraction|class CNullInteraction|", false},
      {u"3|class cpressbutton|class CNullInteraction|class CNullInteraction|", false},
  };
  const Text key = query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Aviso");
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.stored));
    Store(key, c.stored);
    EXPECT_EQ(client->MensajeAlDespachante(host.window, "Aviso", "Mensaje al declarante", 0x40),
              c.acknowledged);
  }
}

TEST_F(RobotClientTest, YesNoAcceptsExactlyOneOfItsButtons) {
  struct Case {
    const char16_t* stored;
    std::int32_t answer;  // 0: no answer
  };
  const Case cases[] = {
      {u"4|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|", 6},
      {u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|", 7},
      {u"4|class CPressButton|class CPressButton|class CNullInteraction|class CNullInteraction|", 0},
      {u"4|class CNullInteraction|class CNullInteraction|class CNullInteraction|class CNullInteraction|", 0},
      {u"4|class CPressButton|class CNullInteraction|class CNullInteraction|", 0},
      {u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction", 0},
  };
  const Text key = query::YesNoKey(u"&Sí", u"&No", IconOf(win::kIdiQuestion), u"¿Sí o no?");
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.stored));
    Store(key, c.stored);
    std::int32_t answer = -5;
    EXPECT_EQ(AskYesNo(u"¿Sí o no?", answer), c.answer != 0);
    EXPECT_EQ(answer, c.answer != 0 ? c.answer : -5);
  }
}

TEST_F(RobotClientTest, DataInputAcceptsAValueWithExactlyOneOfItsButtons) {
  struct Case {
    const char16_t* stored;
    bool responded;      // the robot sent a response
    bool acknowledged;   // the value is to be used
    const char16_t* value;
  };
  const Case cases[] = {
      {u"5|class CPutText|<>12,5|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       true, true, u"12,5"},
      {u"5|class CPutText|<>12,5|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|",
       true, false, u"12,5"},
      {u"5|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       true, true, u""},
      {u"5|class CPutText|12,5|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       true, true, u"12,5"},  // a value in the legacy form
      {u"5|class CPutText|<>1|class CPressButton|class CPressButton|class CNullInteraction|class CNullInteraction|",
       false},
      {u"5|class CPutText|<>1|class CNullInteraction|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       false},
      {u"4|class CPutText|<>1|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       false},
      {u"5|class CPutText|<>1|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       false},
      {u"5|class CPutText|<>1|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction",
       false},  // without the last "|" the last field is lost
      {u"5|class CItemSelect|1|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|",
       false},
      {u"5|class CPutText|<>1|class CPressButton|class CNullInteraction|class CPressButton|class CNullInteraction|",
       false},
      {u"5|class CPutText|", false},
  };
  const Text key = query::DataInputKey(u"Peso neto");
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.stored));
    Store(key, c.stored);
    std::string value = "sin tocar";
    EXPECT_EQ(client->PreguntaTexto(host.window, "Peso neto", value), c.responded && c.acknowledged);
    EXPECT_EQ(value, c.responded ? Ansi(c.value) : "sin tocar");
  }
}

TEST_F(RobotClientTest, OptionsAcceptExactlyOneButtonAndAnOfferedOption) {
  struct Case {
    int count;
    const char16_t* stored;
    std::int32_t answer;  // 1000: no answer
  };
  constexpr std::int32_t kNone = 1000;
  const Case cases[] = {
      {6, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|5|class CPressButton|", 5},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|5|class CPressButton|", kNone},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|0|class CPressButton|", 0},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect| \t3|class CPressButton|", 3},
      // The handler's own reading would take "+3"; the robot's does not read
      // the stored list back, so it has no answer.
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|+3|class CPressButton|", kNone},
      // Blanks around a number are the answer reader's to skip.
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|3 |class CPressButton|", 3},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|3x|class CPressButton|", kNone},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect||class CPressButton|", kNone},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|4294967295|class CPressButton|", kNone},
      // Nothing marked when "Seleccionar la opción marcada" was pressed: the
      // control's dialog cancels the treatment.
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|4294966297|class CPressButton|", -999},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CNullInteraction|class CPressButton|", kNone},
      {5, u"4|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|", -1},
      {5, u"4|class CPressButton|class CNullInteraction|class CItemSelect|2|class CNullInteraction|", -1},
      {5, u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|", -999},
      {5, u"4|class CPressButton|class CPressButton|class CNullInteraction|class CNullInteraction|", kNone},
      {5, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|class CNullInteraction|", kNone},
      {5, u"4|class CPressButton|class CNullInteraction|class CItemSelect|1|class CPressButton|", kNone},
      {5, u"3|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|", kNone},
      {5, u"4|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|class CNullInteraction|", kNone},
      {5, u"4|class CPressButton|class CNullInteraction|class CPutText|<>1|class CNullInteraction|", kNone},
      {0, u"4|class CPressButton|class CNullInteraction|class CNullInteraction|class CNullInteraction|", -1},
      {0, u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|", -999},
      {0, u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|0|class CPressButton|", kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " " << ToUtf8(c.stored));
    std::vector<Text> options;
    std::vector<std::string> ansi;
    for (int i = 0; i < c.count; ++i) {
      options.push_back(u"Opción " + FromUtf8(std::to_string(i)));
      ansi.push_back(Ansi(options.back()));
    }
    Store(query::OptionsKey(options), c.stored);
    std::int32_t answer = kNone;
    EXPECT_EQ(client->PreguntaOpciones(host.window, ansi, answer), c.answer != kNone);
    EXPECT_EQ(answer, c.answer);
  }
}

TEST_F(RobotClientTest, OptionCountsBeyondTheBoundAreRefusedBeforeAnyOptionIsRead) {
  for (const std::int32_t count : {5001, -1, 0x7FFFFFFF}) {
    SCOPED_TRACE(count);
    EXPECT_FALSE(Exchange(port, SignedRequest(clock, protocol::kPreguntaOpciones, [&](CBuffer& b) {
                   b.AddInteger(1);
                   b.AddInteger(count);
                 })));
  }
  std::vector<Text> many(5000, u"x");
  Store(query::OptionsKey(many), u"4|class CNullInteraction|class CNullInteraction|"
                                 u"class CItemSelect|4999|class CPressButton|");
  std::int32_t answer = 0;
  EXPECT_TRUE(client->PreguntaOpciones(host.window, std::vector<std::string>(5000, "x"), answer));
  EXPECT_EQ(answer, 4999);
  EXPECT_EQ(ui.TakenLookups().size(), 1u);
}

TEST_F(RobotClientTest, HandlersRefuseMissingAndExtraParameters) {
  struct Case {
    const char* name;
    std::int32_t query;
    std::function<void(CBuffer&)> add;
  };
  const Case cases[] = {
      {"message without uType", 0, [](CBuffer& b) { b.AddInteger(1); b.AddString(u"t"); b.AddString(u"c"); }},
      {"message with an extra integer", 0,
       [](CBuffer& b) { b.AddInteger(1); b.AddString(u"t"); b.AddString(u"c"); b.AddInteger(0x40); b.AddInteger(0); }},
      {"yes/no without caption", 1, [](CBuffer& b) { b.AddInteger(1); b.AddString(u"t"); }},
      {"data input without name", 2, [](CBuffer& b) { b.AddInteger(1); }},
      {"data input with an extra string", 2, [](CBuffer& b) { b.AddInteger(1); b.AddString(u"n"); b.AddString(u"n"); }},
      {"options missing one", 3, [](CBuffer& b) { b.AddInteger(1); b.AddInteger(2); b.AddString(u"a"); }},
      {"options with one too many", 3,
       [](CBuffer& b) { b.AddInteger(1); b.AddInteger(1); b.AddString(u"a"); b.AddString(u"b"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Exchange(port, SignedRequest(clock, c.query, c.add)));
  }
  EXPECT_TRUE(ui.TakenLookups().empty());
}

// --- the client's own rules ---------------------------------------------------------------

TEST(RobotClientHost, OnlyTheTotalValidationWindowIsABatchRun) {
  struct Case {
    const char16_t* title;
    std::uint32_t style;
    bool batch;
  };
  const Case cases[] = {
      {u"Validación Total de Items", 0x16CF0000, true},
      {u"validación total de items", 0x16CF0000, false},
      {u"Validación Total de Items ", 0x16CF0000, false},
      {u"Validacion Total de Items", 0x16CF0000, false},
      {u"Validación Total de Items", 0, false},  // a style of 0: not a window
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.title));
    FakeDesktop desk;
    const Hwnd parent = desk.AddTopLevel({.text = c.title, .style = c.style});
    CProtorobot client(desk, {.port = 1});
    EXPECT_EQ(client.IsBatchProcess(parent), c.batch);
  }
  FakeDesktop desk;
  CProtorobot client(desk, {.port = 1});
  EXPECT_FALSE(client.IsBatchProcess(kNoWindow));
  EXPECT_FALSE(client.IsBatchProcess(0x4242));  // no such window
}

TEST(RobotClientHost, TheItemComesFromTheFirstProgressFrame) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char16_t*, const char16_t*>> children;  // class, text
    int item;
  };
  const char16_t* frame = u"ThunderRT6Frame";
  const Case cases[] = {
      {"item 7", {{frame, u"Declaración - Validando Item: 7"}}, 7},
      {"item 0", {{frame, u"Declaración - Validando Item: 0"}}, 0},
      {"item 9999", {{frame, u"Declaración - Validando Item:9999"}}, 9999},
      {"item 10000", {{frame, u"Declaración - Validando Item: 10000"}}, 0},
      {"digits then text", {{frame, u"Declaración - Validando Item:   42 de 80"}}, 42},
      {"sixteen bits", {{frame, u"Declaración - Validando Item: 65543"}}, 7},
      {"no number", {{frame, u"Declaración - Validando Item: siguiente"}}, 0},
      {"other frames are skipped",
       {{frame, u"Totales"}, {frame, u"Declaración - Validando Item: 15"}}, 15},
      {"the first matching frame decides",
       {{frame, u"Declaración - Validando Item: 0"}, {frame, u"Declaración - Validando Item: 3"}}, 0},
      {"another class with the text is not a frame",
       {{u"ThunderRT6TextBox", u"Declaración - Validando Item: 4"}}, 0},
      {"the prefix is case-sensitive", {{frame, u"declaración - validando item: 4"}}, 0},
      {"no frame", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desk;
    const Hwnd parent = desk.AddTopLevel({.text = u"Validación Total de Items"});
    for (const auto& [cls, text] : c.children) {
      desk.AddChild(parent, {.class_name = cls, .text = text});
    }
    CProtorobot client(desk, {.port = 1});
    EXPECT_EQ(client.ObtainCurrentItem(parent), c.item);
  }
  FakeDesktop desk;
  const Hwnd dead = desk.AddTopLevel({.style = 0});
  desk.AddChild(dead, {.class_name = frame, .text = u"Declaración - Validando Item: 5"});
  CProtorobot client(desk, {.port = 1});
  EXPECT_EQ(client.ObtainCurrentItem(dead), 0);
}

TEST_F(RobotClientTest, OutsideATotalValidationOrWithoutAnItemTheRobotIsNotAsked) {
  Store(query::MessageKey(u"Aceptar", IconOf(win::kIdiAsterisk), u"Aviso"),
        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
  const Hwnd other = host.desk.AddTopLevel({.text = u"Validación de Items"});
  EXPECT_FALSE(client->MensajeAlDespachante(other, "Aviso", "", 0x40));
  host.desk.Get(host.frame).props.text = u"Declaración - Validando Item: 0";
  EXPECT_FALSE(client->MensajeAlDespachante(host.window, "Aviso", "", 0x40));
  EXPECT_TRUE(ui.TakenLookups().empty());
  host.desk.Get(host.frame).props.text = u"Declaración - Validando Item: 1";
  EXPECT_TRUE(client->MensajeAlDespachante(host.window, "Aviso", "", 0x40));
}

// A server that answers one connection with whatever the test wants.
class ScriptedRobot {
 public:
  // reply: the bytes to send after the request was read; nothing closes the
  // connection at once.
  explicit ScriptedRobot(std::function<Bytes(const Bytes& request)> reply) : m_reply(std::move(reply)) {
    net::InitializeSockets();
    m_listening = net::Socket::Tcp();
    EXPECT_TRUE(m_listening.Bind("127.0.0.1", 0) && m_listening.Listen(1));
    port = m_listening.LocalPort();
    m_thread = std::thread([this] { Serve(); });
  }
  ~ScriptedRobot() { m_thread.join(); }
  std::uint16_t port = 0;

 private:
  void Serve() {
    if (net::WaitReadable(m_listening, 10000, nullptr) != net::WaitResult::kReady) return;
    net::Socket s = m_listening.Accept();
    if (!s.IsValid() || !s.SetNonBlocking()) return;
    std::uint8_t prefix[4];
    if (!net::ReadExactly(s, prefix, 4, 10000, nullptr)) return;
    Bytes request(prefix[0] | prefix[1] << 8 | prefix[2] << 16);
    if (!net::ReadExactly(s, request.data(), static_cast<int>(request.size()), 10000, nullptr)) return;
    const Bytes reply = m_reply(request);
    if (reply.empty()) return;  // closed without a response
    net::WriteAll(s, reply.data(), static_cast<int>(reply.size()), 10000, nullptr);
    // Keep the connection until the client closes it (at most 10 s).
    std::uint8_t sink[64];
    while (net::WaitReadable(s, 10000, nullptr) == net::WaitResult::kReady &&
           s.Receive(sink, sizeof sink) > 0) {
    }
  }
  std::function<Bytes(const Bytes&)> m_reply;
  net::Socket m_listening;
  std::thread m_thread;
};

// A signed response body: protocol, the fields, signature.
Bytes Response(Clock& clock, const std::function<void(CBuffer&)>& add,
               std::int32_t protocol_id = protocol::kProtocolId) {
  CBuffer b;
  b.AddInteger(protocol_id);
  add(b);
  b.AddSignature(clock);
  return Bytes(b.Data(), b.Data() + b.Size());
}

class RobotClientResponseTest : public ::testing::Test {
 protected:
  SettableClock clock;
  Host host;
  void SetUp() override { clock.seconds = 1'700'000'000; }
  CProtorobot ClientOf(const ScriptedRobot& robot) { return CProtorobot(host.desk, {robot.port, &clock}); }
};

TEST_F(RobotClientResponseTest, ResponseLengthsOutsideFourTo65536AreRefused) {
  struct Case {
    std::uint32_t length;
    bool accepted;
  };
  for (const Case c : {Case{3, false}, Case{4, true}, Case{65536, true}, Case{65537, false},
                       Case{0, false}, Case{0xFFFFFFFFu, false}}) {
    SCOPED_TRACE(c.length);
    ScriptedRobot robot([&](const Bytes&) {
      // The refused lengths come without any body.
      return c.accepted ? Framed(Bytes(c.length, 0)) : LittleEndian(c.length);
    });
    CProtorobot client(host.desk, {robot.port, &clock});
    CBuffer request;
    request.AddInteger(0);
    CBuffer response;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.QueryRobot(request, response), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(response.Size(), static_cast<std::int32_t>(c.length));
    }
    std::printf("[ timing ] response length %u: %s in %.3f s\n", c.length,
                c.accepted ? "read" : "refused",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

TEST_F(RobotClientResponseTest, AnswersAreJudgedAfterSignatureProtocolAndLength) {
  struct Case {
    const char* name;
    std::function<Bytes(Clock&)> reply;
    bool result;
    std::int32_t answer;
  };
  SettableClock late;
  late.seconds = 1'700'000'000 - 10;
  const std::int32_t kUntouched = 12345;
  const Case yes_no[] = {
      {"yes", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); b.AddBool(1); }); }, true, 6},
      {"no", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(7); b.AddBool(1); }); }, true, 7},
      {"OK (1)", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(1); b.AddBool(1); }); }, false, kUntouched},
      {"not acknowledged", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); b.AddBool(0); }); }, false, kUntouched},
      {"acknowledged 2", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); b.AddInteger(2); }); }, false, kUntouched},
      {"missing acknowledged", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); }); }, false, kUntouched},
      {"an extra field", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); b.AddBool(1); b.AddInteger(0); }); }, false, kUntouched},
      {"another protocol", [](Clock& k) { return Response(k, [](CBuffer& b) { b.AddInteger(6); b.AddBool(1); }, 0x00010002); }, false, kUntouched},
      {"signed 10 s ago", [&](Clock&) { return Response(late, [](CBuffer& b) { b.AddInteger(6); b.AddBool(1); }); }, false, kUntouched},
  };
  for (const Case& c : yes_no) {
    SCOPED_TRACE(c.name);
    ScriptedRobot robot([&](const Bytes&) { return Framed(c.reply(clock)); });
    CProtorobot client = ClientOf(robot);
    std::int32_t answer = kUntouched;
    EXPECT_EQ(client.PreguntaSiNo(host.window, "?", "", 0x24, answer), c.result);
    EXPECT_EQ(answer, c.answer);
  }
  for (const std::int32_t id : {-999, -1, 0, 1, 2, 3, -2, 1000}) {
    SCOPED_TRACE(id);
    ScriptedRobot robot([&](const Bytes&) {
      return Framed(Response(clock, [&](CBuffer& b) { b.AddInteger(id); }));
    });
    CProtorobot client = ClientOf(robot);
    std::int32_t answer = kUntouched;
    const bool offered = id == -999 || id == -1 || (id >= 0 && id < 3);
    EXPECT_EQ(client.PreguntaOpciones(host.window, {"a", "b", "c"}, answer), offered);
    EXPECT_EQ(answer, offered ? id : kUntouched);
  }
  for (const std::int32_t ack : {0, 1}) {
    ScriptedRobot robot([&](const Bytes&) {
      return Framed(Response(clock, [&](CBuffer& b) {
        b.AddString(u"Año – 2024 €");
        b.AddBool(ack);
      }));
    });
    CProtorobot client = ClientOf(robot);
    std::string value;
    EXPECT_EQ(client.PreguntaTexto(host.window, "Año", value), ack == 1);
    EXPECT_EQ(value, Ansi(u"Año – 2024 €"));  // handed back either way
  }
  for (const std::int32_t ack : {0, 1}) {
    ScriptedRobot robot([&](const Bytes&) {
      return Framed(Response(clock, [&](CBuffer& b) { b.AddBool(ack); }));
    });
    CProtorobot client = ClientOf(robot);
    EXPECT_EQ(client.MensajeAlDespachante(host.window, "m", "c", 0x40), ack == 1);
  }
}

TEST_F(RobotClientResponseTest, TheRequestIsSignedAndLaidOutForTheRobot) {
  Bytes seen;
  ScriptedRobot robot([&](const Bytes& request) {
    seen = request;
    return Bytes{};
  });
  CProtorobot client = ClientOf(robot);
  std::vector<std::string> options = {Ansi(u"Opción ñ"), ""};
  std::int32_t answer = 0;
  EXPECT_FALSE(client.PreguntaOpciones(host.window, options, answer));
  CBuffer b;
  ASSERT_TRUE(b.PrepareBuffer(static_cast<std::int32_t>(seen.size())));
  std::copy(seen.begin(), seen.end(), b.Data());
  ASSERT_TRUE(b.SetSize(static_cast<std::int32_t>(seen.size())));
  EXPECT_TRUE(b.CheckSignature(clock));
  std::int32_t protocol_id = 0, query = 0, item = 0, count = 0;
  Text first, second;
  ASSERT_TRUE(b.GetInteger(protocol_id) && b.GetQuery(protocol_id, query) && b.GetInteger(item) &&
              b.GetInteger(count) && b.GetString(first) && b.GetString(second) && b.ValidaEOM());
  EXPECT_EQ(query, protocol::kPreguntaOpciones);
  EXPECT_EQ(item, 12);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(first, u"Opción ñ");
  EXPECT_EQ(second, u"");
}

TEST(RobotClientNoRobot, EveryQuestionFailsPromptlyAndLeavesNoSocket) {
  // A port nobody listens on.
  std::uint16_t port = 0;
  {
    net::InitializeSockets();
    net::Socket s = net::Socket::Tcp();
    ASSERT_TRUE(s.Bind("127.0.0.1", 0));
    port = s.LocalPort();
  }
  Host host;
  CProtorobot client(host.desk, {.port = port});
  const auto before = CountProcessResources();
  const auto start = std::chrono::steady_clock::now();
  std::int32_t answer = 0;
  std::string value;
  EXPECT_FALSE(client.MensajeAlDespachante(host.window, "m", "c", 0x40));
  EXPECT_FALSE(client.PreguntaSiNo(host.window, "p", "c", 0x24, answer));
  EXPECT_FALSE(client.PreguntaTexto(host.window, "n", value));
  EXPECT_FALSE(client.PreguntaOpciones(host.window, {"a"}, answer));
  std::printf("[ timing ] four questions without a robot: %.3f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  EXPECT_EQ(CountProcessResources(), before);
}

TEST(RobotClientNoRobot, AConnectionNeitherRefusedNorMadeIsGivenUp) {
  // A listener that never accepts and whose queue is full: the system
  // neither refuses nor completes further connections.
  net::InitializeSockets();
  net::Socket listening = net::Socket::Tcp();
  ASSERT_TRUE(listening.Bind("127.0.0.1", 0) && listening.Listen(0));
  std::vector<net::Socket> fillers;
  for (int i = 0; i < 4; ++i) {
    fillers.push_back(net::Socket::Tcp());
    fillers.back().Connect("127.0.0.1", listening.LocalPort(), 200);
  }
  Host host;
  CProtorobot client(host.desk, {.port = listening.LocalPort()});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.MensajeAlDespachante(host.window, "m", "c", 0x40));
  std::printf("[ timing ] a connection never made, given up after %.3f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

TEST(RobotClientNoRobot, AConnectStillPendingAfterAFewHundredMillisecondsIsGivenUp) {
  // Windows retries a refused loopback connection for about a second before
  // it reports the refusal, and the host's thread waits meanwhile.  Here a
  // listener's full queue keeps the connection pending; 700 ms after the
  // question starts the queue is emptied and, from then on, every
  // connection is answered.  The system would complete the pending one at
  // its first retry (after a second): a client still waiting then is
  // answered, one that gave up after a few hundred milliseconds is not.
  net::InitializeSockets();
  net::Socket listening = net::Socket::Tcp();
  ASSERT_TRUE(listening.Bind("127.0.0.1", 0) && listening.Listen(0) && listening.SetNonBlocking());
  std::vector<net::Socket> fillers;
  for (int i = 0; i < 8; ++i) {
    net::Socket filler = net::Socket::Tcp();
    if (!filler.Connect("127.0.0.1", listening.LocalPort(), 100)) break;  // the queue is full
    fillers.push_back(std::move(filler));
  }
  ASSERT_FALSE(fillers.empty());

  std::promise<void> asked;
  std::atomic<bool> stop{false};
  std::atomic<int> served{0};
  std::thread robot([&] {
    asked.get_future().wait();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    for (net::Socket s = listening.Accept(); s.IsValid(); s = listening.Accept()) {}
    std::vector<net::Socket> answered;
    while (!stop) {
      if (net::WaitReadable(listening, 50, nullptr) != net::WaitResult::kReady) continue;
      net::Socket client = listening.Accept();
      if (!client.IsValid() || !client.SetNonBlocking()) continue;
      std::uint8_t prefix[4];
      Bytes body(12);
      if (!net::ReadExactly(client, prefix, 4, 2000, nullptr) ||
          !net::ReadExactly(client, body.data(), 12, 2000, nullptr)) {
        continue;
      }
      const Bytes response = Framed(Bytes{1, 2, 3, 4});
      net::WriteAll(client, response.data(), static_cast<int>(response.size()), 2000, nullptr);
      ++served;
      answered.push_back(std::move(client));
    }
  });

  Host host;
  CProtorobot client(host.desk, {.port = listening.LocalPort()});
  const auto ask = [&] {
    CBuffer request, response;
    request.AddInteger(protocol::kProtocolId);
    request.AddInteger(0);
    request.AddInteger(0);
    return client.QueryRobot(request, response);
  };
  const auto start = std::chrono::steady_clock::now();
  asked.set_value();
  const bool answered_while_pending = ask();
  std::printf("[ timing ] a pending connection given up after %.3f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  EXPECT_FALSE(answered_while_pending);
  // Once the queue has room the same client is answered.
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(ask());
  stop = true;
  robot.join();
  EXPECT_EQ(served, 1);
}

TEST(ControlStrings, Windows1252RoundTripsEveryByteAndTheHostsTexts) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(ToAnsi(FromAnsi(all)), all);

  const std::pair<const char*, const char16_t*> cases[] = {
      {"\xBF" "Contin\xFA" "a? \xF1\xD1 \xE1\xE9\xED\xF3\xFA \xC1\xC9\xCD\xD3\xDA \xFC\xDC \xA1",
       u"¿Continúa? ñÑ áéíóú ÁÉÍÓÚ üÜ ¡"},
      {"\x80 \x93" "cita\x94 \x96 \x85", u"€ “cita” – …"},
      {"Fran\xE7" "ais \xE0 \xEA\xE8\xEB \xC7", u"Français à êèë Ç"},
      {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},
  };
  for (const auto& [ansi, text] : cases) {
    EXPECT_EQ(FromAnsi(ansi), text);
    EXPECT_EQ(ToAnsi(text), ansi);
  }
  // What the code page has no byte for.
  EXPECT_EQ(ToAnsi(u"Ωx\U0001F600y"), "?x?y");
}

}  // namespace
}  // namespace korvex::testing
