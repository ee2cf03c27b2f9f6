#include "tarifex/win32/com_host_data.h"

#include <cstdio>
#include <string>

#include "platform/win32/wide_text.h"
#include "tarifex/ansi.h"

namespace korvex::tarifex {

namespace {

using com::Bstr;
using com::ComPtr;

std::wstring Wide(std::string_view ansi) { return win32::ToWide(FromAnsi(ansi)); }
std::string Ansi(const Bstr& text) { return ToAnsi(win32::FromWide(text.view())); }

std::string SystemText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer != nullptr ? buffer : L"", length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return ToAnsi(win32::FromWide(text));
}

// Raises the component's failure: its own description when it set one,
// else the system's text of the code.
void Check(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  ComPtr<IErrorInfo> info;
  Bstr description;
  if (::GetErrorInfo(0, info.put()) == S_OK && info &&
      SUCCEEDED(info->GetDescription(description.put())) && !description.view().empty()) {
    throw ComponentError(Ansi(description));
  }
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  const std::string text = SystemText(hr);
  throw ComponentError(text.empty() ? std::string("Error ") + code : text + " (" + code + ")");
}


template <class I>
std::string Read(I* object, HRESULT (STDMETHODCALLTYPE I::*get)(BSTR*)) {
  Bstr text;
  Check((object->*get)(text.put()));
  return Ansi(text);
}

template <class I>
void Write(I* object, HRESULT (STDMETHODCALLTYPE I::*put)(BSTR), std::string_view text) {
  const Bstr value(Wide(text));
  Check((object->*put)(value.get()));
}

template <class I>
ComPtr<I> Create(REFCLSID clsid, std::int32_t* error) {
  ComPtr<I> object;
  const HRESULT hr =
      ::CoCreateInstance(clsid, nullptr, kComponentContext, __uuidof(I), object.put_void());
  if (error != nullptr) *error = SUCCEEDED(hr) ? 0 : static_cast<std::int32_t>(hr);
  if (FAILED(hr)) object.reset();
  return object;
}

}  // namespace

// --- variables -----------------------------------------------------------------------------

std::string ComVariable::GetName() { return Read(m_variable.get(), &IVar::get_Name); }
void ComVariable::SetName(std::string_view name) { Write(m_variable.get(), &IVar::put_Name, name); }
std::string ComVariable::GetValue() { return Read(m_variable.get(), &IVar::get_Value); }
void ComVariable::SetValue(std::string_view value) {
  Write(m_variable.get(), &IVar::put_Value, value);
}
std::string ComVariable::GetThird() { return Read(m_variable.get(), &IVar::get_Description); }
void ComVariable::SetThird(std::string_view third) {
  Write(m_variable.get(), &IVar::put_Description, third);
}

std::int32_t ComCollection::GetCount() {
  long count = 0;
  Check(m_collection->get_Count(&count));
  return static_cast<std::int32_t>(count);
}

std::shared_ptr<HostVariable> ComCollection::GetItem(std::int32_t index) {
  ComPtr<IVar> variable;
  Check(m_collection->get_Item(index, variable.put()));
  if (!variable) return nullptr;
  return std::make_shared<ComVariable>(std::move(variable));
}

std::int32_t ComCollection::IndexOf(std::string_view name) {
  const Bstr text(Wide(name));
  long index = -1;
  Check(m_collection->IndexOf(text.get(), &index));
  return static_cast<std::int32_t>(index);
}

void ComCollection::Add(const std::shared_ptr<HostVariable>& variable) {
  const auto* own = dynamic_cast<const ComVariable*>(variable.get());
  if (own == nullptr) throw ComponentError("La variable no es un componente IVar");
  Check(m_collection->Add(own->get()));
}

void ComCollection::Clear() { Check(m_collection->Clear()); }

// --- taxes ---------------------------------------------------------------------------------

