// The repository of profiles.  The persistent one mirrors every profile and
// every learned answer in the registry of the current user, under
// "Software\Norvane\KORVEX\Store": one subkey per profile, one pair of
// values "keyN"/"valueN" per answer.  Temporary repositories (used while a
// profile file is imported or exported) never touch the registry.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"
#include "robot/profiles/profile.h"

namespace korvex {

inline constexpr std::u16string_view kStorePath = u"Software\\Norvane\\KORVEX\\Store";

// A profile that cannot be created under the given name.
class ProfileError : public std::runtime_error {
 public:
  static constexpr std::int32_t kNameTaken = 1;
  static constexpr std::int32_t kInvalidName = 2;
  ProfileError(std::int32_t code, const Text& message)
      : std::runtime_error(ToUtf8(message)), m_code(code), m_message(message) {}
  std::int32_t code() const noexcept { return m_code; }
  // A Spanish text the create dialog can show.
  const Text& message() const noexcept { return m_message; }

 private:
  std::int32_t m_code;
  Text m_message;
};

// The store could not be loaded; carries the system error code.
class StoreLoadError : public std::runtime_error {
 public:
  explicit StoreLoadError(std::int32_t system_code)
      : std::runtime_error("the profile store could not be loaded (system error " +
                           std::to_string(system_code) + ")"),
        m_code(system_code) {}
  std::int32_t code() const noexcept { return m_code; }

 private:
  std::int32_t m_code;
};

// What stopped part of the store from loading: the system code, and the
// profile that could not be read (empty: the store's list of profiles).
struct StoreLoadProblem {
  std::int32_t code = 0;
  Text profile;
  friend bool operator==(const StoreLoadProblem&, const StoreLoadProblem&) = default;
};

// Where the store reports to the user; the Win32 robot shows message boxes,
// tests record.
class ProfileStoreUi {
 public:
  virtual ~ProfileStoreUi() = default;
  // A profile's subkey could not be deleted: a warning box without owner,
  // with the system's text for the code and this caption.
  virtual void ShowDeletionError(TextView caption, std::int32_t system_code) = 0;
};

// A write or deletion of a stored pair, or the creation of a profile's
// subkey, that failed; the answer or the profile stays in memory.
struct StoreWriteFailure {
  Text profile;
  Text value_name;  // "key12", "value12"; empty: the profile's subkey
  std::int32_t code = 0;
  bool deleting = false;
};

// Checks a name for a new profile: the Spanish reason it cannot be used, or
// nothing when it can.
std::optional<Text> ProfileNameProblem(TextView name);

class CProfileRepository {
 public:
  // A temporary repository: plain profiles, no store.
  CProfileRepository();
  // The persistent repository: loads the store at once.  Throws
  // StoreLoadError with the system code when the store cannot be read.
  explicit CProfileRepository(Registry& registry, ProfileStoreUi* ui = nullptr);
  // The persistent repository of a program that goes on when part of the
  // store cannot be read: every failure is added to problems instead of
  // thrown, the profiles that read back are kept, and nothing is ever
  // written over what was not read: a profile that could not be read is not
  // loaded, not deleted and its name is taken; when the list of profiles
  // itself could not be read whole, a new name is taken too when the store
  // already holds a subkey of that name.
  CProfileRepository(Registry& registry, ProfileStoreUi* ui,
                     std::vector<StoreLoadProblem>& problems);
  virtual ~CProfileRepository();
  CProfileRepository(const CProfileRepository&) = delete;
  CProfileRepository& operator=(const CProfileRepository&) = delete;

  // Profile names are compared as the registry compares key names, without
  // regard to case: "perfil" names the profile "Perfil".

  // A new empty profile.  Throws ProfileError kNameTaken when the name is in
  // use (in any case) and kInvalidName when the name is empty, holds a
  // backslash or a control character, or is longer than the registry takes;
  // nothing is written then.
  CProfile& CreateProfile(const Text& name);
  // Deletes the profile and, in the persistent repository, its subkey
  // first: when the subkey cannot be deleted the store's box tells why
  // (ProfileStoreUi) and the profile stays, in memory as in the registry.
  // False when nothing was deleted (no such profile, or the subkey stayed).
  bool DeleteProfile(const Text& name);
  CProfile* FindProfile(const Text& name) const;
  // Write-through of a managed profile's change.
  // False when the answer could not be written: the store still answers
  // as before.
  bool OnAnswerStored(CProfile& profile, const Text& key);
  void OnAnswerRemoved(CProfile& profile, const Text& key);
  // Adds a copy of a profile under a free name ("Perfil (1)", "Perfil (2)").
  CProfile& AddCopyOf(const CProfile& source);
  // Reads a profile file into this repository; true when at least one
  // profile was read.
  bool ImportFile(const Text& path);
  // Writes every profile of this repository to a profile file.
  bool ExportFile(const Text& path);
  // All profiles, ordered by name.
  std::vector<CProfile*> GetProfiles() const;

  bool IsPersistent() const { return m_registry != nullptr; }
  // The highest pair number seen or handed out.
  std::int32_t GetLastNumber() const { return m_lastNumber; }
  // Called for every failed write or deletion of a stored pair.
  void SetWriteFailureHandler(std::function<void(const StoreWriteFailure&)> handler) {
    m_onWriteFailure = std::move(handler);
  }
  // How many writes or deletions of the store have failed so far.
  std::size_t WriteFailureCount() const { return m_writeFailures; }

 private:
  void Load(std::vector<StoreLoadProblem>* problems);
  // A profile's name is in use: loaded, unread, or (when the store's list
  // was not read whole) a subkey of the store.
  bool NameTaken(const Text& name) const;
  std::vector<std::pair<Text, Text>> LoadPairs(const Text& profile_name);
  bool WriteValue(const Text& profile, const Text& name, TextView text);
  // True when the value is gone (also when it was not there).
  bool DeleteValue(const Text& profile, const Text& name);
  // Deletes the pairs "key"/"value" + suffix; returns the suffixes of the
  // pairs not wholly deleted.
  std::vector<Text> DeletePairs(const Text& profile, const std::vector<Text>& suffixes);
  void Report(StoreWriteFailure failure);
  bool DeleteProfileKey(const Text& name);

  Registry* m_registry = nullptr;
  // What the load could not read, left as it is in the store.
  std::vector<Text> m_unreadProfiles;
  bool m_storeListUnread = false;
  ProfileStoreUi* m_ui = nullptr;
  std::int32_t m_lastNumber = 0;
  std::map<Text, std::unique_ptr<CProfile>> m_profiles;
  // Every stored pair of each profile's keys, by the suffix of its value
  // names as stored ("12" of "key12"/"value12"), so that removing or
  // replacing an answer deletes that profile's own pairs, all of them.
  std::map<Text, std::unordered_map<Text, std::vector<Text>>> m_storedPairs;
  std::function<void(const StoreWriteFailure&)> m_onWriteFailure;
  std::size_t m_writeFailures = 0;
};

}  // namespace korvex
