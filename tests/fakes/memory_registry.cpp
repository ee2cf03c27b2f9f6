#include "tests/fakes/memory_registry.h"

#include <algorithm>

namespace korvex::testing {

namespace {

// Names compare as the registry compares them (platform/registry.h).
bool SameName(TextView a, TextView b) { return SameRegistryName(a, b); }

std::vector<Text> Split(TextView path) {
  std::vector<Text> parts;
  Text part;
  for (char16_t c : path) {
    if (c == u'\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

template <typename Vec>
auto FindNamed(Vec& entries, TextView name) {
  return std::find_if(entries.begin(), entries.end(),
                      [&](const auto& e) { return SameName(e.first, name); });
}

}  // namespace

void MemoryRegistry::FailCall(std::string operation, std::int32_t code, int occurrence) {
  m_failures.push_back({std::move(operation), code, occurrence == 0 ? -1 : occurrence - 1});
}

int MemoryRegistry::Calls(const std::string& operation) const {
  auto it = m_calls.find(operation);
  return it == m_calls.end() ? 0 : it->second;
}

std::int32_t MemoryRegistry::Injected(const std::string& operation) {
  ++m_calls[operation];
  for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
    if (it->operation != operation) continue;
    if (it->remaining < 0) return it->code;
    if (it->remaining == 0) {
      const std::int32_t code = it->code;
      m_failures.erase(it);
      return code;
    }
    --it->remaining;
  }
  return reg::kSuccess;
}

MemoryRegistry::Node* MemoryRegistry::Walk(Node* from, TextView path, bool create) {
  Node* node = from;
  for (const Text& part : Split(path)) {
    auto it = FindNamed(node->subkeys, part);
    if (it == node->subkeys.end()) {
      if (!create) return nullptr;
      node->subkeys.emplace_back(part, std::make_unique<Node>());
      node = node->subkeys.back().second.get();
    } else {
      node = it->second.get();
    }
  }
  return node;
}

const MemoryRegistry::Node* MemoryRegistry::WalkConst(TextView path) const {
  return const_cast<MemoryRegistry*>(this)->Walk(const_cast<Node*>(&m_root), path, false);
}

const std::vector<Text>& MemoryRegistry::PathOf(RegKey key) const {
  static const std::vector<Text> root;
  if (key == kHkeyCurrentUser) return root;
  return m_handles.at(key);
}

MemoryRegistry::Node* MemoryRegistry::Resolve(RegKey key) {
  if (key != kHkeyCurrentUser && m_handles.count(key) == 0) return nullptr;
  Node* node = &m_root;
  for (const Text& part : PathOf(key)) {
    auto it = FindNamed(node->subkeys, part);
    if (it == node->subkeys.end()) return nullptr;  // deleted while open
    node = it->second.get();
  }
  return node;
}

RegKey MemoryRegistry::NewHandle(std::vector<Text> path) {
  m_next += 4;
  m_handles[m_next] = std::move(path);
  return m_next;
}

void MemoryRegistry::SetString(TextView path, TextView name, TextView text) {
  SetRaw(path, name, MakeStringValue(text));
}

void MemoryRegistry::SetRaw(TextView path, TextView name, RegValue value) {
  Node* node = Walk(&m_root, path, true);
  auto it = FindNamed(node->values, name);
  if (it == node->values.end()) {
    node->values.emplace_back(Text(name), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

bool MemoryRegistry::HasKey(TextView path) const { return WalkConst(path) != nullptr; }

std::vector<std::pair<Text, Text>> MemoryRegistry::Strings(TextView path) const {
  std::vector<std::pair<Text, Text>> out;
  if (const Node* node = WalkConst(path)) {
    for (const auto& [name, value] : node->values) {
      if (value.type == reg::kRegSz) out.emplace_back(name, ReadStringValue(value));
    }
  }
  return out;
}

std::vector<Text> MemoryRegistry::SubkeyNames(TextView path) const {
  std::vector<Text> out;
  if (const Node* node = WalkConst(path)) {
    for (const auto& entry : node->subkeys) out.push_back(entry.first);
  }
  return out;
}

std::int32_t MemoryRegistry::RegCreateKeyExW(RegKey parent, TextView subkey, RegKey* key) {
  if (std::int32_t code = Injected("RegCreateKeyExW")) return code;
  Node* from = Resolve(parent);
  if (from == nullptr) return 6;  // ERROR_INVALID_HANDLE
  Walk(from, subkey, true);
  std::vector<Text> path = PathOf(parent);
  for (Text& part : Split(subkey)) path.push_back(std::move(part));
  *key = NewHandle(std::move(path));
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegOpenKeyExW(RegKey parent, TextView subkey, reg::Access,
                                           RegKey* key) {
  if (std::int32_t code = Injected("RegOpenKeyExW")) return code;
  Node* from = Resolve(parent);
  if (from == nullptr) return 6;
  if (Walk(from, subkey, false) == nullptr) return reg::kFileNotFound;
  std::vector<Text> path = PathOf(parent);
  for (Text& part : Split(subkey)) path.push_back(std::move(part));
  *key = NewHandle(std::move(path));
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegCloseKey(RegKey key) {
  ++m_calls["RegCloseKey"];
  return m_handles.erase(key) == 1 ? reg::kSuccess : 6;
}

std::int32_t MemoryRegistry::RegEnumKeyExW(RegKey key, std::uint32_t index, Text* name) {
  if (std::int32_t code = Injected("RegEnumKeyExW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  if (index >= node->subkeys.size()) return reg::kNoMoreItems;
  *name = node->subkeys[index].first;
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegQueryInfoKeyW(RegKey key, std::uint32_t* max_name,
                                              std::uint32_t* max_data) {
  if (std::int32_t code = Injected("RegQueryInfoKeyW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  std::size_t name_chars = 0, data_bytes = 0;
  for (const auto& [name, value] : node->values) {
    name_chars = std::max(name_chars, name.size());
    data_bytes = std::max(data_bytes, value.data.size());
  }
  *max_name = static_cast<std::uint32_t>(name_chars);
  *max_data = static_cast<std::uint32_t>(data_bytes);
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegEnumValueW(RegKey key, std::uint32_t index, Text* name,
                                           RegValue* value) {
  if (std::int32_t code = Injected("RegEnumValueW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  if (index >= node->values.size()) return reg::kNoMoreItems;
  *name = node->values[index].first;
  *value = node->values[index].second;
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegQueryValueExW(RegKey key, TextView name, RegValue* value) {
  if (std::int32_t code = Injected("RegQueryValueExW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  auto it = FindNamed(node->values, name);
  if (it == node->values.end()) return reg::kFileNotFound;
  *value = it->second;
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegSetValueExW(RegKey key, TextView name, const RegValue& value) {
  if (std::int32_t code = Injected("RegSetValueExW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  auto it = FindNamed(node->values, name);
  if (it == node->values.end()) {
    node->values.emplace_back(Text(name), value);
  } else {
    it->second = value;
  }
  return reg::kSuccess;
}

std::int32_t MemoryRegistry::RegDeleteValueW(RegKey key, TextView name) {
  if (std::int32_t code = Injected("RegDeleteValueW")) return code;
  Node* node = Resolve(key);
  if (node == nullptr) return 6;
  auto it = FindNamed(node->values, name);
  if (it == node->values.end()) return reg::kFileNotFound;
  node->values.erase(it);
  return reg::kSuccess;
}

RegDeleteResult MemoryRegistry::RegDeleteKeyExW(RegKey parent, TextView subkey) {
  if (std::int32_t code = Injected("RegDeleteKeyExW")) return {RegDeleteResult::Stage::Done, code};
  Node* from = Resolve(parent);
  if (from == nullptr) return {RegDeleteResult::Stage::Done, 6};
  const std::vector<Text> parts = Split(subkey);
  if (parts.empty()) return {RegDeleteResult::Stage::Done, reg::kInvalidParameter};
  Node* owner = from;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = FindNamed(owner->subkeys, parts[i]);
    if (it == owner->subkeys.end()) return {RegDeleteResult::Stage::Done, reg::kFileNotFound};
    owner = it->second.get();
  }
  auto it = FindNamed(owner->subkeys, parts.back());
  if (it == owner->subkeys.end()) return {RegDeleteResult::Stage::Done, reg::kFileNotFound};
  if (!it->second->subkeys.empty()) return {RegDeleteResult::Stage::Done, reg::kAccessDenied};
  owner->subkeys.erase(it);
  return {RegDeleteResult::Stage::Done, reg::kSuccess};
}

}  // namespace korvex::testing
