// The road of a tariff question end to end: Dossa.exe, the simulated host,
// places TARIFEX.OCX on its validation form and runs an item through it;
// the stand-in engine asks a question.  Without the robot the control's
// dialog appears and a scripted user answers it; with the robot running
// (the real query service and the main frame's lookup, over a profile that
// holds the answer) the run ends with the same result, no dialog appears,
// and the robot's journal records the automatic answer.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "robot/query/query_handlers.h"
#include "robot/win32/win32_message_box_resources.h"
#include "tests/wine/desktop_user.h"
#include "tests/wine/robot_standin.h"
#include "tests/wine/tarifex_ocx/ocx_test_support.h"
#include "tools/common/time_scale.h"

namespace korvex::wine_test {
namespace {

using ::testing::HasSubstr;

// Each step's limit, stretched on a slow machine (KORVEX_TIME_SCALE).
const DWORD kStepMs = tools::ScaledMs(15000);
constexpr std::uint16_t kItem = 7;

std::wstring TempFolder() {
  wchar_t base[MAX_PATH];
  ::GetTempPathW(MAX_PATH, base);
  static int runs = 0;
  std::wstring folder = std::wstring(base) + L"korvex-ocx-" +
                        std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

void WriteUtf8(const std::wstring& path, const std::string& text) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << text;
}

std::vector<std::string> Lines(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool HasLine(const std::wstring& report, const std::string& start) {
  for (const std::string& line : Lines(report)) {
    if (line.rfind(start, 0) == 0) return true;
  }
  return false;
}

// The value of key=... in a report line: a quoted text (unescaped) or a word.
std::string FieldOf(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return "<none>";
  std::size_t i = at + key.size() + 2;
  std::string value;
  if (i < line.size() && line[i] == '"') {
    for (++i; i < line.size() && line[i] != '"'; ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) ++i;
      value += line[i];
    }
  } else {
    while (i < line.size() && line[i] != ' ') value += line[i++];
  }
  return value;
}

// A question the engine asks, what the user does on its dialog, and the
// answer stored in the robot's profile for it.
struct Question {
  const char* name;
  std::string engine_script;
  std::wstring dialog_caption;
  std::function<void(DesktopUser&, HWND)> user_answers;
  std::function<Text()> key;  // the query's key for the question
  Text stored_answer;
  std::string infcom;  // what the run leaves in RInfCom
};

const Text kMessageText = u"El ítem no registra certificado de origen.";
const Text kQuestionText = u"¿El ítem tiene certificado de origen?";
const std::vector<Text> kOptions = {u"Unidad: kilogramo", u"Unidad: litro",
                                    u"Unidad: metro cúbico"};

// The icon and button texts of the keys, as the robot's handlers find them.
query::QueryConnection& Probe() {
  static win32::Win32MessageBoxResources resources;
  static SystemClock clock;
  static query::QueryConnection probe({nullptr, &resources}, nullptr, clock);
  return probe;
}

std::vector<Question> Questions() {
  return {
      {"complementary value", "com MARCA as=MARCA\n", L"Ingreso de dato complementario",
       [](DesktopUser& u, HWND d) {
         u.Type(d, L"ACME");
         u.Click(d, L"Validar lo ingresado");
       },
       [] { return query::DataInputKey(u"MARCA"); },
       u"5|class CPutText|<>ACME|class CPressButton|class CNullInteraction|"
       u"class CNullInteraction|class CNullInteraction|",
       "MARCA=ACME"},
      {"option", "aopt \"Unidad: kilogramo\" \"Unidad: litro\" \"Unidad: metro cúbico\" as=UNIDAD\n",
       L"Seleccion de una opcion",
       [](DesktopUser& u, HWND d) {
         u.Pick(d, 1);
         u.Click(d, L"Seleccionar la opción marcada");
       },
       [] { return query::OptionsKey(kOptions); },
       u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|class CPressButton|",
       "UNIDAD=1"},
      {"yes/no", "txt \"¿El ítem tiene certificado de origen?\" as=ORIGEN\n",
       L"Pregunta del tarifex", [](DesktopUser& u, HWND d) { u.Press(d, IDYES); },
       [] {
         return query::YesNoKey(Probe().GetButtonText(6, query::kDefaultYes),
                                Probe().GetButtonText(7, query::kDefaultNo),
                                Probe().IconValue(0x24), kQuestionText);
       },
       u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
       u"class CNullInteraction|",
       "ORIGEN=SI"},
      {"message", "dmsg \"El ítem no registra certificado de origen.\"\n",
       L"Mensaje al declarante", [](DesktopUser& u, HWND d) { u.Press(d, IDOK); },
       [] {
         return query::MessageKey(Probe().GetButtonText(1, query::kDefaultAccept),
                                  Probe().IconValue(0x40), kMessageText);
       },
       u"3|class CPressButton|class CNullInteraction|class CNullInteraction|", "<none>"},
  };
}

// The control always asks on the robot's own port, so the stand-in listens
// there.  On a machine shared with another robot's tests the port may be
// held for a while; the wait is bounded.
bool StartOnTheRobotsPort(RobotStandIn& robot) {
  const ULONGLONG deadline = ::GetTickCount64() + 4 * kStepMs;
  while (!robot.Start()) {
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(500);
  }
  return true;
}

struct Outcome {
  std::string ended;                 // the "ended ... kind=tarifex" line
  std::vector<std::wstring> dialogs;  // captions of the dialogs the user saw
  std::vector<std::string> report;
};

// Runs Dossa.exe with the control and the engine's question; the robot, when
// given, is told of the validation window before the user starts the run.
Outcome RunDossa(const Question& q, RobotStandIn* robot) {
  Outcome outcome;
  const std::wstring folder = TempFolder();
  const std::wstring report = folder + L"report.txt";
  WriteUtf8(folder + L"engine.script", q.engine_script + "record UPOS \"NCM|8471.30.12\"\n");
  WriteUtf8(folder + L"dossa.script",
            "open\n"
            "control\n"
            "item 7\n"
            "tarifex gen=DDDTOFICIA=20240131 art=IESPNCE=8471.30.12.110 timeout=20000\n");
  ::SetEnvironmentVariableW(L"MENDREL_SCRIPT", (folder + L"engine.script").c_str());
  ::SetEnvironmentVariableW(L"MENDREL_LOG", (folder + L"engine.log").c_str());

  std::wstring command = L"\"" + ProgramFolder() + L"Dossa.exe\" --stay --max-seconds 90" +
                         L" --script \"" + folder + L"dossa.script\" --report \"" + report + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "Dossa.exe did not start";
    return outcome;
  }
  ::CloseHandle(process.hThread);
  DesktopUser user(process.dwProcessId);

