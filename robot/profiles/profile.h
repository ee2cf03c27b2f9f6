// Profiles: named sets of learned answers, each mapping a window key to the
// answer list that answers that dialog.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace korvex {

class CProfileRepository;

class CProfile {
 public:
  explicit CProfile(Text name) : m_name(std::move(name)) {}
  virtual ~CProfile() = default;
  CProfile(const CProfile&) = delete;
  CProfile& operator=(const CProfile&) = delete;

  const Text& GetName() const { return m_name; }
  // Every key, and every value in the same order; the two listings pair up
  // as long as the profile does not change between them.
  std::vector<Text> GetKeys() const;
  std::vector<Text> GetValues() const;
  // Stores (inserts or replaces) the answer list under the key.
  virtual void SetAnswer(const Text& key, const Text& value);
  virtual void RemoveAnswer(const Text& key);
  bool HasAnswer(const Text& key) const { return m_pairs.count(key) != 0; }
  std::size_t GetCount() const { return m_pairs.size(); }
  // The stored answer list, or an empty text when the key is absent.
  Text GetAnswer(const Text& key) const;

 protected:
  // Plain insertion, without writing through (loading from the store).
  void Insert(Text key, Text value) { m_pairs.insert_or_assign(std::move(key), std::move(value)); }

 private:
  Text m_name;
  // Ordered by key, so listings and exports come out the same every time.
  std::map<Text, Text> m_pairs;
};

// A profile of the persistent repository: every change is written through to
// the store.  An answer the store could not take is not kept in memory
// either (a replaced one comes back), so the profile never claims an answer
// the next start would not find.
class CManagedProfile : public CProfile {
 public:
  // With source pairs: each pair is read back first, and a pair whose key
  // and answers cannot be read is dropped; nothing is written back.
  CManagedProfile(Text name, CProfileRepository& repository,
                  const std::map<Text, Text>* source = nullptr);
  // Pairs the store loader has already read back and normalized are taken
  // as they are.
  struct Verified {};
  CManagedProfile(Text name, CProfileRepository& repository,
                  std::vector<std::pair<Text, Text>>&& verified, Verified);

  void SetAnswer(const Text& key, const Text& value) override;
  void RemoveAnswer(const Text& key) override;

 private:
  CProfileRepository* m_repository;
};

// Whether a key and answers pair reads back as a stored entry
// (ReadStoredEntry).
bool IsReadablePair(const Text& key, const Text& answers);

}  // namespace korvex
