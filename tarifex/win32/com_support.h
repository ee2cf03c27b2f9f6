// The small COM plumbing of the tariff control and of the stand-in servers
// of its tests and demo, written once: an owning interface pointer, a BSTR
// owner, the module's object count (DllCanUnloadNow), a reference-counted
// object base, QueryInterface tables, IDispatch over the module's own type
// library, a class factory, and the barrier that keeps C++ exceptions from
// crossing a COM method.
//
// Every module that links this code (TARIFEX.OCX, the stand-in servers)
// gets its own counts and finds its own type library: ThisModule() is the
// module the code was linked into.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>
#include <ole2.h>

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex::com {

// --- pointers and strings --------------------------------------------------------------

// Owns one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference.
  explicit ComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
  ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_p, other.m_p);
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns.
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.m_p = p;
    return result;
  }

  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // For out parameters: releases what is held and gives the slot.
  T** put() {
    reset();
    return &m_p;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (m_p) std::exchange(m_p, nullptr)->Release();
  }
  // Hands the reference to the caller.
  T* detach() { return std::exchange(m_p, nullptr); }
  // A new reference for an out parameter.
  T* copy() const {
    if (m_p) m_p->AddRef();
    return m_p;
  }

  template <class U>
  ComPtr<U> As(REFIID iid = __uuidof(U)) const {
    ComPtr<U> other;
    if (m_p) m_p->QueryInterface(iid, other.put_void());
    return other;
  }

 private:
  T* m_p = nullptr;
};

// Owns a BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : m_b(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (m_b == nullptr && !text.empty()) throw std::bad_alloc();
  }
  Bstr(Bstr&& other) noexcept : m_b(std::exchange(other.m_b, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(m_b, other.m_b);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(m_b); }

  BSTR get() const { return m_b; }
  BSTR* put() {
    ::SysFreeString(std::exchange(m_b, nullptr));
    return &m_b;
  }
  BSTR detach() { return std::exchange(m_b, nullptr); }
  std::wstring_view view() const { return View(m_b); }

  // A BSTR's text; a null BSTR is the empty text.
  static std::wstring_view View(BSTR b) { return {b ? b : L"", b ? ::SysStringLen(b) : 0}; }

 private:
  BSTR m_b = nullptr;
};

// A new BSTR for an out parameter.
HRESULT ReturnString(std::wstring_view text, BSTR* out);

// --- the module --------------------------------------------------------------------

// The module (DLL or program) this code is linked into.
HMODULE ThisModule();
// Its full path.
std::wstring ThisModulePath();

// Live objects and IClassFactory::LockServer locks of the module; the module
// can unload when both are zero.
void ModuleAddRef();
void ModuleRelease();
bool ModuleCanUnload();

// --- objects -------------------------------------------------------------------------------

// The reference count of a COM object of class Derived; the object counts
// in its module.  Derived implements AddRef and Release with AddReference
// and ReleaseReference, and QueryInterface with a QueryTable.
template <class Derived>
class ObjectBase {
 public:
  ObjectBase(const ObjectBase&) = delete;
  ObjectBase& operator=(const ObjectBase&) = delete;

