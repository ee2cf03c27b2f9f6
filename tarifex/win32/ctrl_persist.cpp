// CTarifexCtrl's persistent properties: Debug, MsgError, Host, Port, Lang,
// BtnNoSeleccionar and PathDebug, with the control's extent, in a stream
// (IPersistStreamInit; IPersistStorage keeps the same stream inside the
// storage) or by name in a property bag (IPersistPropertyBag).
//
// The stream holds, little-endian: the version 0x10000 (DWORD), the extent
// in HIMETRIC (two LONGs), then the properties in the order above: a
// boolean as a WORD (0 or 1), Lang as a 16-bit integer, a text as its
// number of UTF-16 units (DWORD) followed by the units.  A stream of another
// major version, a truncated one or a text longer than 32767 units is
// refused and leaves the properties as they were; a property bag likewise
// (its version is read before anything changes).
//
// What is saved loads again: Host, Port and PathDebug never hold more than
// 32767 characters (longer ones are refused when set), and MsgError, the
// engine's own report of the last run, is saved up to its first 32767.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/win32/wide_text.h"
#include "tarifex/ansi.h"
#include "tarifex/win32/tarifex_ctrl.h"

namespace korvex::tarifex {

namespace {

using com::Bstr;
using com::ComPtr;
using com::Guard;

constexpr DWORD kLongestText = static_cast<DWORD>(kLongestPropertyText);

// A text as a form keeps it: no longer than a form loads.
korvex::Text SavedText(const std::string& ansi) {
  return FromAnsi(std::string_view(ansi).substr(0, kLongestPropertyText));
}

class StreamWriter {
 public:
  explicit StreamWriter(IStream* stream) : m_stream(stream) {}
  HRESULT result() const { return m_result; }

  void Bytes(const void* data, ULONG size) {
    if (FAILED(m_result) || size == 0) return;
    ULONG written = 0;
    m_result = m_stream->Write(data, size, &written);
    if (SUCCEEDED(m_result) && written != size) m_result = STG_E_WRITEFAULT;
  }
  void Dword(DWORD value) { Bytes(&value, sizeof value); }
  void Long(LONG value) { Bytes(&value, sizeof value); }
  void Short(std::int16_t value) { Bytes(&value, sizeof value); }
  void Bool(bool value) { Short(value ? 1 : 0); }
  void Text(const std::string& ansi) {
    const korvex::Text text = SavedText(ansi);
    Dword(static_cast<DWORD>(text.size()));
    Bytes(text.data(), static_cast<ULONG>(text.size() * sizeof(char16_t)));
  }

 private:
  IStream* m_stream;
  HRESULT m_result = S_OK;
};

class StreamReader {
 public:
  explicit StreamReader(IStream* stream) : m_stream(stream) {}
  HRESULT result() const { return m_result; }

  void Bytes(void* data, ULONG size) {
    if (FAILED(m_result) || size == 0) return;
    ULONG read = 0;
    m_result = m_stream->Read(data, size, &read);
    if (SUCCEEDED(m_result) && read != size) m_result = STG_E_READFAULT;
  }
  DWORD Dword() {
    DWORD value = 0;
    Bytes(&value, sizeof value);
    return value;
  }
  LONG Long() {
    LONG value = 0;
    Bytes(&value, sizeof value);
    return value;
  }
  std::int16_t Short() {
    std::int16_t value = 0;
    Bytes(&value, sizeof value);
    return value;
  }
  bool Bool() { return Short() != 0; }
  std::string Text() {
    const DWORD units = Dword();
    if (FAILED(m_result)) return {};
    if (units > kLongestText) {
      m_result = E_INVALIDARG;
      return {};
    }
    korvex::Text text(units, u'\0');
    Bytes(text.data(), units * sizeof(char16_t));
    return ToAnsi(text);
  }

