// DossaVars.dll, a stand-in for the host's data components: an in-process
// COM server of the variable collections and tax collections the tariff
// control takes as its data components and creates for its results, with
// the host's class identifiers and interfaces (tarifex/win32/host_vars.idl),
// holding everything in memory.  Its dual interfaces answer IDispatch from
// the type library bound into it, so script hosts can use it too.
//
// The stand-in is a test and demo program: it is never shipped.
#include <windows.h>

#include <olectl.h>

#include <string>
#include <vector>

#include "tarifex/win32/com_support.h"
#include "tarifex/win32/host_vars_h.h"

namespace korvex::standins {
namespace {

using com::Bstr;
using com::ComPtr;
using com::Guard;

// Sets the thread's error information so that the caller can read why a
// call failed (the control shows the description).
HRESULT Fail(HRESULT hr, const wchar_t* description, REFIID iid) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(L"DossaVars"));
    create->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
    ::SetErrorInfo(0, info.get());
  }
  return hr;
}

HRESULT Copy(const std::wstring& text, BSTR* out) { return com::ReturnString(text, out); }

HRESULT Assign(std::wstring& field, BSTR value) {
  return Guard([&] {
    field.assign(Bstr::View(value));
    return S_OK;
  });
}

// --- a variable ---------------------------------------------------------------------------

