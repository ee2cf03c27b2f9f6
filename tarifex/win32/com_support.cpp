#include "tarifex/win32/com_support.h"

#include <cstring>
#include <map>
#include <mutex>

namespace korvex::com {

HRESULT ReturnString(std::wstring_view text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// --- the module ---------------------------------------------------------------------------

namespace {

std::atomic<long> g_moduleReferences{0};

// The type library of this module and the type information found in it so
// far.  Objects of several apartments may ask at once.
struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const {
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
  }
};

struct TypeLibCache {
  std::mutex mutex;
  ComPtr<ITypeLib> library;
  std::map<GUID, ComPtr<ITypeInfo>, GuidLess> infos;
};

TypeLibCache& Cache() {
  static TypeLibCache cache;
  return cache;
}

HRESULT LoadLibraryLocked(TypeLibCache& cache) {
  if (cache.library) return S_OK;
  // The library is the module's resource TYPELIB 1; REGKIND_NONE: loading
  // it does not register it.
  return ::LoadTypeLibEx(ThisModulePath().c_str(), REGKIND_NONE, cache.library.put());
}

}  // namespace

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring ThisModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(ThisModule(), path.data(),
                                              static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);  // truncated: try a larger buffer
  }
}

void ModuleAddRef() { ++g_moduleReferences; }
void ModuleRelease() { --g_moduleReferences; }
bool ModuleCanUnload() { return g_moduleReferences == 0; }

// --- objects ------------------------------------------------------------------------------

HRESULT QueryTable(REFIID iid, void** out, std::initializer_list<Offer> offers) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (offers.size() == 0) return E_NOINTERFACE;
  if (::IsEqualIID(iid, IID_IUnknown)) {
    *out = offers.begin()->pointer;
  } else {
    for (const Offer& offer : offers) {
      if (::IsEqualIID(iid, offer.iid)) {
        *out = offer.pointer;
        break;
      }
    }
  }
  if (*out == nullptr) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

// --- IDispatch ------------------------------------------------------------------------------

HRESULT ModuleTypeLib(ITypeLib** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  TypeLibCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  const HRESULT hr = LoadLibraryLocked(cache);
  if (FAILED(hr)) return hr;
  *out = cache.library.copy();
  return S_OK;
}

HRESULT ModuleTypeInfo(REFGUID guid, ITypeInfo** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  TypeLibCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  if (auto found = cache.infos.find(guid); found != cache.infos.end()) {
    *out = found->second.copy();
    return S_OK;
  }
  HRESULT hr = LoadLibraryLocked(cache);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeInfo> info;
  hr = cache.library->GetTypeInfoOfGuid(guid, info.put());
  if (FAILED(hr)) return hr;
  cache.infos.emplace(guid, info);
  *out = info.detach();
  return S_OK;
}

// --- class factory --------------------------------------------------------------------------

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IClassFactory, static_cast<IClassFactory*>(this)}});
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return m_create(iid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ModuleAddRef();
  } else {
    ModuleRelease();
  }
  return S_OK;
}

// --- registration ------------------------------------------------------------------------------

HRESULT WriteClassesValues(const std::vector<RegistryValue>& values) {
  for (const RegistryValue& value : values) {
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, value.key.c_str(), 0, nullptr,
                                       REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                                       nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    const auto bytes = static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t));
    status = ::RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.data.c_str()), bytes);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT DeleteClassesTrees(const std::vector<std::wstring>& roots) {
  HRESULT result = S_OK;
  for (const std::wstring& root : roots) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, root.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) {
      result = HRESULT_FROM_WIN32(status);  // go on with the others
    }
  }
  return result;
}

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT RegisterModuleTypeLib() {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLib(library.put());
  if (FAILED(hr)) return hr;
  std::wstring path = ThisModulePath();
  return ::RegisterTypeLib(library.get(), path.data(), nullptr);
}

HRESULT UnregisterModuleTypeLib() {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLib(library.put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                           attributes->lcid, attributes->syskind);
  library->ReleaseTLibAttr(attributes);
  // Not registered (any more) is what was asked for.
  if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) hr = S_OK;
  return hr;
}

}  // namespace korvex::com
