#include "robot/profiles/profile.h"

#include <stdexcept>

#include "robot/capture/recognition_error.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"

namespace korvex {

std::vector<Text> CProfile::GetKeys() const {
  std::vector<Text> keys;
  keys.reserve(m_pairs.size());
  for (const auto& pair : m_pairs) keys.push_back(pair.first);
  return keys;
}

std::vector<Text> CProfile::GetValues() const {
  std::vector<Text> values;
  values.reserve(m_pairs.size());
  for (const auto& pair : m_pairs) values.push_back(pair.second);
  return values;
}

void CProfile::SetAnswer(const Text& key, const Text& value) { m_pairs[key] = value; }

void CProfile::RemoveAnswer(const Text& key) { m_pairs.erase(key); }

Text CProfile::GetAnswer(const Text& key) const {
  auto it = m_pairs.find(key);
  return it == m_pairs.end() ? Text{} : it->second;
}

bool IsReadablePair(const Text& key, const Text& answers) {
  try {
    return ReadStoredEntry(key, answers) != nullptr;
  } catch (const RecognitionError&) {
    return false;
  }
}

CManagedProfile::CManagedProfile(Text name, CProfileRepository& repository,
                                 const std::map<Text, Text>* source)
    : CProfile(std::move(name)), m_repository(&repository) {
  if (source == nullptr) return;
  for (const auto& [key, value] : *source) {
    if (IsReadablePair(key, value)) Insert(key, value);
  }
}

CManagedProfile::CManagedProfile(Text name, CProfileRepository& repository,
                                 std::vector<std::pair<Text, Text>>&& verified, Verified)
    : CProfile(std::move(name)), m_repository(&repository) {
  for (auto& [key, value] : verified) Insert(key, std::move(value));
}

void CManagedProfile::SetAnswer(const Text& key, const Text& value) {
  const bool had = HasAnswer(key);
  const Text previous = had ? GetAnswer(key) : Text();
  CProfile::SetAnswer(key, value);
  if (m_repository->OnAnswerStored(*this, key)) return;
  // Not stored: memory keeps what the store answers, so that nothing
  // answered in this session is lost at the next start unannounced.
  if (had) {
    Insert(key, previous);
  } else {
    CProfile::RemoveAnswer(key);
  }
}

void CManagedProfile::RemoveAnswer(const Text& key) {
  CProfile::RemoveAnswer(key);
  m_repository->OnAnswerRemoved(*this, key);
}

}  // namespace korvex
