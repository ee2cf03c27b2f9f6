// The tariff engine adapter against a real library: LoadLibraryW of the
// engine, GetProcAddress by ordinal, WINAPI calls, whole runs of the control
// through it, and the trace files in the Windows runtime's text mode.  The
// stand-in engine (tools/tarifex_standins/mendrel) sits next to this program
// as Mendrel.dll.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tarifex/engine_record.h"
#include "tarifex/tarifex_control.h"
#include "tarifex/win32/mendrel_engine.h"
#include "tests/fakes/tarifex_fakes.h"

namespace korvex::tarifex {
namespace {

using testing::Collection;
using testing::MemoryComponents;
using testing::MemoryTraceFiles;
using testing::ScriptedControlUser;
using testing::ScriptedRobot;
using testing::Var;
using testing::VarsOf;
using ::testing::ElementsAre;

using ScriptFn = void(WINAPI*)(const char* records, int fail_open);
using ReportFn = const char*(WINAPI*)();

// The stand-in's own controls, looked up by name in the library the adapter
// loaded.
struct StandIn {
  StandIn() {
    HMODULE module = GetModuleHandleW(L"Mendrel.dll");
    if (module == nullptr) return;
    script = reinterpret_cast<ScriptFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(module, "MendrelStandInScript")));
    sent = reinterpret_cast<ReportFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "MendrelStandInSent")));
    calls = reinterpret_cast<ReportFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "MendrelStandInCalls")));
  }
  ScriptFn script = nullptr;
  ReportFn sent = nullptr;
  ReportFn calls = nullptr;
};

std::string Cmd(const std::string& name, std::vector<std::vector<std::string>> lines) {
  return *WriteRecord(name, lines.size() == 1 ? RecordMode::Line : RecordMode::Block, lines);
}

TEST(MendrelEngineWine, AWholeRunGoesThroughTheOrdinals) {
  MendrelEngine engine;
  ASSERT_TRUE(engine.IsLoaded()) << engine.LoadError();
  StandIn stub;
  ASSERT_NE(stub.script, nullptr);
  const std::string records = Cmd("TXT", {{"Continua?"}}) + "\n" +
                              Cmd("UPOS", {{"NCM", "8471.30.12"}, {"TASA", "14"}}) + "\n" +
                              Cmd("COM", {{"VALOR"}}) + "\nTXT_OK";
  stub.script(records.c_str(), 0);

  MemoryComponents components;
  ScriptedRobot robot;
  robot.AnswerYesNo(6);
  robot.AnswerText("1500");
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  control.Properties().host = "motor";
  control.Properties().port = "7070";
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "20240131"}}));
  ASSERT_TRUE(control.ExecTarifex(0x1234)) << control.MsgError();

  EXPECT_EQ(std::string(stub.sent()),
            "DBG(EOB=\x04,MOD=L,IFS=\x02,EOL=\x03):0\x03\n"
            "UD(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):DDDTOFICIA\x02" "20240131\x04\n"
            "NOP:*\nNOP:*\nNOP:*\n"
            "UBENEF(EOB=\x04,MOD=L,IFS=\x02,EOL=\x03):\x03\n"
            "EA:*\nSI\n1500\nEND:*\n");
  const std::string calls = stub.calls();
  EXPECT_EQ(calls.rfind("193 142 111 112 115 109 ", 0), 0u) << calls;
  EXPECT_EQ(calls.substr(calls.size() - 16), "112 112 110 194 ") << calls;
  EXPECT_THAT(VarsOf(control.Results().Get(ResultStore::kItem)),
              ElementsAre(Var{"NCM", "8471.30.12"}, Var{"TASA", "14"}));
}

TEST(MendrelEngineWine, AFailedOpenCarriesTheEnginesDetails) {
  MendrelEngine engine;
  ASSERT_TRUE(engine.IsLoaded());
  StandIn stub;
  stub.script("TXT_OK", 1);
  MemoryComponents components;
  ScriptedRobot robot;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  control.Properties().host = "motor";
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "1"}}));
  EXPECT_FALSE(control.ExecTarifex(0x1234));
  EXPECT_EQ(control.MsgError(),
            "Problemas para abrir sesion con  motor\nError N\xBA :[10061]\nFuncion: tx_abrir\n"
            "Error: Conexion rechazada\nCausa: Servidor de tarifas detenido");
  EXPECT_EQ(std::string(stub.calls()), "193 142 180 187 186 183 194 ");
}

TEST(MendrelEngineWine, AMissingLibraryFailsTheRunWithTheSystemError) {
  MendrelEngine engine(L"NoSuchEngine.dll");
  EXPECT_FALSE(engine.IsLoaded());
  EXPECT_EQ(engine.LoadError(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
  MemoryComponents components;
  ScriptedRobot robot;
  ScriptedControlUser user;
  MemoryTraceFiles files;
  TarifexControl control{{engine, components, robot, user, files}};
  control.Properties().host = "motor";
  control.SetData(TarifexControl::Data::Gen, Collection({{"DDDTOFICIA", "1"}}));
  EXPECT_FALSE(control.ExecTarifex(0x1234));
  EXPECT_EQ(control.MsgError().rfind("Problemas para abrir sesion con  motor\nError N\xBA :[126]\n"
                                     "Funcion: LoadLibrary\n", 0),
            0u)
      << control.MsgError();
  EXPECT_NE(control.MsgError().find("Causa: NoSuchEngine.dll"), std::string::npos);
}

TEST(MendrelEngineWine, ALibraryWithoutTheOrdinalsIsNotUsed) {
  // This program exports nothing: the adapter must notice the missing
  // ordinals and never call anything.
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  MendrelEngine engine(self);
  EXPECT_FALSE(engine.IsLoaded());
  EXPECT_EQ(engine.LoadError(), static_cast<std::uint32_t>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(engine.OpenSession("h", "p"), -1);
  EXPECT_EQ(std::string(engine.ErrorFunction(nullptr)), "GetProcAddress(193)");
  EXPECT_EQ(engine.Receive(nullptr), 0);
}

TEST(StdioTraceFilesWine, LinesEndInCarriageReturnAndLineFeed) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "tarifex_wine_traces";
  fs::remove_all(folder);
  fs::create_directories(folder);
  StdioTraceFiles files;
  const std::string path = folder.string() + "\\listas.trc";
  {
    auto file = files.Open(path, false);
    ASSERT_NE(file, nullptr);
    file->Write("uno\ndos\n");
  }
  {
    auto file = files.Open(path, true);
    ASSERT_NE(file, nullptr);
    file->Write("tres\n");
  }
  std::stringstream text;
  {
    std::ifstream in(path, std::ios::binary);
    text << in.rdbuf();
  }
  EXPECT_EQ(text.str(), "uno\r\ndos\r\ntres\r\n");
  EXPECT_EQ(files.Open(folder.string() + "\\missing\\x.trc", false), nullptr);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace korvex::tarifex