 protected:
  ObjectBase() { ModuleAddRef(); }
  ~ObjectBase() { ModuleRelease(); }
  ULONG AddReference() { return ++m_references; }
  ULONG ReleaseReference() {
    const ULONG left = --m_references;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> m_references{1};  // the creator's reference
};

// One entry of a QueryInterface table: the interface asked for and the
// pointer handed out for it.
struct Offer {
  const IID& iid;
  void* pointer;
};
// QueryInterface over a table; the first entry also answers IUnknown.  The
// caller AddRefs on success through the returned interface.
HRESULT QueryTable(REFIID iid, void** out, std::initializer_list<Offer> offers);

// Creates an object with new and hands out the interface asked for; the
// object's own reference is dropped again, so a failed query destroys it.
template <class T, class... Args>
HRESULT CreateObject(REFIID iid, void** out, Args&&... args) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  T* object = new (std::nothrow) T(std::forward<Args>(args)...);
  if (object == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

// Runs a COM method's body: a C++ exception never leaves it.  bad_alloc
// becomes E_OUTOFMEMORY, anything else E_UNEXPECTED.
template <class Body>
HRESULT Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// --- IDispatch over the module's type library --------------------------------------------

// The type information of an interface or class in the type library bound
// into this module as resource TYPELIB 1; loaded once.
HRESULT ModuleTypeInfo(REFGUID guid, ITypeInfo** out);
// The module's type library.
HRESULT ModuleTypeLib(ITypeLib** out);

// IDispatch of a dual interface I, answered from its type information:
// names and invocations go through DispGetIDsOfNames and DispInvoke to I's
// own methods.
template <class I>
class TypeLibDispatch : public I {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ModuleTypeInfo(__uuidof(I), out);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    ComPtr<ITypeInfo> info;
    const HRESULT hr = ModuleTypeInfo(__uuidof(I), info.put());
    if (FAILED(hr)) return hr;
    return ::DispGetIDsOfNames(info.get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* bad_argument) override {
    ComPtr<ITypeInfo> info;
    const HRESULT hr = ModuleTypeInfo(__uuidof(I), info.put());
    if (FAILED(hr)) return hr;
    return ::DispInvoke(static_cast<I*>(this), info.get(), id, flags, params, result, exception,
                        bad_argument);
  }
};

// --- class factory -------------------------------------------------------------------------

// Creates the objects of one class: create(iid, out) makes a new object and
// queries it.
class ClassFactory final : public IClassFactory, private ObjectBase<ClassFactory> {
  friend ObjectBase;

 public:
  using Create = HRESULT (*)(REFIID iid, void** out);
  explicit ClassFactory(Create create) : m_create(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  Create m_create;
};

// --- registration ----------------------------------------------------------------------------

// Registry values of a server under HKEY_CLASSES_ROOT.  Every key a server
// writes lies under one of its roots ("CLSID\{...}", a ProgID), so removing
// the roots removes everything it wrote.
struct RegistryValue {
  std::wstring key;    // below HKEY_CLASSES_ROOT
  std::wstring name;   // empty: the key's default value
  std::wstring data;   // REG_SZ
};

// Writes the values (creating their keys); stops at the first failure.
HRESULT WriteClassesValues(const std::vector<RegistryValue>& values);
// Deletes each root key with everything below it; a root that is not there
// is not an error.
HRESULT DeleteClassesTrees(const std::vector<std::wstring>& roots);

// Trees under HKEY_CLASSES_ROOT as they were when read, so that a
// registration that fails half-way leaves them as it found them (an
// earlier registration of another file included): Restore deletes each
// tree and writes it again as read, or leaves it deleted when it was not
// there.
class ClassesSnapshot {
 public:
  // Reads every tree whole; ok() is false when one could not be read.
  explicit ClassesSnapshot(const std::vector<std::wstring>& roots);
  bool ok() const { return m_ok; }
  HRESULT Restore() const;

  struct Value {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
  };
  struct Key {
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, Key>> subkeys;
  };

 private:
  std::vector<std::pair<std::wstring, std::unique_ptr<Key>>> m_trees;  // null: absent
  bool m_ok = true;
};

// A string value under HKEY_CLASSES_ROOT (REG_SZ, or REG_EXPAND_SZ
// expanded); empty when there is none.
std::wstring ReadClassesString(const std::wstring& key, const wchar_t* name);

// Whether a path read from a registration names this module's file (the
// same file under another spelling included).
bool NamesThisModule(const std::wstring& path);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring GuidText(REFGUID guid);

// The trees that registering the module's type library writes:
// "TypeLib\{LIBID}" and "Interface\{IID}" of each of its interfaces.
HRESULT ModuleTypeLibRoots(std::vector<std::wstring>* roots);

// Registers the module's own type library; unregisters it only when its
// registration for this platform names this module's file (another file's
// registration of the same library is left alone).
HRESULT RegisterModuleTypeLib();
HRESULT UnregisterModuleTypeLib();

}  // namespace korvex::com
