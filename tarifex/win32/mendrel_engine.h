// The tariff engine port over the engine library itself: LoadLibraryW of
// Mendrel.dll and GetProcAddress of each ordinal.  The engine's functions
// are __stdcall (WINAPI), the calling convention of the host's libraries.
//
// A library that cannot be loaded, or that lacks one of the ordinals, does
// not bring the control down: every call is then harmless, the session open
// fails, and the open's error details describe what was missing, so the run
// ends with the control's "cannot open the session" text naming the system
// error.
#pragma once

#include <cstdint>
#include <string>

#include "tarifex/engine_port.h"

namespace korvex::tarifex {

inline constexpr wchar_t kEngineLibrary[] = L"Mendrel.dll";

class MendrelEngine : public TariffEngine {
 public:
  explicit MendrelEngine(const std::wstring& library = kEngineLibrary);
  ~MendrelEngine() override;
  MendrelEngine(const MendrelEngine&) = delete;
  MendrelEngine& operator=(const MendrelEngine&) = delete;

  // True when the library and every ordinal were found.
  bool IsLoaded() const { return m_loaded; }
  // The system error of the failed load (0 when loaded).
  std::uint32_t LoadError() const { return m_loadError; }

  void Begin() override;
  void End() override;
  std::int32_t OpenSession(const char* host, const char* port) override;
  void BindSession(std::int32_t session, std::int32_t session_again) override;
  const char* ErrorCause() override;
  const char* ErrorText(const char* cause) override;
  const char* ErrorFunction(const char* error) override;
  std::int32_t ErrorNumber(const char* function) override;
  void ClearMessage(EngineMessage* message) override;
  void PutRecord(EngineMessage* message, const char* text, std::int32_t length) override;
  std::int32_t Send(EngineMessage* message) override;
  std::int32_t Receive(EngineMessage* message) override;
  const char* ReceivedRecord(EngineMessage* message) override;
  void CloseSession() override;

 private:
  struct Functions;
  void* m_module = nullptr;  // HMODULE
  Functions* m_functions = nullptr;
  bool m_loaded = false;
  std::uint32_t m_loadError = 0;
  std::string m_loadCause;     // "Mendrel.dll"
  std::string m_loadFunction;  // "LoadLibrary" or "GetProcAddress(115)"
  std::string m_loadText;      // the system's message for the error
};

}  // namespace korvex::tarifex
