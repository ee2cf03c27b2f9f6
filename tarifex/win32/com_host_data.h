// The host-data port over the host's COM components: variable collections
// (IVars of IVar) and tax collections (ITaxes of ITax), created with
// CoCreateInstance for in-process or local servers (CLSCTX_INPROC_SERVER |
// CLSCTX_LOCAL_SERVER, 5).  Texts cross as the control's 8-bit strings
// (Windows-1252) on one side and BSTRs on the other.  A failed call raises
// ComponentError with the component's own description of the failure
// (IErrorInfo), or the system's text of the HRESULT.
#pragma once

#include <windows.h>

#include <memory>

#include "tarifex/host_data.h"
#include "tarifex/win32/com_support.h"
#include "tarifex/win32/host_vars_h.h"

namespace korvex::tarifex {

inline constexpr DWORD kComponentContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

class ComVariable final : public HostVariable {
 public:
  explicit ComVariable(com::ComPtr<IVar> variable) : m_variable(std::move(variable)) {}
  std::string GetName() override;
  void SetName(std::string_view name) override;
  std::string GetValue() override;
  void SetValue(std::string_view value) override;
  std::string GetThird() override;
  void SetThird(std::string_view third) override;
  IVar* get() const { return m_variable.get(); }

 private:
  com::ComPtr<IVar> m_variable;
};

class ComCollection final : public HostCollection {
 public:
  explicit ComCollection(com::ComPtr<IVars> collection) : m_collection(std::move(collection)) {}
  std::int32_t GetCount() override;
  std::shared_ptr<HostVariable> GetItem(std::int32_t index) override;
  std::int32_t IndexOf(std::string_view name) override;
  // Only variables of this adapter can be added (the component takes an IVar).
  void Add(const std::shared_ptr<HostVariable>& variable) override;
  void Clear() override;
  IVars* get() const { return m_collection.get(); }

 private:
  com::ComPtr<IVars> m_collection;
};

class ComTax final : public HostTax {
 public:
  explicit ComTax(com::ComPtr<ITax> tax) : m_tax(std::move(tax)) {}
  std::string GetField(Field field) override;
  void SetField(Field field, std::string_view text) override;
  ITax* get() const { return m_tax.get(); }

 private:
  com::ComPtr<ITax> m_tax;
};

class ComTaxCollection final : public HostTaxCollection {
 public:
  explicit ComTaxCollection(com::ComPtr<ITaxes> taxes) : m_taxes(std::move(taxes)) {}
  std::int32_t GetCount() override;
  std::shared_ptr<HostTax> GetItem(std::int32_t index) override;
  void Add(const std::shared_ptr<HostTax>& tax) override;
  void Clear() override;
  ITaxes* get() const { return m_taxes.get(); }

 private:
  com::ComPtr<ITaxes> m_taxes;
};

// Creates the host's components by their class identifiers.  On failure
// the result is null and *error holds the HRESULT.
class ComHostComponents final : public HostComponents {
 public:
  std::shared_ptr<HostVariable> CreateVariable(std::int32_t* error) override;
  std::shared_ptr<HostCollection> CreateCollection(std::int32_t* error) override;
  std::shared_ptr<HostTax> CreateTax(std::int32_t* error) override;
  std::shared_ptr<HostTaxCollection> CreateTaxCollection(std::int32_t* error) override;
};

// The collection interface of an object the host hands over; null when the
// object does not offer it.
std::shared_ptr<HostCollection> CollectionOf(IUnknown* object);
// The IDispatch of a collection made by these adapters (null for null).
com::ComPtr<IDispatch> DispatchOf(const std::shared_ptr<HostCollection>& collection);
com::ComPtr<IDispatch> DispatchOf(const std::shared_ptr<HostTaxCollection>& taxes);

}  // namespace korvex::tarifex
