// An in-memory registry for tests: keys and values with the registry's
// case-insensitive names, open handles, and injected failures of chosen
// calls with chosen codes.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace korvex::testing {

class MemoryRegistry : public Registry {
 public:
  // Makes call number `occurrence` (1 = the next one) of the named operation
  // ("RegCreateKeyExW", "RegEnumValueW", ...) fail with code; occurrence 0
  // makes every call of it fail.
  void FailCall(std::string operation, std::int32_t code, int occurrence = 1);
  void ClearFailures() { m_failures.clear(); }
  // How many calls of an operation were made.
  int Calls(const std::string& operation) const;
  int OpenHandles() const { return static_cast<int>(m_handles.size()); }

  // Direct access for setting up and checking a store, by path of subkey
  // names from HKEY_CURRENT_USER ("Software\\Norvane\\KORVEX\\Store\\A").
  void SetString(TextView path, TextView name, TextView text);
  void SetRaw(TextView path, TextView name, RegValue value);
  bool HasKey(TextView path) const;
  // Values of a key in enumeration order: name -> text (REG_SZ only).
  std::vector<std::pair<Text, Text>> Strings(TextView path) const;
  std::vector<Text> SubkeyNames(TextView path) const;

  std::int32_t RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) override;
  std::int32_t RegOpenKeyExW(RegKey parent, TextView subkey, reg::Access access,
                             RegKey* key) override;
  std::int32_t RegCloseKey(RegKey key) override;
  std::int32_t RegEnumKeyExW(RegKey key, std::uint32_t index, Text* name) override;
  std::int32_t RegQueryInfoKeyW(RegKey key, std::uint32_t* max_value_name_chars,
                                std::uint32_t* max_value_data_bytes) override;
  std::int32_t RegEnumValueW(RegKey key, std::uint32_t index, Text* name,
                             RegValue* value) override;
  std::int32_t RegQueryValueExW(RegKey key, TextView name, RegValue* value) override;
  std::int32_t RegSetValueExW(RegKey key, TextView name, const RegValue& value) override;
  std::int32_t RegDeleteValueW(RegKey key, TextView name) override;
  RegDeleteResult RegDeleteKeyExW(RegKey parent, TextView subkey) override;

 private:
  struct Node {
    std::vector<std::pair<Text, std::unique_ptr<Node>>> subkeys;  // creation order
    std::vector<std::pair<Text, RegValue>> values;                // creation order
  };
  struct Failure {
    std::string operation;
    std::int32_t code;
    int remaining;  // calls to let pass before failing; -1 = always
  };

  std::int32_t Injected(const std::string& operation);
  Node* Resolve(RegKey key);
  Node* Walk(Node* from, TextView path, bool create);
  const Node* WalkConst(TextView path) const;
  const std::vector<Text>& PathOf(RegKey key) const;
  RegKey NewHandle(std::vector<Text> path);

  Node m_root;  // HKEY_CURRENT_USER
  std::map<RegKey, std::vector<Text>> m_handles;
  RegKey m_next = 0x100;
  std::vector<Failure> m_failures;
  std::map<std::string, int> m_calls;
};

}  // namespace korvex::testing
