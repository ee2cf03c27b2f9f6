#include "robot/profiles/profile_repository.h"

#include <algorithm>
#include <climits>
#include <string>
#include <unordered_map>

#include "platform/file_io.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_file.h"

namespace korvex {

namespace {

// The registry refuses key names longer than this.
constexpr std::size_t kMaxKeyNameChars = 255;

Text Decimal(std::int32_t n) { return FromUtf8(std::to_string(n)); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The suffix of "keyN" as a number; a suffix that is not a number reads as 0.
std::int32_t PairNumber(TextView suffix) {
  std::int64_t n = 0;
  std::size_t i = 0;
  bool negative = false;
  if (i < suffix.size() && (suffix[i] == u'-' || suffix[i] == u'+')) negative = suffix[i++] == u'-';
  for (; i < suffix.size() && IsDigit(suffix[i]); ++i) {
    n = std::min<std::int64_t>(n * 10 + (suffix[i] - u'0'), INT32_MAX);
  }
  return static_cast<std::int32_t>(negative ? -n : n);
}

// The name a copy is numbered from: the name without a trailing
// " (number)" and whatever follows it.
Text CopyBaseName(const Text& name) {
  for (std::size_t space = name.find(u' '); space != Text::npos;
       space = name.find(u' ', space + 1)) {
    std::size_t i = space;
    while (i < name.size() && name[i] == u' ') ++i;
    if (i >= name.size() || name[i] != u'(') continue;
    ++i;
    while (i < name.size() && name[i] == u' ') ++i;
    if (i < name.size() && (name[i] == u'-' || name[i] == u'+')) ++i;
    const std::size_t digits = i;
    while (i < name.size() && IsDigit(name[i])) ++i;
    if (i > digits && i < name.size() && name[i] == u')') return name.substr(0, space);
  }
  return name;
}

}  // namespace

std::optional<Text> ProfileNameProblem(TextView name) {
  if (name.empty()) return Text(u"El nombre del perfil no puede estar vacío.");
  if (name.find(u'\\') != TextView::npos) {
    return Text(u"El nombre del perfil no puede contener la barra invertida \"\\\".");
  }
  // NUL would cut the name short in the registry, a line break would break
  // the profile file; no control character belongs in a name.
  const auto is_control = [](char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); };
  if (std::any_of(name.begin(), name.end(), is_control)) {
    return Text(u"El nombre del perfil no puede contener caracteres de control.");
  }
  if (name.size() > kMaxKeyNameChars) {
    return Text(u"El nombre del perfil no puede tener más de 255 caracteres.");
  }
  return std::nullopt;
}

CProfileRepository::CProfileRepository() = default;

CProfileRepository::CProfileRepository(Registry& registry, ProfileStoreUi* ui)
    : m_registry(&registry), m_ui(ui) {
  Load(nullptr);
}

CProfileRepository::CProfileRepository(Registry& registry, ProfileStoreUi* ui,
                                       std::vector<StoreLoadProblem>& problems)
    : m_registry(&registry), m_ui(ui) {
  Load(&problems);
}

CProfileRepository::~CProfileRepository() = default;

// --- loading -------------------------------------------------------------------

void CProfileRepository::Load(std::vector<StoreLoadProblem>* problems) {
  // Without a list of problems a failure ends the load; with one, the part
  // that cannot be read is left out and remembered.
  const auto fail = [&](std::int32_t code, const Text& profile) {
    if (problems == nullptr) throw StoreLoadError(code);
    problems->push_back({code, profile});
  };
  ScopedRegKey store(*m_registry);
  if (std::int32_t code = m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out())) {
    m_storeListUnread = true;
    fail(code, u"");
    return;
  }
  for (std::uint32_t index = 0;; ++index) {
    Text name;
    const std::int32_t code = m_registry->RegEnumKeyExW(store.Get(), index, &name);
    if (code == reg::kNoMoreItems) break;
    if (code != reg::kSuccess) {
      m_storeListUnread = true;
      fail(code, u"");
      return;
    }
    // LoadPairs keeps only the pairs that read back, normalized.
    std::vector<std::pair<Text, Text>> pairs;
    try {
      pairs = LoadPairs(name);
    } catch (const StoreLoadError& e) {
      m_unreadProfiles.push_back(name);
      fail(e.code(), name);
      continue;
    }
    auto profile = std::make_unique<CManagedProfile>(name, *this, std::move(pairs),
                                                     CManagedProfile::Verified{});
    m_profiles.insert_or_assign(name, std::move(profile));
  }
}

