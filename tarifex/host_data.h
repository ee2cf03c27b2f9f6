// The host-data port: the host's variable collections, which the host hands
// the control as its data components and which the control creates for its
// results.  They are COM objects of the host; the control's shell adapts
// them (CoCreateInstance, the collection and variable interfaces) and tests
// use in-memory collections.  Each operation is one method of those
// interfaces.
//
// Texts are the control's 8-bit strings; the COM adapter converts the BSTRs.
// A failing call raises ComponentError with the component's description of
// the failure.  A failed creation returns null and the failure's code.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvex::tarifex {

class ComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A variable: a name, a value and a third text (the description of a mark,
// empty for most variables).
class HostVariable {
 public:
  virtual ~HostVariable() = default;
  virtual std::string GetName() = 0;
  virtual void SetName(std::string_view name) = 0;
  virtual std::string GetValue() = 0;
  virtual void SetValue(std::string_view value) = 0;
  virtual std::string GetThird() = 0;
  virtual void SetThird(std::string_view third) = 0;
};

// A collection of variables, in the order they were added.
class HostCollection {
 public:
  virtual ~HostCollection() = default;
  virtual std::int32_t GetCount() = 0;
  // The variable at index 0 .. GetCount() - 1.
  virtual std::shared_ptr<HostVariable> GetItem(std::int32_t index) = 0;
  // The index of the first variable of that name, -1 when there is none.
  virtual std::int32_t IndexOf(std::string_view name) = 0;
  virtual void Add(const std::shared_ptr<HostVariable>& variable) = 0;
  virtual void Clear() = 0;
};

// One tax of the item: what the engine's NTAX line gives.  Its kind is "C"
// for a benefit (the collection read as RBnf), anything else for a tax to
// pay (the collection read as RLqa).
class HostTax {
 public:
  enum Field { kCode, kKind, kDescription, kBase, kRate, kAmount, kFieldCount };
  virtual ~HostTax() = default;
  virtual std::string GetField(Field field) = 0;
  virtual void SetField(Field field, std::string_view text) = 0;
};

class HostTaxCollection {
 public:
  virtual ~HostTaxCollection() = default;
  virtual std::int32_t GetCount() = 0;
  virtual std::shared_ptr<HostTax> GetItem(std::int32_t index) = 0;
  virtual void Add(const std::shared_ptr<HostTax>& tax) = 0;
  virtual void Clear() = 0;
};

// Creates the host's components (CoCreateInstance of their classes).  On
// failure the result is null and *error holds the failure's code.
class HostComponents {
 public:
  virtual ~HostComponents() = default;
  virtual std::shared_ptr<HostVariable> CreateVariable(std::int32_t* error) = 0;
  virtual std::shared_ptr<HostCollection> CreateCollection(std::int32_t* error) = 0;
  virtual std::shared_ptr<HostTax> CreateTax(std::int32_t* error) = 0;
  virtual std::shared_ptr<HostTaxCollection> CreateTaxCollection(std::int32_t* error) = 0;
};

}  // namespace korvex::tarifex
