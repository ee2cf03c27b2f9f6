#include "tests/wine/tarifex_ocx/ocx_test_support.h"

#include <gtest/gtest.h>

#include "tools/common/time_scale.h"

namespace korvex::wine_test {

using com::Bstr;
using com::ComPtr;

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder;
}

std::wstring ControlPath() { return ProgramFolder() + L"TARIFEX.OCX"; }
std::wstring ComponentsPath() { return ProgramFolder() + L"DossaVars.dll"; }

int RunProgram(const std::wstring& command_line, DWORD timeout_ms) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring line = command_line;
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(process.hProcess, tools::ScaledMs(timeout_ms)) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.hProcess, &code);
  } else {
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

int Regsvr32(const std::wstring& module, bool unregister) {
  return RunProgram(std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" +
                    module + L"\"");
}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ComPtr<IVars> MakeVars(const std::vector<std::pair<std::wstring, std::wstring>>& variables) {
  ComPtr<IVars> vars;
  EXPECT_EQ(::CoCreateInstance(CLSID_Vars, nullptr, CLSCTX_INPROC_SERVER, IID_IVars,
                               vars.put_void()),
            S_OK);
  if (!vars) return vars;
  for (const auto& [name, value] : variables) {
    ComPtr<IVar> variable;
    EXPECT_EQ(::CoCreateInstance(CLSID_Var, nullptr, CLSCTX_INPROC_SERVER, IID_IVar,
                                 variable.put_void()),
              S_OK);
    if (!variable) return nullptr;
    variable->put_Name(Bstr(name).get());
    variable->put_Value(Bstr(value).get());
    vars->Add(variable.get());
  }
  return vars;
}

std::vector<std::wstring> VarsOf(IDispatch* collection) {
  std::vector<std::wstring> out;
  ComPtr<IVars> vars;
  if (collection == nullptr || FAILED(collection->QueryInterface(IID_IVars, vars.put_void()))) {
    return out;
  }
  long count = 0;
  vars->get_Count(&count);
  for (long i = 0; i < count; ++i) {
    ComPtr<IVar> variable;
    vars->get_Item(i, variable.put());
    Bstr name, value;
    variable->get_Name(name.put());
    variable->get_Value(value.put());
    out.push_back(std::wstring(name.view()) + L"=" + std::wstring(value.view()));
  }
  return out;
}

bool SameObject(IUnknown* a, IUnknown* b) {
  if (a == nullptr || b == nullptr) return a == b;
  ComPtr<IUnknown> ua, ub;
  a->QueryInterface(IID_IUnknown, ua.put_void());
  b->QueryInterface(IID_IUnknown, ub.put_void());
  return ua.get() == ub.get();
}

MemoryPropertyBag::~MemoryPropertyBag() {
  for (auto& [name, value] : values) ::VariantClear(&value);
}

STDMETHODIMP MemoryPropertyBag::QueryInterface(REFIID iid, void** out) {
  return com::QueryTable(iid, out, {{IID_IPropertyBag, static_cast<IPropertyBag*>(this)}});
}

STDMETHODIMP MemoryPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  const auto found = values.find(name);
  if (found == values.end()) return E_INVALIDARG;
  const VARTYPE wanted = value->vt;
  ::VariantInit(value);
  HRESULT hr = ::VariantCopy(value, &found->second);
  if (SUCCEEDED(hr) && wanted != VT_EMPTY && wanted != value->vt) {
    hr = ::VariantChangeType(value, value, 0, wanted);
  }
  return hr;
}

STDMETHODIMP MemoryPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  VARIANT copy;
  ::VariantInit(&copy);
  const HRESULT hr = ::VariantCopy(&copy, value);
  if (FAILED(hr)) return hr;
  auto [it, inserted] = values.try_emplace(name, copy);
  if (!inserted) {
    ::VariantClear(&it->second);
    it->second = copy;
  }
  return S_OK;
}

namespace {

// The whole program runs in one OLE apartment, with the control and the
// stand-in component server registered by regsvr32 as an installer would.
class OcxEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(::OleInitialize(nullptr), S_OK);
    ASSERT_EQ(Regsvr32(ComponentsPath(), false), 0) << "regsvr32 DossaVars.dll";
    ASSERT_EQ(Regsvr32(ControlPath(), false), 0) << "regsvr32 TARIFEX.OCX";
  }
  void TearDown() override {
    Regsvr32(ControlPath(), true);
    Regsvr32(ComponentsPath(), true);
    ::OleUninitialize();
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new OcxEnvironment);

}  // namespace

}  // namespace korvex::wine_test
