// A stand-in for the host's tariff engine library (Mendrel.dll): the same
// ordinal-only exports, WINAPI, with a scripted engine behind them.  Tests
// load it through the control's engine adapter and drive it through three
// named exports: MendrelStubScript gives the records the engine will send
// ("\n" between records), MendrelStubSent and MendrelStubCalls report the
// records the control sent and the ordinals it called.
#include <windows.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace {

std::deque<std::string> g_script;
std::string g_sent;   // records, "\n" after each
std::string g_calls;  // ordinals, " " after each
std::map<void*, std::string> g_messages;
bool g_inSession = false;
int g_failOpen = 0;

void Called(int ordinal) { g_calls += std::to_string(ordinal) + " "; }

}  // namespace

extern "C" {

void WINAPI MendrelStubScript(const char* records, int fail_open) {
  g_script.clear();
  g_sent.clear();
  g_calls.clear();
  g_messages.clear();
  g_failOpen = fail_open;
  std::string all = records != nullptr ? records : "";
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    g_script.push_back(all.substr(pos, end - pos));
    pos = end + 1;
  }
}

const char* WINAPI MendrelStubSent() { return g_sent.c_str(); }
const char* WINAPI MendrelStubCalls() { return g_calls.c_str(); }

// The engine's ordinals (see the .def file).
void WINAPI StubBegin() { Called(193); }
void WINAPI StubEnd() { Called(194); }

int WINAPI StubOpenSession(const char* host, const char* port) {
  Called(142);
  if (g_failOpen != 0 || host == nullptr || port == nullptr) return -1;
  g_inSession = true;
  return 31;
}

void WINAPI StubBindSession(int, int) { Called(111); }

const char* WINAPI StubErrorCause() {
  Called(180);
  return "Servidor de tarifas detenido";
}
const char* WINAPI StubErrorText(const char* cause) {
  Called(187);
  return cause != nullptr ? "Conexion rechazada" : "(sin causa)";
}
const char* WINAPI StubErrorFunction(const char* error) {
  Called(186);
  return error != nullptr ? "tx_abrir" : "(sin error)";
}
int WINAPI StubErrorNumber(const char* function) {
  Called(183);
  return function != nullptr ? 10061 : -1;
}

void WINAPI StubClearMessage(void* message) {
  Called(112);
  g_messages.erase(message);
  std::memset(message, 0, 8);
}

void WINAPI StubPutRecord(void* message, const char* text, int length) {
  Called(115);
  if (text != nullptr && length > 0 && std::strlen(text) + 1 == static_cast<size_t>(length)) {
    g_messages[message] = text;
  }
}

int WINAPI StubSend(void* message) {
  Called(109);
  auto it = g_messages.find(message);
  if (!g_inSession || it == g_messages.end()) return 0;
  g_sent += it->second + "\n";
  return 1;
}

int WINAPI StubReceive(void* message) {
  Called(108);
  if (!g_inSession || g_script.empty()) return 0;
  g_messages[message] = g_script.front();
  g_script.pop_front();
  return 1;
}

const char* WINAPI StubReceivedRecord(void* message) {
  Called(114);
  auto it = g_messages.find(message);
  return it != g_messages.end() ? it->second.c_str() : nullptr;
}

void WINAPI StubCloseSession() {
  Called(110);
  g_inSession = false;
}

}  // extern "C"
