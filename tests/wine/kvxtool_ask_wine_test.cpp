// kvxtool.exe asks the Windows build of the robot's query service, run by
// this test on a free loopback port, every kind of question.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "robot/profiles/profile.h"
#include "robot/query/query_handlers.h"
#include "robot/query/query_server.h"
#include "robot/win32/win32_message_box_resources.h"
#include "tests/fakes/query_fakes.h"

namespace korvex {
namespace {

// kvxtool.exe's path as Wine sees it (the build gives the Unix path).
std::string ToolPath() {
  const char* unix_path = std::getenv("KVXTOOL_EXE");
  if (unix_path == nullptr) return {};
  std::string path = std::string("Z:") + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Runs kvxtool.exe with the arguments (UTF-8 on the command line is not
// what Windows takes, so only ASCII arguments are used); its output and
// exit status.
std::pair<std::string, int> RunTool(const std::string& arguments) {
  // cmd.exe drops the outermost quotes of a line that starts with one.
  const std::string command = "\"\"" + ToolPath() + "\" " + arguments + " 2>&1\"";
  std::string out;
  int status = -1;
  if (FILE* pipe = _popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    status = _pclose(pipe);
  }
  std::string clean;
  for (char c : out) {
    if (c != '\r') clean.push_back(c);
  }
  return {clean, status};
}

TEST(KvxToolAskWine, EveryKindOfAnswerAndNone) {
  ASSERT_FALSE(ToolPath().empty()) << "KVXTOOL_EXE is not set";
  CProfile profile{u"Wine"};
  testing::UiDispatcher ui;
  ui.SetProfile(&profile);
  win32::Win32MessageBoxResources resources;
  query::CDirectRobot robot(query::QueryServerOptions{0, nullptr});
  robot.SetContext({&ui, &resources});
  ASSERT_TRUE(robot.Start());

  {
    SystemClock clock;
    query::QueryConnection probe({&ui, &resources}, nullptr, clock);
    const Text ok = probe.GetButtonText(1, query::kDefaultAccept);
    const Text yes = probe.GetButtonText(6, query::kDefaultYes);
    const Text no = probe.GetButtonText(7, query::kDefaultNo);
    ui.Run([&] {
      profile.SetAnswer(query::MessageKey(ok, probe.IconValue(0x40), u"Sin origen"),
                        u"3|class CPressButton|class CNullInteraction|class CNullInteraction|");
      profile.SetAnswer(query::YesNoKey(yes, no, probe.IconValue(0x24), u"Seguir?"),
                        u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
                        u"class CNullInteraction|");
      profile.SetAnswer(query::DataInputKey(u"MARCA"),
                        u"5|class CPutText|<>ACME|class CPressButton|class CNullInteraction|"
                        u"class CNullInteraction|class CNullInteraction|");
      profile.SetAnswer(query::OptionsKey({u"Uno", u"Dos", u"Tres"}),
                        u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|1|"
                        u"class CPressButton|");
    });
  }

  const std::string ask = "ask --port " + std::to_string(robot.Port()) + " ";
  struct Case {
    std::string arguments;
    std::string out;
    int status;
  };
  const Case cases[] = {
      {"message \"Sin origen\"", "mensaje aceptado\n", 0},
      {"yesno Seguir?", "7\n", 0},
      {"text MARCA", "ACME\n", 0},
      {"options Uno Dos Tres", "1\n", 0},
      {"message Otro", "sin respuesta\n", 3},
      {"text MODELO", "sin respuesta\n", 3},
  };
  for (const Case& c : cases) {
    const auto [out, status] = RunTool(ask + c.arguments);
    EXPECT_EQ(out, c.out) << c.arguments;
    EXPECT_EQ(status, c.status) << c.arguments;
  }
  robot.Stop();
  EXPECT_EQ(RunTool(ask + "message \"Sin origen\"").second, 3);
}

}  // namespace
}  // namespace korvex