bool CProfileRepository::NameTaken(const Text& name) const {
  if (FindProfile(name) != nullptr) return true;
  for (const Text& unread : m_unreadProfiles) {
    if (SameRegistryName(unread, name)) return true;
  }
  if (!m_storeListUnread || m_registry == nullptr) return false;
  // Part of the store's list was not read: the store itself says whether
  // the name is in use.  A store that cannot be opened holds nothing a new
  // profile could be written over.
  ScopedRegKey store(*m_registry);
  if (m_registry->RegOpenKeyExW(kHkeyCurrentUser, kStorePath, reg::Access::Read, store.Out()) !=
      reg::kSuccess) {
    return false;
  }
  ScopedRegKey subkey(*m_registry);
  return m_registry->RegOpenKeyExW(store.Get(), name, reg::Access::Read, subkey.Out()) !=
         reg::kFileNotFound;
}

std::vector<std::pair<Text, Text>> CProfileRepository::LoadPairs(const Text& profile_name) {
  ScopedRegKey store(*m_registry);
  if (std::int32_t code = m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out())) {
    throw StoreLoadError(code);
  }
  ScopedRegKey key(*m_registry);
  if (std::int32_t code =
          m_registry->RegOpenKeyExW(store.Get(), profile_name, reg::Access::AllAccess, key.Out())) {
    throw StoreLoadError(code);
  }
  std::uint32_t longest_name = 0, longest_data = 0;
  if (std::int32_t code = m_registry->RegQueryInfoKeyW(key.Get(), &longest_name, &longest_data)) {
    throw StoreLoadError(code);
  }
  std::unordered_map<Text, Text> raw;
  std::vector<Text> names;  // the string values' names, in enumeration order
  for (std::uint32_t index = 0;; ++index) {
    Text name;
    RegValue value;
    const std::int32_t code = m_registry->RegEnumValueW(key.Get(), index, &name, &value);
    if (code == reg::kNoMoreItems) break;
    if (code != reg::kSuccess) throw StoreLoadError(code);
    // Every "keyN" and "valueN" holds its number back from new pairs, read
    // or not: a new pair written over an unreadable one (a newer version's,
    // say) would destroy it, or pair up with its leftover half.
    for (const TextView prefix : {TextView(u"key"), TextView(u"value")}) {
      if (name.size() >= prefix.size() &&
          EqualsIgnoringAsciiCase(TextView(name).substr(0, prefix.size()), prefix)) {
        m_lastNumber = std::max(m_lastNumber, PairNumber(TextView(name).substr(prefix.size())));
      }
    }
    if (value.type != reg::kRegSz) continue;
    names.push_back(name);
    raw.emplace(std::move(name), ReadStringValue(value));
  }

  // A key can have several stored pairs: older versions left a replaced
  // answer's pair behind, and a legacy key and its current form are one key
  // once normalized.  The pair with the highest number is the latest answer
  // and is loaded; every pair is recorded by its suffix as stored ("7",
  // "007", "abc"), so that removing or replacing the answer deletes them all.
  struct Loaded {
    std::int32_t number = 0;
    Text answers;
    std::vector<Text> suffixes;
  };
  std::unordered_map<Text, Loaded> loaded;
  std::vector<const Text*> order;  // keys in the order first met
  for (const Text& name : names) {
    if (name.size() < 3 || name.compare(0, 3, u"key") != 0) continue;
    const TextView suffix = TextView(name).substr(3);
    auto value_it = raw.find(u"value" + Text(suffix));
    if (value_it == raw.end()) continue;  // a key without its answers is not an entry
    Text canonical_key = raw.at(name);
    Text answers = value_it->second;
    if (!NormalizeEntry(canonical_key, answers)) continue;
    const std::int32_t n = PairNumber(suffix);
    auto [it, inserted] = loaded.try_emplace(std::move(canonical_key));
    Loaded& entry = it->second;
    if (inserted) order.push_back(&it->first);
    if (inserted || entry.number < n) {
      entry.number = n;
      entry.answers = std::move(answers);
    }
    entry.suffixes.emplace_back(suffix);
  }
  std::vector<std::pair<Text, Text>> result;
  result.reserve(loaded.size());
  auto& pairs = m_storedPairs[profile_name];
  pairs.reserve(loaded.size());
  for (const Text* canonical_key : order) {
    Loaded& entry = loaded.at(*canonical_key);
    pairs[*canonical_key] = std::move(entry.suffixes);
    result.emplace_back(*canonical_key, std::move(entry.answers));
  }
  return result;
}

