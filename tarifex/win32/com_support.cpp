#include "tarifex/win32/com_support.h"

#include <cstring>
#include <cwchar>
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

// --- snapshots of trees ------------------------------------------------------------------

namespace {

// Reads the key's values and subkeys, recursively; false on a failure.
bool ReadTree(HKEY key, ClassesSnapshot::Key* out) {
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                         &values, &longest_name, &longest_data, nullptr,
                         nullptr) != ERROR_SUCCESS) {
    return false;
  }
  for (DWORD i = 0; i < values; ++i) {
    std::wstring name(longest_name + 1, L'\0');
    std::vector<BYTE> data(longest_data + sizeof(wchar_t));
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    const LSTATUS status =
        ::RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return false;
    name.resize(name_size);
    data.resize(data_size);
    out->values.push_back({std::move(name), type, std::move(data)});
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    std::wstring name(longest_subkey + 1, L'\0');
    DWORD name_size = static_cast<DWORD>(name.size());
    const LSTATUS status =
        ::RegEnumKeyExW(key, i, name.data(), &name_size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return false;
    name.resize(name_size);
    HKEY child = nullptr;
    if (::RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) return false;
    ClassesSnapshot::Key read;
    const bool ok = ReadTree(child, &read);
    ::RegCloseKey(child);
    if (!ok) return false;
    out->subkeys.emplace_back(std::move(name), std::move(read));
  }
  return true;
}

LSTATUS WriteTree(HKEY parent, const std::wstring& name, const ClassesSnapshot::Key& tree) {
  HKEY key = nullptr;
  LSTATUS status = ::RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  for (const ClassesSnapshot::Value& value : tree.values) {
    status = ::RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0,
                              value.type, value.data.data(),
                              static_cast<DWORD>(value.data.size()));
    if (status != ERROR_SUCCESS) break;
  }
  for (const auto& [child_name, child] : tree.subkeys) {
    if (status != ERROR_SUCCESS) break;
    status = WriteTree(key, child_name, child);
  }
  ::RegCloseKey(key);
  return status;
}

}  // namespace

ClassesSnapshot::ClassesSnapshot(const std::vector<std::wstring>& roots) {
  for (const std::wstring& root : roots) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(HKEY_CLASSES_ROOT, root.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
      m_trees.emplace_back(root, nullptr);
      continue;
    }
    auto tree = std::make_unique<Key>();
    if (status != ERROR_SUCCESS || !ReadTree(key, tree.get())) m_ok = false;
    if (key != nullptr) ::RegCloseKey(key);
    m_trees.emplace_back(root, std::move(tree));
  }
}

HRESULT ClassesSnapshot::Restore() const {
  HRESULT result = S_OK;
  for (const auto& [root, tree] : m_trees) {
    LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, root.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    if (status == ERROR_SUCCESS && tree) status = WriteTree(HKEY_CLASSES_ROOT, root, *tree);
    if (status != ERROR_SUCCESS && SUCCEEDED(result)) result = HRESULT_FROM_WIN32(status);
  }
  return result;
}

std::wstring ReadClassesString(const std::wstring& key, const wchar_t* name) {
  DWORD bytes = 0;
  // REG_SZ, and REG_EXPAND_SZ expanded (without RRF_NOEXPAND).
  const DWORD flags = RRF_RT_REG_SZ;
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, flags, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, flags, nullptr, text.data(), &bytes) !=
      ERROR_SUCCESS) {
    return {};
  }
  text.resize(::wcsnlen(text.c_str(), text.size()));
  return text;
}

namespace {

// The file's identity (volume and index), when it can be opened.
bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  const HANDLE file = ::CreateFileW(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::GetFileInformationByHandle(file, info) != FALSE;
  ::CloseHandle(file);
  return ok;
}

}  // namespace

bool NamesThisModule(const std::wstring& path) {
  if (path.empty()) return false;
  const std::wstring self = ThisModulePath();
  if (::CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), self.c_str(),
                             static_cast<int>(self.size()), TRUE) == CSTR_EQUAL) {
    return true;
  }
  // Another spelling (a short name, another case of a folder): the same
  // file on the same volume.
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  return FileIdentity(path, &a) && FileIdentity(self, &b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
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

HRESULT ModuleTypeLibRoots(std::vector<std::wstring>* roots) {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLib(library.put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  roots->push_back(L"TypeLib\\" + GuidText(attributes->guid));
  library->ReleaseTLibAttr(attributes);
  const UINT count = library->GetTypeInfoCount();
  for (UINT i = 0; i < count; ++i) {
    TYPEKIND kind = TKIND_MAX;
    if (FAILED(library->GetTypeInfoType(i, &kind))) continue;
    if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) continue;
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.put()))) continue;
    TYPEATTR* type = nullptr;
    if (FAILED(info->GetTypeAttr(&type))) continue;
    roots->push_back(L"Interface\\" + GuidText(type->guid));
    info->ReleaseTypeAttr(type);
  }
  return S_OK;
}

HRESULT UnregisterModuleTypeLib() {
  ComPtr<ITypeLib> library;
  HRESULT hr = ModuleTypeLib(library.put());
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  // "TypeLib\{LIBID}\1.0\0\win32": the file registered for this platform.
  const auto hex = [](unsigned long n) {
    std::wstring digits;
    do {
      digits.insert(digits.begin(), L"0123456789abcdef"[n % 16]);
      n /= 16;
    } while (n != 0);
    return digits;
  };
  const std::wstring key = L"TypeLib\\" + GuidText(attributes->guid) + L"\\" +
                           hex(attributes->wMajorVerNum) + L"." + hex(attributes->wMinorVerNum) +
                           L"\\" + hex(attributes->lcid) + L"\\" +
                           (attributes->syskind == SYS_WIN64 ? L"win64" : L"win32");
  const std::wstring registered = ReadClassesString(key, nullptr);
  if (NamesThisModule(registered)) {
    hr = ::UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum,
                             attributes->wMinorVerNum, attributes->lcid, attributes->syskind);
  } else {
    hr = S_OK;  // not registered, or registered by another file: left alone
  }
  library->ReleaseTLibAttr(attributes);
  // Not registered (any more) is what was asked for.
  if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) hr = S_OK;
  return hr;
}

}  // namespace korvex::com