class Var final : public com::TypeLibDispatch<IVar>, private com::ObjectBase<Var> {
 public:
  static HRESULT Create(REFIID iid, void** out) {
    return Guard([&] { return com::CreateObject<Var>(iid, out); });
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return com::QueryTable(iid, out, {{IID_IVar, static_cast<IVar*>(this)},
                                      {IID_IDispatch, static_cast<IVar*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  STDMETHODIMP get_Name(BSTR* out) override { return Copy(m_name, out); }
  STDMETHODIMP put_Name(BSTR value) override { return Assign(m_name, value); }
  STDMETHODIMP get_Value(BSTR* out) override { return Copy(m_value, out); }
  STDMETHODIMP put_Value(BSTR value) override { return Assign(m_value, value); }
  STDMETHODIMP get_Description(BSTR* out) override { return Copy(m_description, out); }
  STDMETHODIMP put_Description(BSTR value) override { return Assign(m_description, value); }

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID, void**, Args&&...);
  friend com::ObjectBase<Var>;
  Var() = default;
  ~Var() = default;

  std::wstring m_name;
  std::wstring m_value;
  std::wstring m_description;
};

// --- a collection of items of interface Item ------------------------------------------------

template <class Item>
HRESULT GetItem(const std::vector<ComPtr<Item>>& items, long index, Item** out, REFIID iid) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
    return Fail(DISP_E_BADINDEX, L"Índice fuera de rango", iid);
  }
  *out = items[static_cast<std::size_t>(index)].copy();
  return S_OK;
}

template <class Item>
HRESULT AddItem(std::vector<ComPtr<Item>>& items, Item* item) {
  if (item == nullptr) return E_POINTER;
  return Guard([&] {
    items.emplace_back(item);
    return S_OK;
  });
}

class Vars final : public com::TypeLibDispatch<IVars>, private com::ObjectBase<Vars> {
 public:
  static HRESULT Create(REFIID iid, void** out) {
    return Guard([&] { return com::CreateObject<Vars>(iid, out); });
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return com::QueryTable(iid, out, {{IID_IVars, static_cast<IVars*>(this)},
                                      {IID_IDispatch, static_cast<IVars*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  STDMETHODIMP get_Item(long index, IVar** out) override {
    return GetItem(m_items, index, out, IID_IVars);
  }
  STDMETHODIMP get_Count(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<long>(m_items.size());
    return S_OK;
  }
  // The variables may be anyone's: each is asked its name.
  STDMETHODIMP IndexOf(BSTR name, long* index) override {
    if (index == nullptr) return E_POINTER;
    *index = -1;
    return Guard([&] {
      for (std::size_t i = 0; i < m_items.size(); ++i) {
        Bstr item_name;
        const HRESULT hr = m_items[i]->get_Name(item_name.put());
        if (FAILED(hr)) return hr;
        if (item_name.view() == Bstr::View(name)) {
          *index = static_cast<long>(i);
          break;
        }
      }
      return S_OK;
    });
  }
  STDMETHODIMP Add(IVar* variable) override { return AddItem(m_items, variable); }
  STDMETHODIMP Clear() override {
    m_items.clear();
    return S_OK;
  }

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID, void**, Args&&...);
  friend com::ObjectBase<Vars>;
  Vars() = default;
  ~Vars() = default;

  std::vector<ComPtr<IVar>> m_items;
};

// --- taxes ------------------------------------------------------------------------------------

class Tax final : public com::TypeLibDispatch<ITax>, private com::ObjectBase<Tax> {
 public:
  static HRESULT Create(REFIID iid, void** out) {
    return Guard([&] { return com::CreateObject<Tax>(iid, out); });
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return com::QueryTable(iid, out, {{IID_ITax, static_cast<ITax*>(this)},
                                      {IID_IDispatch, static_cast<ITax*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  STDMETHODIMP get_Code(BSTR* out) override { return Copy(m_fields[0], out); }
  STDMETHODIMP put_Code(BSTR value) override { return Assign(m_fields[0], value); }
  STDMETHODIMP get_Kind(BSTR* out) override { return Copy(m_fields[1], out); }
  STDMETHODIMP put_Kind(BSTR value) override { return Assign(m_fields[1], value); }
  STDMETHODIMP get_Description(BSTR* out) override { return Copy(m_fields[2], out); }
  STDMETHODIMP put_Description(BSTR value) override { return Assign(m_fields[2], value); }
  STDMETHODIMP get_Base(BSTR* out) override { return Copy(m_fields[3], out); }
  STDMETHODIMP put_Base(BSTR value) override { return Assign(m_fields[3], value); }
  STDMETHODIMP get_Rate(BSTR* out) override { return Copy(m_fields[4], out); }
  STDMETHODIMP put_Rate(BSTR value) override { return Assign(m_fields[4], value); }
  STDMETHODIMP get_Amount(BSTR* out) override { return Copy(m_fields[5], out); }
  STDMETHODIMP put_Amount(BSTR value) override { return Assign(m_fields[5], value); }

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID, void**, Args&&...);
  friend com::ObjectBase<Tax>;
  Tax() = default;
  ~Tax() = default;

  std::wstring m_fields[6];
};

class Taxes final : public com::TypeLibDispatch<ITaxes>, private com::ObjectBase<Taxes> {
 public:
  static HRESULT Create(REFIID iid, void** out) {
    return Guard([&] { return com::CreateObject<Taxes>(iid, out); });
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return com::QueryTable(iid, out, {{IID_ITaxes, static_cast<ITaxes*>(this)},
                                      {IID_IDispatch, static_cast<ITaxes*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  STDMETHODIMP get_Item(long index, ITax** out) override {
    return GetItem(m_items, index, out, IID_ITaxes);
  }
  STDMETHODIMP get_Count(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = static_cast<long>(m_items.size());
    return S_OK;
  }
  STDMETHODIMP Add(ITax* tax) override { return AddItem(m_items, tax); }
  STDMETHODIMP Clear() override {
    m_items.clear();
    return S_OK;
  }

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID, void**, Args&&...);
  friend com::ObjectBase<Taxes>;
  Taxes() = default;
  ~Taxes() = default;

  std::vector<ComPtr<ITax>> m_items;
};

// --- the server --------------------------------------------------------------------------------

struct ServedClass {
  const CLSID& clsid;
  const wchar_t* name;
  com::ClassFactory::Create create;
};

const ServedClass kClasses[] = {
    {CLSID_Vars, L"DossaVars Vars", &Vars::Create},
    {CLSID_Var, L"DossaVars Var", &Var::Create},
    {CLSID_Taxes, L"DossaVars Taxes", &Taxes::Create},
    {CLSID_Tax, L"DossaVars Tax", &Tax::Create},
};

std::wstring ClassKey(REFCLSID clsid) { return L"CLSID\\" + com::GuidText(clsid); }

}  // namespace
}  // namespace korvex::standins

using namespace korvex;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const standins::ServedClass& served : standins::kClasses) {
    if (::IsEqualCLSID(clsid, served.clsid)) {
      return com::CreateObject<com::ClassFactory>(iid, out, served.create);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return com::ModuleCanUnload() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  return com::Guard([] {
    const std::wstring path = com::ThisModulePath();
    std::vector<com::RegistryValue> values;
    for (const standins::ServedClass& served : standins::kClasses) {
      const std::wstring key = standins::ClassKey(served.clsid);
      values.push_back({key, L"", served.name});
      values.push_back({key + L"\\InprocServer32", L"", path});
      values.push_back({key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
    }
    HRESULT hr = com::WriteClassesValues(values);
    if (SUCCEEDED(hr)) hr = com::RegisterModuleTypeLib();
    return FAILED(hr) ? SELFREG_E_CLASS : S_OK;
  });
}

STDAPI DllUnregisterServer() {
  return com::Guard([] {
    std::vector<std::wstring> roots;
    for (const standins::ServedClass& served : standins::kClasses) {
      roots.push_back(standins::ClassKey(served.clsid));
    }
    const HRESULT classes = com::DeleteClassesTrees(roots);
    const HRESULT library = com::UnregisterModuleTypeLib();
    return FAILED(classes) || FAILED(library) ? SELFREG_E_CLASS : S_OK;
  });
}