// --- profiles ----------------------------------------------------------------------

CProfile& CProfileRepository::CreateProfile(const Text& name) {
  if (NameTaken(name)) {
    throw ProfileError(ProfileError::kNameTaken, u"Ya existe un perfil con ese nombre.");
  }
  if (std::optional<Text> problem = ProfileNameProblem(name)) {
    throw ProfileError(ProfileError::kInvalidName, *problem);
  }
  std::unique_ptr<CProfile> profile;
  if (IsPersistent()) {
    profile = std::make_unique<CManagedProfile>(name, *this);
    ScopedRegKey store(*m_registry);
    ScopedRegKey subkey(*m_registry);
    std::int32_t code = m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out());
    if (code == reg::kSuccess) code = m_registry->RegCreateKeyExW(store.Get(), name, subkey.Out());
    // The profile lives on in memory; its answers' writes will fail too.
    if (code != reg::kSuccess) Report({name, u"", code, false});
  } else {
    profile = std::make_unique<CProfile>(name);
  }
  CProfile& created = *profile;
  m_profiles.emplace(name, std::move(profile));
  return created;
}

bool CProfileRepository::DeleteProfile(const Text& name) {
  const CProfile* profile = FindProfile(name);
  if (profile == nullptr) return false;
  const Text stored = profile->GetName();  // the name in its stored case
  // A subkey the registry keeps would bring the profile back at the next
  // start: the profile stays until its subkey is gone.
  if (IsPersistent() && !DeleteProfileKey(stored)) return false;
  m_profiles.erase(stored);
  m_storedPairs.erase(stored);
  return true;
}

bool CProfileRepository::DeleteProfileKey(const Text& name) {
  ScopedRegKey store(*m_registry);
  if (m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out()) != reg::kSuccess) {
    return false;
  }
  const RegDeleteResult result = m_registry->RegDeleteKeyExW(store.Get(), name);
  const char16_t* caption = nullptr;
  switch (result.stage) {
    case RegDeleteResult::Stage::LibraryNotLoaded:
      caption = u"Error intentando cargar AdvAPI32.dll";
      break;
    case RegDeleteResult::Stage::FunctionNotFound:
      caption = u"Error buscando RegDeleteKey(W)() o RegDeleteKeyEx(W)() en AdvAPI32.dll";
      break;
    case RegDeleteResult::Stage::Done:
      // A subkey removed meanwhile by someone else is gone all the same.
      if (result.code != reg::kSuccess && result.code != reg::kFileNotFound) {
        caption = u"Error intentando borrar la entrada en la registry";
      }
      break;
  }
  if (caption == nullptr) return true;
  if (m_ui != nullptr) m_ui->ShowDeletionError(caption, result.code);
  return false;
}

CProfile* CProfileRepository::FindProfile(const Text& name) const {
  auto it = m_profiles.find(name);
  if (it != m_profiles.end()) return it->second.get();
  // The registry takes names that differ only in case as one subkey, so they
  // are one profile.  A repository holds few profiles.
  for (const auto& [stored, profile] : m_profiles) {
    if (SameRegistryName(stored, name)) return profile.get();
  }
  return nullptr;
}

std::vector<CProfile*> CProfileRepository::GetProfiles() const {
  std::vector<CProfile*> profiles;
  profiles.reserve(m_profiles.size());
  for (const auto& entry : m_profiles) profiles.push_back(entry.second.get());
  return profiles;
}

CProfile& CProfileRepository::AddCopyOf(const CProfile& source) {
  const Text base = CopyBaseName(source.GetName());
  Text candidate = source.GetName();
  for (std::int32_t i = 1; NameTaken(candidate); ++i) {
    const Text number = u" (" + Decimal(i) + u")";
    // The numbered name must still fit in a registry key name: the base is
    // cut, never inside a character of two code units.
    std::size_t keep = std::min(base.size(), kMaxKeyNameChars - number.size());
    if (keep < base.size() && keep > 0 && IsHighSurrogate(base[keep - 1])) --keep;
    candidate = base.substr(0, keep) + number;
  }
  CProfile& target = CreateProfile(candidate);
  const std::vector<Text> keys = source.GetKeys();
  const std::vector<Text> values = source.GetValues();
  for (std::size_t i = 0; i < keys.size(); ++i) target.SetAnswer(keys[i], values[i]);
  return target;
}

