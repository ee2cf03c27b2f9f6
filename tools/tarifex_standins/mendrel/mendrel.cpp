// Mendrel.dll, a stand-in for the host's tariff engine library: the same
// ordinal-only WINAPI exports (mendrel.def), behind them an engine that
// sends the records of a script and takes whatever the control sends.
//
// The script (tools/tarifex_standins/engine_script.h) is read at the start
// of every run (ordinal 193) from the file named by the environment variable
// MENDREL_SCRIPT, or else from "Mendrel.script" beside the library, so a
// test or a demo can change it between runs.  A script that is missing or
// cannot be read makes the session open fail, with the reason in the
// engine's error details, which the control shows in MsgError.
//
// With MENDREL_LOG set, every record of a run is appended to that file as
// it passes: "> " what the control sent, "< " what the engine sent, one
// line each (tools/tarifex_standins/engine_script.h, ShowRecord).
//
// Tests that load the library into their own process drive it through three
// named exports instead: MendrelStandInScript gives the exact records to
// send ("\n" between records; nothing is added), MendrelStandInSent and
// MendrelStandInCalls report the records the control sent and the ordinals
// it called.
//
// The stand-in is a test and demo program: it is never shipped.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>

#include "tools/tarifex_standins/engine_script.h"

namespace {

using korvex::standins::EngineScript;
using korvex::standins::EngineStep;

constexpr wchar_t kScriptVariable[] = L"MENDREL_SCRIPT";
constexpr wchar_t kLogVariable[] = L"MENDREL_LOG";
constexpr wchar_t kScriptBeside[] = L"Mendrel.script";

struct Engine {
  bool scripted_by_caller = false;  // MendrelStandInScript: no file is read
  std::deque<EngineStep> steps;
  bool open_fails = false;
  std::string load_error;   // why the script could not be read
  std::string pending_echo;  // a question's as=NAME, waiting for the reply
  std::deque<std::string> queued;  // records sent before the next step
  bool in_session = false;
  std::map<void*, std::string> messages;
  std::string sent;   // records, "\n" after each
  std::string calls;  // ordinals, " " after each
};

Engine& TheEngine() {
  static Engine engine;
  return engine;
}

void Called(int ordinal) { TheEngine().calls += std::to_string(ordinal) + " "; }

std::wstring Variable(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

std::wstring BesideThisLibrary(const wchar_t* name) {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&TheEngine), &module);
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path, length);
  const std::size_t slash = folder.find_last_of(L"\\/");
  folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return folder + name;
}

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return false;
  char buffer[4096];
  std::size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, read);
  std::fclose(file);
  return true;
}

void Log(const char* direction, const std::string& record) {
  const std::wstring path = Variable(kLogVariable);
  if (path.empty()) return;
  if (FILE* file = _wfopen(path.c_str(), L"ab")) {
    std::fprintf(file, "%s %s\n", direction, korvex::standins::ShowRecord(record).c_str());
    std::fclose(file);
  }
}

// At the start of a run: the script of this run.
void LoadScript(Engine& engine) {
  engine.steps.clear();
  engine.queued.clear();
  engine.pending_echo.clear();
  engine.open_fails = false;
  engine.load_error.clear();
  std::wstring path = Variable(kScriptVariable);
  if (path.empty()) path = BesideThisLibrary(kScriptBeside);
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    engine.load_error = "cannot read the engine script " + Narrow(path);
    return;
  }
  try {
    EngineScript script = korvex::standins::ParseEngineScript(bytes);
    engine.open_fails = script.open_fails;
    engine.steps.assign(script.steps.begin(), script.steps.end());
  } catch (const std::exception& e) {
    engine.load_error = Narrow(path) + ": " + e.what();
  }
}

}  // namespace

extern "C" {

void WINAPI MendrelStandInScript(const char* records, int fail_open) {
  Engine& engine = TheEngine();
  engine = Engine{};
  engine.scripted_by_caller = true;
  engine.open_fails = fail_open != 0;
  const std::string all = records != nullptr ? records : "";
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    engine.steps.push_back({all.substr(pos, end - pos), {}});
    pos = end + 1;
  }
}

const char* WINAPI MendrelStandInSent() { return TheEngine().sent.c_str(); }
const char* WINAPI MendrelStandInCalls() { return TheEngine().calls.c_str(); }

// The engine's ordinals (see mendrel.def).
void WINAPI EngineBegin() {
  Called(193);
  Engine& engine = TheEngine();
  if (!engine.scripted_by_caller) {
    engine.sent.clear();
    engine.calls = "193 ";
    LoadScript(engine);
  }
}

void WINAPI EngineEnd() { Called(194); }

int WINAPI EngineOpenSession(const char* host, const char* port) {
  Called(142);
  Engine& engine = TheEngine();
  if (engine.open_fails || !engine.load_error.empty() || host == nullptr || port == nullptr) {
    return -1;
  }
  engine.in_session = true;
  return 31;
}

void WINAPI EngineBindSession(int, int) { Called(111); }

const char* WINAPI EngineErrorCause() {
  Called(180);
  const Engine& engine = TheEngine();
  return engine.load_error.empty() ? "Servidor de tarifas detenido" : engine.load_error.c_str();
}
const char* WINAPI EngineErrorText(const char* cause) {
  Called(187);
  return cause != nullptr ? "Conexion rechazada" : "(sin causa)";
}
const char* WINAPI EngineErrorFunction(const char* error) {
  Called(186);
  return error != nullptr ? "tx_abrir" : "(sin error)";
}
int WINAPI EngineErrorNumber(const char* function) {
  Called(183);
  return function != nullptr ? 10061 : -1;
}

void WINAPI EngineClearMessage(void* message) {
  Called(112);
  TheEngine().messages.erase(message);
  std::memset(message, 0, 8);
}

void WINAPI EnginePutRecord(void* message, const char* text, int length) {
  Called(115);
  if (text != nullptr && length > 0 && std::strlen(text) + 1 == static_cast<size_t>(length)) {
    TheEngine().messages[message] = text;
  }
}

int WINAPI EngineSend(void* message) {
  Called(109);
  Engine& engine = TheEngine();
  auto it = engine.messages.find(message);
  if (!engine.in_session || it == engine.messages.end()) return 0;
  engine.sent += it->second + "\n";
  Log(">", it->second);
  // The reply to a question asked with as=NAME comes back as a datum.
  if (!engine.pending_echo.empty()) {
    engine.queued.push_back(korvex::standins::EchoRecord(engine.pending_echo, it->second));
    engine.pending_echo.clear();
  }
  return 1;
}

int WINAPI EngineReceive(void* message) {
  Called(108);
  Engine& engine = TheEngine();
  if (!engine.in_session) return 0;
  std::string record;
  if (!engine.queued.empty()) {
    record = engine.queued.front();
    engine.queued.pop_front();
  } else if (!engine.steps.empty()) {
    record = engine.steps.front().record;
    engine.pending_echo = engine.steps.front().echo_as;
    engine.steps.pop_front();
  } else {
    return 0;
  }
  Log("<", record);
  engine.messages[message] = record;
  return 1;
}

const char* WINAPI EngineReceivedRecord(void* message) {
  Called(114);
  const Engine& engine = TheEngine();
  auto it = engine.messages.find(message);
  return it != engine.messages.end() ? it->second.c_str() : nullptr;
}

void WINAPI EngineCloseSession() {
  Called(110);
  TheEngine().in_session = false;
}

}  // extern "C"
