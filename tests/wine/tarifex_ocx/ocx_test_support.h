// What the tests of TARIFEX.OCX share: the folder of the built programs,
// running a program (regsvr32, Dossa.exe), the registration of the control
// and of the stand-in component server for the whole test program, the
// stand-in component server's collections, and Wine detection.
#pragma once

#include <windows.h>

#include <ole2.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tarifex/win32/com_support.h"
#include "tarifex/win32/host_vars_h.h"
#include "tarifex/win32/tarifex_h.h"

namespace korvex::wine_test {

// The folder of this test program, where the build puts TARIFEX.OCX, the
// stand-ins and Dossa.exe too ("...\bin\").
std::wstring ProgramFolder();
std::wstring ControlPath();     // TARIFEX.OCX
std::wstring ComponentsPath();  // the stand-in component server, DossaVars.dll

// Runs the command line and waits for it: its exit code, or -1 when it
// could not be started or did not end within timeout_ms (it is then ended).
int RunProgram(const std::wstring& command_line, DWORD timeout_ms = 60000);
// "regsvr32 /s" (and "/u") of a module: its exit code.
int Regsvr32(const std::wstring& module, bool unregister);

// True under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// A collection of the stand-in component server holding the variables.
com::ComPtr<IVars> MakeVars(const std::vector<std::pair<std::wstring, std::wstring>>& variables);
// The variables of a collection offered as an IDispatch, as NAME=VALUE.
std::vector<std::wstring> VarsOf(IDispatch* collection);

// The same COM object (IUnknown identity).
bool SameObject(IUnknown* a, IUnknown* b);

// A property bag held in memory.
class MemoryPropertyBag final : public IPropertyBag {
 public:
  MemoryPropertyBag() = default;
  ~MemoryPropertyBag();
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives on the stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

  std::map<std::wstring, VARIANT> values;
};

}  // namespace korvex::wine_test
