// TARIFEX.OCX, the in-process server: its four exports (tarifex.def), the
// class factories of the control and its property page, and registration.
//
// Registration touches only what this file registers.  A registration that
// fails half-way puts every tree it touched back as it found it, so an
// earlier registration (of this file or of another copy) keeps working;
// unregistration removes a class only when its server is this file, with
// the ProgID that leads to it, and the type library only when it is
// registered to this file.
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

// The classes this file serves, with their ProgIDs.
struct ServedClass {
  const CLSID& clsid;
  const wchar_t* prog_id;
};
const ServedClass kServedClasses[] = {{CLSID_TarifexCtrl, kControlProgId},
                                      {CLSID_TarifexPropPage, kPageProgId}};

bool ClassesKeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(key);
  return true;
}

// Writes the classes and the type library.  When a step fails, every tree
// the registration writes (the classes, the ProgIDs, the type library's)
// is put back as it was: an earlier registration keeps working.
HRESULT Register() {
  std::vector<std::wstring> roots;
  for (const ServedClass& served : kServedClasses) {
    roots.push_back(ClassKey(served.clsid));
    roots.push_back(served.prog_id);
  }
  HRESULT hr = com::ModuleTypeLibRoots(&roots);
  if (FAILED(hr)) return hr;
  // What could not be put back is not touched.
  const com::ClassesSnapshot before(roots);
  if (!before.ok()) return E_ACCESSDENIED;
  hr = com::WriteClassesValues(RegistrationValues());
  if (SUCCEEDED(hr)) hr = com::RegisterModuleTypeLib();
  if (FAILED(hr)) before.Restore();
  return hr;
}

// Removes each class whose server is this file, and a ProgID that leads to
// one of the classes unless another file serves that class.
HRESULT UnregisterClasses() {
  std::vector<std::wstring> trees;
  for (const ServedClass& served : kServedClasses) {
    const std::wstring class_key = ClassKey(served.clsid);
    const bool ours =
        com::NamesThisModule(com::ReadClassesString(class_key + L"\\InprocServer32", nullptr));
    if (ours) trees.push_back(class_key);
    const bool served_elsewhere = !ours && ClassesKeyExists(class_key);
    if (!served_elsewhere &&
        com::ReadClassesString(std::wstring(served.prog_id) + L"\\CLSID", nullptr) ==
            GuidText(served.clsid)) {
      trees.push_back(served.prog_id);
    }
  }
  return com::DeleteClassesTrees(trees);
}

HRESULT Unregister() {
  const HRESULT classes = UnregisterClasses();
  const HRESULT library = com::UnregisterModuleTypeLib();
  if (FAILED(library)) return SELFREG_E_TYPELIB;
  return FAILED(classes) ? SELFREG_E_CLASS : S_OK;
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
  hr = com::Guard([] { return tarifex::Register(); });
  return FAILED(hr) ? SELFREG_E_CLASS : S_OK;
}

STDAPI DllUnregisterServer() {
  return com::Guard([] { return tarifex::Unregister(); });
}
