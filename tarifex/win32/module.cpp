// TARIFEX.OCX, the in-process server: its four exports (tarifex.def), the
// class factories of the control and its property page, and registration.
//
// Module start-up initialises Windows Sockets 1.1 once for the process (the
// robot client's connections need it).  It runs on the first call of an
// export rather than in DllMain, where WSAStartup must not be called; a
// failure makes every export fail, so no object of a module that could not
// start is ever created.
#include <windows.h>

#include <olectl.h>

#include <string>
#include <vector>

#include "platform/socket.h"
#include "tarifex/win32/com_support.h"
#include "tarifex/win32/prop_page.h"
#include "tarifex/win32/tarifex_ctrl.h"

namespace korvex::tarifex {
namespace {

using com::GuidText;
using com::RegistryValue;

constexpr wchar_t kControlProgId[] = L"TARIFEX.TarifexCtrl.1";
constexpr wchar_t kPageProgId[] = L"TARIFEX.TarifexPropPage.1";
constexpr wchar_t kControlName[] = L"TARIFEX Control";
constexpr wchar_t kPageName[] = L"TARIFEX Property Page";
// The toolbox bitmap's resource identifier (tarifex.rc).
constexpr int kToolboxBitmap = 1;

HRESULT StartModule() {
  return net::InitializeSockets() ? S_OK : HRESULT_FROM_WIN32(ERROR_DLL_INIT_FAILED);
}

std::wstring ClassKey(REFCLSID clsid) { return L"CLSID\\" + GuidText(clsid); }

// Every key the registration writes lies under one of these.
std::vector<std::wstring> RegistrationRoots() {
  return {ClassKey(CLSID_TarifexCtrl), kControlProgId, ClassKey(CLSID_TarifexPropPage),
          kPageProgId};
}

std::vector<RegistryValue> RegistrationValues() {
  const std::wstring path = com::ThisModulePath();
  const std::wstring control = ClassKey(CLSID_TarifexCtrl);
  const std::wstring page = ClassKey(CLSID_TarifexPropPage);
  return {
      {control, L"", kControlName},
      {control + L"\\ProgID", L"", kControlProgId},
      {control + L"\\InprocServer32", L"", path},
      {control + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {control + L"\\Control", L"", L""},
      {control + L"\\ToolboxBitmap32", L"", path + L", " + std::to_wstring(kToolboxBitmap)},
      {control + L"\\MiscStatus", L"", L"0"},
      {control + L"\\MiscStatus\\1", L"", std::to_wstring(kMiscStatus)},
      {control + L"\\TypeLib", L"", GuidText(LIBID_TARIFEXLib)},
      {control + L"\\Version", L"", L"1.0"},
      {kControlProgId, L"", kControlName},
      {std::wstring(kControlProgId) + L"\\CLSID", L"", GuidText(CLSID_TarifexCtrl)},
      {page, L"", kPageName},
      {page + L"\\ProgID", L"", kPageProgId},
      {page + L"\\InprocServer32", L"", path},
      {page + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {kPageProgId, L"", kPageName},
      {std::wstring(kPageProgId) + L"\\CLSID", L"", GuidText(CLSID_TarifexPropPage)},
  };
}

}  // namespace
}  // namespace korvex::tarifex

using namespace korvex;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const HRESULT started = tarifex::StartModule();
  if (FAILED(started)) return started;
  com::ClassFactory::Create create = nullptr;
  if (::IsEqualCLSID(clsid, CLSID_TarifexCtrl)) {
    create = &tarifex::CTarifexCtrl::Create;
  } else if (::IsEqualCLSID(clsid, CLSID_TarifexPropPage)) {
    create = &tarifex::CTarifexPropPage::Create;
  } else {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return com::CreateObject<com::ClassFactory>(iid, out, create);
}

STDAPI DllCanUnloadNow() { return com::ModuleCanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  HRESULT hr = tarifex::StartModule();
  if (FAILED(hr)) return hr;
  hr = com::Guard([] {
    HRESULT result = com::WriteClassesValues(tarifex::RegistrationValues());
    if (SUCCEEDED(result)) result = com::RegisterModuleTypeLib();
    return result;
  });
  if (FAILED(hr)) {
    // Nothing half-registered stays behind.
    com::DeleteClassesTrees(tarifex::RegistrationRoots());
    com::UnregisterModuleTypeLib();
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  return com::Guard([] {
    const HRESULT classes = com::DeleteClassesTrees(tarifex::RegistrationRoots());
    const HRESULT library = com::UnregisterModuleTypeLib();
    if (FAILED(library)) return SELFREG_E_TYPELIB;
    return FAILED(classes) ? SELFREG_E_CLASS : S_OK;
  });
}