  // The validation form with the control on it.
  HWND validation = user.WaitFor(L"Validación Total de Items", kStepMs, L"ThunderRT6FormDC");
  const ULONGLONG placed = ::GetTickCount64() + kStepMs;
  while (!HasLine(report, "control created") && ::GetTickCount64() < placed) ::Sleep(20);
  EXPECT_NE(validation, nullptr);
  EXPECT_TRUE(HasLine(report, "control created"));
  if (robot != nullptr && validation != nullptr) robot->ValidationStarted(validation);

  // The user starts the validation and answers whatever the control asks.
  if (validation != nullptr) {
    EXPECT_TRUE(user.Click(validation, L"&Validar Items"));
  }
  std::set<HWND> answered;
  const ULONGLONG deadline = ::GetTickCount64() + 3 * kStepMs;
  while (!HasLine(report, "run ended") && ::GetTickCount64() < deadline) {
    for (HWND dialog : user.Dialogs()) {
      if (!answered.insert(dialog).second) continue;
      ::Sleep(50);  // as a person reads it first
      outcome.dialogs.push_back(TextOf(dialog));
      q.user_answers(user, dialog);
    }
    ::Sleep(20);
  }

  if (HWND main = user.Find(L"DOSSA - Declaraciones Aduaneras", L"ThunderRT6FormDC")) {
    ::PostMessageW(main, WM_CLOSE, 0, 0);
  }
  if (::WaitForSingleObject(process.hProcess, kStepMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "Dossa.exe did not end";
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hProcess);
  ::SetEnvironmentVariableW(L"MENDREL_SCRIPT", nullptr);
  ::SetEnvironmentVariableW(L"MENDREL_LOG", nullptr);

  outcome.report = Lines(report);
  for (const std::string& line : outcome.report) {
    if (line.rfind("ended item=7 n=1 kind=tarifex", 0) == 0) outcome.ended = line;
  }
  return outcome;
}

std::string Show(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

TEST(TarifexDossaWine, EachQuestionIsAskedOfTheUserWithoutTheRobotAndAnsweredByTheRobotWithIt) {
  for (const Question& q : Questions()) {
    SCOPED_TRACE(q.name);

    // Without the robot: the control's dialog appears, the user answers it.
    const Outcome by_user = RunDossa(q, nullptr);
    EXPECT_EQ(FieldOf(by_user.ended, "result"), "1") << Show(by_user.report);
    EXPECT_EQ(FieldOf(by_user.ended, "error"), "");
    EXPECT_EQ(FieldOf(by_user.ended, "RInfCom"), q.infcom);
    EXPECT_EQ(FieldOf(by_user.ended, "RItem"), "NCM=8471.30.12");
    EXPECT_THAT(by_user.dialogs, ::testing::ElementsAre(q.dialog_caption));
    EXPECT_THAT(Show(by_user.report), HasSubstr("control-dialog item=7 n=1"));

    // With the robot and the answer stored in its active profile.
    RobotStandIn robot;
    ASSERT_TRUE(StartOnTheRobotsPort(robot))
        << "port 19697 stays taken: another robot program runs on this machine";
    const Text key = q.key();
    robot.Run([&] { robot.Profile().SetAnswer(key, q.stored_answer); });
    const Outcome by_robot = RunDossa(q, &robot);
    EXPECT_EQ(FieldOf(by_robot.ended, "result"), "1") << Show(by_robot.report);
    EXPECT_EQ(FieldOf(by_robot.ended, "RInfCom"), q.infcom);
    EXPECT_EQ(FieldOf(by_robot.ended, "RItem"), "NCM=8471.30.12");
    EXPECT_TRUE(by_robot.dialogs.empty());
    EXPECT_THAT(Show(by_robot.report), ::testing::Not(HasSubstr("control-dialog")));
    EXPECT_EQ(robot.Lookups(), 1);

    // The robot's journal: the question, for item 7, answered automatically.
    std::vector<CVTIAction> journal;
    robot.Run([&] {
      const auto& questions = robot.Journal().Questions();
      if (auto it = questions.find(kItem); it != questions.end()) {
        for (const auto& [question, action] : it->second) journal.push_back(action);
      }
      const auto& messages = robot.Journal().Messages();
      if (auto it = messages.find(kItem); it != messages.end()) {
        journal.insert(journal.end(), it->second.begin(), it->second.end());
      }
    });
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].m_automatic, 1);
    EXPECT_EQ(journal[0].m_item, kItem);
  }
}

}  // namespace
}  // namespace korvex::wine_test