// --- write-through -----------------------------------------------------------------

void CProfileRepository::Report(StoreWriteFailure failure) {
  ++m_writeFailures;
  if (m_onWriteFailure) m_onWriteFailure(failure);
}

bool CProfileRepository::WriteValue(const Text& profile, const Text& name, TextView text) {
  ScopedRegKey store(*m_registry);
  ScopedRegKey key(*m_registry);
  std::int32_t code = m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out());
  if (code == reg::kSuccess) code = m_registry->RegOpenKeyExW(store.Get(), profile, reg::Access::Write, key.Out());
  if (code == reg::kSuccess) code = m_registry->RegSetValueExW(key.Get(), name, MakeStringValue(text));
  if (code != reg::kSuccess) Report({profile, name, code, false});
  return code == reg::kSuccess;
}

bool CProfileRepository::DeleteValue(const Text& profile, const Text& name) {
  ScopedRegKey store(*m_registry);
  ScopedRegKey key(*m_registry);
  std::int32_t code = m_registry->RegCreateKeyExW(kHkeyCurrentUser, kStorePath, store.Out());
  if (code == reg::kSuccess) code = m_registry->RegOpenKeyExW(store.Get(), profile, reg::Access::AllAccess, key.Out());
  if (code == reg::kSuccess) code = m_registry->RegDeleteValueW(key.Get(), name);
  if (code == reg::kFileNotFound) return true;  // gone already
  if (code != reg::kSuccess) Report({profile, name, code, true});
  return code == reg::kSuccess;
}

std::vector<Text> CProfileRepository::DeletePairs(const Text& profile,
                                                  const std::vector<Text>& suffixes) {
  std::vector<Text> left;
  for (const Text& suffix : suffixes) {
    // Either half gone is enough for the pair not to load again; both are
    // tried, and a pair with a half left is tried again at the next change.
    const bool value_deleted = DeleteValue(profile, u"value" + suffix);
    const bool key_deleted = DeleteValue(profile, u"key" + suffix);
    if (!value_deleted || !key_deleted) left.push_back(suffix);
  }
  return left;
}

bool CProfileRepository::OnAnswerStored(CProfile& profile, const Text& key) {
  if (!IsPersistent()) return true;
  const Text& name = profile.GetName();
  if (m_lastNumber == INT32_MAX) {
    // No number is left for a new pair.
    Report({name, u"key", reg::kInvalidParameter, false});
    return false;
  }
  const Text suffix = Decimal(++m_lastNumber);
  std::vector<Text>& pairs = m_storedPairs[name][key];  // the answer's pairs so far
  const bool written = WriteValue(name, u"key" + suffix, key) &&
                       WriteValue(name, u"value" + suffix, profile.GetAnswer(key));
  if (!written) {
    // The replaced pairs stay, in the store and recorded, so the store still
    // answers as before; the new pair, perhaps half written, is recorded too,
    // for a later removal to delete.
    pairs.push_back(suffix);
    return false;
  }
  // The replaced answer's pairs go once the new one is stored, so they never
  // come back at the next start.
  std::vector<Text> left = DeletePairs(name, pairs);
  left.push_back(suffix);
  pairs = std::move(left);
  return true;
}

void CProfileRepository::OnAnswerRemoved(CProfile& profile, const Text& key) {
  if (!IsPersistent()) return;
  auto profile_pairs = m_storedPairs.find(profile.GetName());
  if (profile_pairs == m_storedPairs.end()) return;
  auto it = profile_pairs->second.find(key);
  if (it == profile_pairs->second.end()) return;
  std::vector<Text> left = DeletePairs(profile.GetName(), it->second);
  if (left.empty()) {
    profile_pairs->second.erase(it);
  } else {
    it->second = std::move(left);
  }
}

// --- files ----------------------------------------------------------------------------

bool CProfileRepository::ImportFile(const Text& path) {
  std::string content;
  if (!ReadWholeFile(path, &content, kMaxProfileFileBytes)) return false;
  return ImportProfiles(*this, content).ok;
}

bool CProfileRepository::ExportFile(const Text& path) {
  const ExportResult result = ExportProfiles(*this);
  // A failed write leaves the old file as it was.
  return result.ok && ReplaceFileSafely(path, result.bytes);
}

}  // namespace korvex
