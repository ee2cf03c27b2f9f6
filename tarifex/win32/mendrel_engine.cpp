#include "tarifex/win32/mendrel_engine.h"

#include <windows.h>

#include <type_traits>

#include "platform/text.h"

namespace korvex::tarifex {

namespace {

using VoidFn = void(WINAPI*)();
using OpenFn = int(WINAPI*)(const char* host, const char* port);
using BindFn = void(WINAPI*)(int session, int session_again);
using CauseFn = const char*(WINAPI*)();
using TextOfTextFn = const char*(WINAPI*)(const char* previous);
using NumberOfTextFn = int(WINAPI*)(const char* previous);
using MessageFn = void(WINAPI*)(void* message);
using PutFn = void(WINAPI*)(void* message, const char* text, int length);
using MessageNumberFn = int(WINAPI*)(void* message);
using MessageTextFn = const char*(WINAPI*)(void* message);

std::string SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer != nullptr) {
    // The control's texts are 8-bit; the system's message goes in the ANSI
    // code page.
    const int size = WideCharToMultiByte(CP_ACP, 0, buffer, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    text.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, buffer, static_cast<int>(length), text.data(), size, nullptr,
                        nullptr);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
      text.pop_back();
    }
  }
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

std::string Narrow(const std::wstring& text) {
  return ToUtf8(Text(text.begin(), text.end()));
}

}  // namespace

struct MendrelEngine::Functions {
  VoidFn begin = nullptr;
  VoidFn end = nullptr;
  OpenFn open = nullptr;
  BindFn bind = nullptr;
  CauseFn cause = nullptr;
  TextOfTextFn error_text = nullptr;
  TextOfTextFn error_function = nullptr;
  NumberOfTextFn error_number = nullptr;
  MessageFn clear = nullptr;
  PutFn put = nullptr;
  MessageNumberFn send = nullptr;
  MessageNumberFn receive = nullptr;
  MessageTextFn received = nullptr;
  VoidFn close = nullptr;
};

MendrelEngine::MendrelEngine(const std::wstring& library) : m_functions(new Functions) {
  HMODULE module = LoadLibraryW(library.c_str());
  if (module == nullptr) {
    m_loadError = GetLastError();
    m_loadCause = Narrow(library);
    m_loadFunction = "LoadLibrary";
    m_loadText = SystemMessage(m_loadError);
    return;
  }
  m_module = module;
  Functions& f = *m_functions;
  bool all = true;
  // Each entry is looked up by its ordinal alone.
  auto find = [&](auto& slot, int ordinal) {
    if (!all) return;
    FARPROC proc = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    if (proc == nullptr) {
      m_loadError = GetLastError();
      m_loadCause = Narrow(library);
      m_loadFunction = "GetProcAddress(" + std::to_string(ordinal) + ")";
      m_loadText = SystemMessage(m_loadError);
      all = false;
      return;
    }
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
        reinterpret_cast<void (*)()>(proc));
  };
  find(f.begin, ordinal::kBegin);
  find(f.end, ordinal::kEnd);
  find(f.open, ordinal::kOpenSession);
  find(f.bind, ordinal::kBindSession);
  find(f.cause, ordinal::kErrorCause);
  find(f.error_text, ordinal::kErrorText);
  find(f.error_function, ordinal::kErrorFunction);
  find(f.error_number, ordinal::kErrorNumber);
  find(f.clear, ordinal::kClearMessage);
  find(f.put, ordinal::kPutRecord);
  find(f.send, ordinal::kSend);
  find(f.receive, ordinal::kReceive);
  find(f.received, ordinal::kReceivedRecord);
  find(f.close, ordinal::kCloseSession);
  m_loaded = all;
}

MendrelEngine::~MendrelEngine() {
  if (m_module != nullptr) FreeLibrary(static_cast<HMODULE>(m_module));
  delete m_functions;
}

void MendrelEngine::Begin() {
  if (m_loaded) m_functions->begin();
}

void MendrelEngine::End() {
  if (m_loaded) m_functions->end();
}

std::int32_t MendrelEngine::OpenSession(const char* host, const char* port) {
  return m_loaded ? m_functions->open(host, port) : -1;
}

void MendrelEngine::BindSession(std::int32_t session, std::int32_t session_again) {
  if (m_loaded) m_functions->bind(session, session_again);
}

const char* MendrelEngine::ErrorCause() {
  return m_loaded ? m_functions->cause() : m_loadCause.c_str();
}

const char* MendrelEngine::ErrorText(const char* cause) {
  return m_loaded ? m_functions->error_text(cause) : m_loadText.c_str();
}

const char* MendrelEngine::ErrorFunction(const char* error) {
  return m_loaded ? m_functions->error_function(error) : m_loadFunction.c_str();
}

std::int32_t MendrelEngine::ErrorNumber(const char* function) {
  return m_loaded ? m_functions->error_number(function) : static_cast<std::int32_t>(m_loadError);
}

void MendrelEngine::ClearMessage(EngineMessage* message) {
  if (m_loaded) m_functions->clear(message->bytes.data());
}

void MendrelEngine::PutRecord(EngineMessage* message, const char* text, std::int32_t length) {
  if (m_loaded) m_functions->put(message->bytes.data(), text, length);
}

std::int32_t MendrelEngine::Send(EngineMessage* message) {
  return m_loaded ? m_functions->send(message->bytes.data()) : 0;
}

std::int32_t MendrelEngine::Receive(EngineMessage* message) {
  return m_loaded ? m_functions->receive(message->bytes.data()) : 0;
}

const char* MendrelEngine::ReceivedRecord(EngineMessage* message) {
  return m_loaded ? m_functions->received(message->bytes.data()) : nullptr;
}

void MendrelEngine::CloseSession() {
  if (m_loaded) m_functions->close();
}

}  // namespace korvex::tarifex