namespace {

struct TaxAccess {
  HRESULT (STDMETHODCALLTYPE ITax::*get)(BSTR*);
  HRESULT (STDMETHODCALLTYPE ITax::*put)(BSTR);
};

const TaxAccess& Access(HostTax::Field field) {
  static const TaxAccess table[HostTax::kFieldCount] = {
      {&ITax::get_Code, &ITax::put_Code},
      {&ITax::get_Kind, &ITax::put_Kind},
      {&ITax::get_Description, &ITax::put_Description},
      {&ITax::get_Base, &ITax::put_Base},
      {&ITax::get_Rate, &ITax::put_Rate},
      {&ITax::get_Amount, &ITax::put_Amount},
  };
  if (field < 0 || field >= HostTax::kFieldCount) throw ComponentError("Campo de impuesto inexistente");
  return table[field];
}

}  // namespace

std::string ComTax::GetField(Field field) { return Read(m_tax.get(), Access(field).get); }
void ComTax::SetField(Field field, std::string_view text) {
  Write(m_tax.get(), Access(field).put, text);
}

std::int32_t ComTaxCollection::GetCount() {
  long count = 0;
  Check(m_taxes->get_Count(&count));
  return static_cast<std::int32_t>(count);
}

std::shared_ptr<HostTax> ComTaxCollection::GetItem(std::int32_t index) {
  ComPtr<ITax> tax;
  Check(m_taxes->get_Item(index, tax.put()));
  if (!tax) return nullptr;
  return std::make_shared<ComTax>(std::move(tax));
}

void ComTaxCollection::Add(const std::shared_ptr<HostTax>& tax) {
  const auto* own = dynamic_cast<const ComTax*>(tax.get());
  if (own == nullptr) throw ComponentError("El impuesto no es un componente ITax");
  Check(m_taxes->Add(own->get()));
}

void ComTaxCollection::Clear() { Check(m_taxes->Clear()); }

// --- creation ------------------------------------------------------------------------------

std::shared_ptr<HostVariable> ComHostComponents::CreateVariable(std::int32_t* error) {
  auto object = Create<IVar>(CLSID_Var, error);
  return object ? std::make_shared<ComVariable>(std::move(object)) : nullptr;
}

std::shared_ptr<HostCollection> ComHostComponents::CreateCollection(std::int32_t* error) {
  auto object = Create<IVars>(CLSID_Vars, error);
  return object ? std::make_shared<ComCollection>(std::move(object)) : nullptr;
}

std::shared_ptr<HostTax> ComHostComponents::CreateTax(std::int32_t* error) {
  auto object = Create<ITax>(CLSID_Tax, error);
  return object ? std::make_shared<ComTax>(std::move(object)) : nullptr;
}

std::shared_ptr<HostTaxCollection> ComHostComponents::CreateTaxCollection(std::int32_t* error) {
  auto object = Create<ITaxes>(CLSID_Taxes, error);
  return object ? std::make_shared<ComTaxCollection>(std::move(object)) : nullptr;
}

std::shared_ptr<HostCollection> CollectionOf(IUnknown* object) {
  if (object == nullptr) return nullptr;
  ComPtr<IVars> collection;
  if (FAILED(object->QueryInterface(IID_IVars, collection.put_void())) || !collection) {
    return nullptr;
  }
  return std::make_shared<ComCollection>(std::move(collection));
}

ComPtr<IDispatch> DispatchOf(const std::shared_ptr<HostCollection>& collection) {
  const auto* own = dynamic_cast<const ComCollection*>(collection.get());
  return own != nullptr ? ComPtr<IDispatch>(own->get()) : ComPtr<IDispatch>();
}

ComPtr<IDispatch> DispatchOf(const std::shared_ptr<HostTaxCollection>& taxes) {
  const auto* own = dynamic_cast<const ComTaxCollection*>(taxes.get());
  return own != nullptr ? ComPtr<IDispatch>(own->get()) : ComPtr<IDispatch>();
}

}  // namespace korvex::tarifex