 private:
  IStream* m_stream;
  HRESULT m_result = S_OK;
};

// Reads one named value of a bag as the given type; false when the bag has
// none (the property keeps its default).
bool ReadBagValue(IPropertyBag* bag, IErrorLog* log, const wchar_t* name, VARTYPE type,
                  VARIANT* value) {
  ::VariantClear(value);
  value->vt = type;
  if (bag->Read(name, value, log) != S_OK) {
    ::VariantClear(value);
    return false;
  }
  if (value->vt != type && FAILED(::VariantChangeType(value, value, 0, type))) {
    ::VariantClear(value);
    return false;
  }
  return true;
}

class Variant {
 public:
  Variant() { ::VariantInit(&m_value); }
  ~Variant() { ::VariantClear(&m_value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &m_value; }
  VARIANT* operator->() { return &m_value; }

 private:
  VARIANT m_value;
};

std::string AnsiOf(BSTR text) { return ToAnsi(win32::FromWide(Bstr::View(text))); }

// A text of a bag, refused (false) when it is longer than any property.
bool BagText(const VARIANT& value, std::string* out) {
  if (Bstr::View(value.bstrVal).size() > kLongestPropertyText) return false;
  *out = AnsiOf(value.bstrVal);
  return true;
}

}  // namespace

STDMETHODIMP CTarifexCtrl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_TarifexCtrl;
  return S_OK;
}

// --- IPersistStreamInit ---------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::IsDirty() { return m_dirty ? S_OK : S_FALSE; }

STDMETHODIMP CTarifexCtrl::InitNew() {
  ResetProperties();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  return Guard([&] {
    StreamReader in(stream);
    const DWORD version = in.Dword();
    if (SUCCEEDED(in.result()) && (version >> 16) != (kPropertiesVersion >> 16)) {
      return STG_E_INVALIDHEADER;
    }
    SIZEL extent;
    extent.cx = in.Long();
    extent.cy = in.Long();
    ControlProperties properties;
    properties.debug = in.Bool();
    std::string error = in.Text();
    properties.host = in.Text();
    properties.port = in.Text();
    properties.lang = in.Short();
    properties.btn_no_seleccionar = in.Bool();
    properties.path_debug = in.Text();
    if (FAILED(in.result())) return in.result();
    m_extent = extent;
    m_control.Properties() = std::move(properties);
    m_control.RestoreMsgError(std::move(error));
    m_dirty = false;
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::Save(LPSTREAM stream, BOOL clear_dirty) {
  if (stream == nullptr) return E_POINTER;
  return Guard([&] {
    const ControlProperties& p = m_control.Properties();
    StreamWriter out(stream);
    out.Dword(kPropertiesVersion);
    out.Long(m_extent.cx);
    out.Long(m_extent.cy);
    out.Bool(p.debug);
    out.Text(m_control.MsgError());
    out.Text(p.host);
    out.Text(p.port);
    out.Short(p.lang);
    out.Bool(p.btn_no_seleccionar);
    out.Text(p.path_debug);
    if (SUCCEEDED(out.result()) && clear_dirty) m_dirty = false;
    return out.result();
  });
}

STDMETHODIMP CTarifexCtrl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  const ControlProperties& p = m_control.Properties();
  // Every 8-bit character is one UTF-16 unit; a text is saved up to the
  // longest a form loads.
  std::size_t texts = 0;
  for (const std::string* text : {&m_control.MsgError(), &p.host, &p.port, &p.path_debug}) {
    texts += std::min(text->size(), kLongestPropertyText);
  }
  size->QuadPart = sizeof(DWORD) + 2 * sizeof(LONG) + 3 * sizeof(std::int16_t) +
                   4 * sizeof(DWORD) + texts * sizeof(char16_t);
  return S_OK;
}

// --- IPersistPropertyBag ----------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  return Guard([&] {
    // The whole bag is read before any property changes: a bag of another
    // version, or one holding a text no property takes, changes nothing.
    Variant v;
    if (ReadBagValue(bag, log, L"_Version", VT_I4, v.get()) &&
        (static_cast<DWORD>(v->lVal) >> 16) != (kPropertiesVersion >> 16)) {
      return STG_E_INVALIDHEADER;
    }
    // What the bag does not hold takes its default.
    std::optional<LONG> extent_x, extent_y;
    ControlProperties p;
    std::string error;
    if (ReadBagValue(bag, log, L"_ExtentX", VT_I4, v.get())) extent_x = v->lVal;
    if (ReadBagValue(bag, log, L"_ExtentY", VT_I4, v.get())) extent_y = v->lVal;
    if (ReadBagValue(bag, log, L"Debug", VT_BOOL, v.get())) p.debug = v->boolVal != VARIANT_FALSE;
    if (ReadBagValue(bag, log, L"MsgError", VT_BSTR, v.get()) && !BagText(*v.get(), &error)) {
      return E_INVALIDARG;
    }
    if (ReadBagValue(bag, log, L"Host", VT_BSTR, v.get()) && !BagText(*v.get(), &p.host)) {
      return E_INVALIDARG;
    }
    if (ReadBagValue(bag, log, L"Port", VT_BSTR, v.get()) && !BagText(*v.get(), &p.port)) {
      return E_INVALIDARG;
    }
    if (ReadBagValue(bag, log, L"Lang", VT_I2, v.get())) p.lang = v->iVal;
    if (ReadBagValue(bag, log, L"BtnNoSeleccionar", VT_BOOL, v.get())) {
      p.btn_no_seleccionar = v->boolVal != VARIANT_FALSE;
    }
    if (ReadBagValue(bag, log, L"PathDebug", VT_BSTR, v.get()) &&
        !BagText(*v.get(), &p.path_debug)) {
      return E_INVALIDARG;
    }
    ResetProperties();
    if (extent_x) m_extent.cx = *extent_x;
    if (extent_y) m_extent.cy = *extent_y;
    m_control.Properties() = std::move(p);
    m_control.RestoreMsgError(std::move(error));
    m_dirty = false;
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
  if (bag == nullptr) return E_POINTER;
  return Guard([&] {
    const ControlProperties& p = m_control.Properties();
    HRESULT hr = S_OK;
    const auto write_long = [&](const wchar_t* name, LONG value) {
      Variant v;
      v->vt = VT_I4;
      v->lVal = value;
      if (SUCCEEDED(hr)) hr = bag->Write(name, v.get());
    };
    const auto write_bool = [&](const wchar_t* name, bool value) {
      Variant v;
      v->vt = VT_BOOL;
      v->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
      if (SUCCEEDED(hr)) hr = bag->Write(name, v.get());
    };
    const auto write_text = [&](const wchar_t* name, const std::string& ansi) {
      Variant v;
      v->vt = VT_BSTR;
      v->bstrVal = Bstr(win32::ToWide(SavedText(ansi))).detach();
      if (SUCCEEDED(hr)) hr = bag->Write(name, v.get());
    };
    write_long(L"_Version", static_cast<LONG>(kPropertiesVersion));
    write_long(L"_ExtentX", m_extent.cx);
    write_long(L"_ExtentY", m_extent.cy);
    write_bool(L"Debug", p.debug);
    write_text(L"MsgError", m_control.MsgError());
    write_text(L"Host", p.host);
    write_text(L"Port", p.port);
    {
      Variant v;
      v->vt = VT_I2;
      v->iVal = p.lang;
      if (SUCCEEDED(hr)) hr = bag->Write(L"Lang", v.get());
    }
    write_bool(L"BtnNoSeleccionar", p.btn_no_seleccionar);
    write_text(L"PathDebug", p.path_debug);
    if (SUCCEEDED(hr) && clear_dirty) m_dirty = false;
    return hr;
  });
}

// --- IPersistStorage: the same stream inside the storage -----------------------------------------

STDMETHODIMP CTarifexCtrl::InitNew(IStorage*) { return InitNew(); }

STDMETHODIMP CTarifexCtrl::Load(IStorage* storage) {
  if (storage == nullptr) return E_POINTER;
  ComPtr<IStream> stream;
  const HRESULT hr = storage->OpenStream(kContentsStream, nullptr,
                                         STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
  if (FAILED(hr)) return hr;
  return Load(stream.get());
}

STDMETHODIMP CTarifexCtrl::Save(IStorage* storage, BOOL) {
  if (storage == nullptr) return E_POINTER;
  ComPtr<IStream> stream;
  const HRESULT hr = storage->CreateStream(
      kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put());
  if (FAILED(hr)) return hr;
  return Save(stream.get(), TRUE);
}

STDMETHODIMP CTarifexCtrl::SaveCompleted(IStorage*) { return S_OK; }
STDMETHODIMP CTarifexCtrl::HandsOffStorage() { return S_OK; }

}  // namespace korvex::tarifex
