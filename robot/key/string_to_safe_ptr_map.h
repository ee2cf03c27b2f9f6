// CStringToSafePtrMap: a map from a text to a shared, owned value, looked up
// by the exact text.  The serializer registries are built on it; one value
// may stand under several names (a base class and its rebuilt "Ex" variant
// share one serializer) and is destroyed with the last map that holds it.
#pragma once

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>

#include "platform/text.h"

namespace korvex {

template <class V>
class CStringToSafePtrMap {
 public:
  // Adds or replaces the value under key.
  void SetAt(Text key, std::shared_ptr<const V> value) {
    m_map.insert_or_assign(std::move(key), std::move(value));
  }

  // The value under exactly this text (case and blanks count), or null.
  const V* Lookup(TextView key) const {
    const auto it = m_map.find(key);
    return it == m_map.end() ? nullptr : it->second.get();
  }

  std::size_t size() const { return m_map.size(); }
  auto begin() const { return m_map.begin(); }
  auto end() const { return m_map.end(); }

 private:
  // Looked up by a text view without copying it into a string.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(TextView text) const { return std::hash<TextView>{}(text); }
  };
  std::unordered_map<Text, std::shared_ptr<const V>, Hash, std::equal_to<>> m_map;
};

}  // namespace korvex
