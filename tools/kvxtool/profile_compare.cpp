#include "tools/kvxtool/profile_compare.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "platform/file_io.h"
#include "robot/key/descriptions.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile.h"
#include "robot/profiles/profile_file.h"
#include "robot/profiles/profile_repository.h"

namespace korvex::kvxtool {

namespace {

std::string U8(TextView text) { return ToUtf8(text); }

// Tabs and line breaks inside a field would break the line format.
std::string Field(TextView text) {
  std::string out = U8(text);
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

int Error(Environment& env, const std::string& message, int status) {
  env.err += "kvxtool: " + message + "\n";
  return status;
}

int Usage(Environment& env, const std::string& usage, int status = kUsage) {
  env.err += "kvxtool: uso: " + usage + "\nUse \"kvxtool --help\" para ver los comandos.\n";
  return status;
}

// One side of a comparison: a profile file or the store.
struct Side {
  Text label;  // "a.kvxpf", "el registro"
  std::unique_ptr<CProfileRepository> repository;
};

// Reads a side; the error written and false when it cannot be read.
bool LoadSide(const Text& what, Environment& env, Side* side) {
  if (what == u"--store") {
    side->label = u"el registro";
    if (env.registry == nullptr) {
      Error(env, "--store necesita el registro de Windows (use kvxtool.exe)", 0);
      return false;
    }
    try {
      side->repository = std::make_unique<CProfileRepository>(*env.registry);
    } catch (const StoreLoadError& e) {
      Error(env, "no se pudieron leer los perfiles del registro (error " + std::to_string(e.code()) + ")", 0);
      return false;
    }
    return true;
  }
  side->label = what;
  std::string content;
  bool too_large = false;
  if (!ReadWholeFile(what, &content, kMaxProfileFileBytes, &too_large)) {
    Error(env,
          too_large ? U8(what) + ": el archivo tiene más de " + std::to_string(kMaxProfileFileBytes >> 20) +
                          " MiB y no es un archivo de perfiles"
                    : "no se pudo leer el archivo " + U8(what),
          0);
    return false;
  }
  side->repository = std::make_unique<CProfileRepository>();
  const ImportResult result = ImportProfiles(*side->repository, content);
  if (!result.ok) {
    const std::string where =
        result.error_line > 0 ? ", línea " + std::to_string(result.error_line) : std::string();
    Error(env, U8(what) + where + ": " + U8(result.error), 0);
    return false;
  }
  // What the file holds but the robot would not take is left out, and said.
  for (const SkippedProfile& s : result.skipped_profiles) {
    env.err += "kvxtool: " + U8(what) + ", línea " + std::to_string(s.line) + ": el perfil \"" +
               U8(s.profile) + "\" se deja de lado: " + U8(s.reason) + "\n";
  }
  for (const SkippedPair& s : result.skipped) {
    env.err += "kvxtool: " + U8(what) + ", línea " + std::to_string(s.line) + ": perfil \"" +
               U8(s.profile) + "\", " + U8(s.reason) + ", se deja de lado\n";
  }
  return true;
}

struct Described {
  Text question;
  Text caption;
  Text answer;
};

Described Describe(const Text& key, const Text& answers) {
  if (answers.empty()) return {};
  try {
    const std::unique_ptr<CDossaWindow> dialog = ReadKey(key, answers);
    return {DescribeQuestion(*dialog), dialog->GetCaption(), DescribeAnswer(*dialog)};
  } catch (const std::exception&) {
    // Entries were read back when loaded; this is not expected.
    return {u"(entrada ilegible)", {}, {}};
  }
}

// What a person reads first: the question, its caption, then the key.
void OrderForReading(std::vector<DialogChange>& dialogs) {
  struct Keyed {
    Described d;
    DialogChange change;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(dialogs.size());
  for (DialogChange& c : dialogs) {
    Described d = Describe(c.key, c.answers_a.empty() ? c.answers_b : c.answers_a);
    keyed.push_back({std::move(d), std::move(c)});
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
    return std::tie(x.d.question, x.d.caption, x.change.key) < std::tie(y.d.question, y.d.caption, y.change.key);
  });
  for (std::size_t i = 0; i < dialogs.size(); ++i) dialogs[i] = std::move(keyed[i].change);
}

const char* kDiffUsage = "kvxtool diff A B [--profile NOMBRE] [--tsv]  (A y B: archivos .kvxpf o --store)";
const char* kMergeUsage = "kvxtool merge -o SALIDA.kvxpf A B [--prefer a|b]  (A y B: archivos .kvxpf o --store)";

}  // namespace

std::map<Text, Text> CanonicalEntries(const CProfile& profile) {
  std::map<Text, Text> entries;
  const std::vector<Text> keys = profile.GetKeys();
  const std::vector<Text> values = profile.GetValues();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    Text key = keys[i];
    Text answers = values[i];
    if (!NormalizeEntry(key, answers)) continue;
    entries[std::move(key)] = std::move(answers);
  }
  return entries;
}

std::vector<ProfileChanges> CompareProfiles(const CProfileRepository& a, const CProfileRepository& b,
                                            const Text* only) {
  std::vector<ProfileChanges> result;
  auto compare = [&](const CProfile* pa, const CProfile* pb) {
    ProfileChanges changes;
    changes.name = pa != nullptr ? pa->GetName() : pb->GetName();
    changes.in_a = pa != nullptr;
    changes.in_b = pb != nullptr;
    const std::map<Text, Text> ea = pa != nullptr ? CanonicalEntries(*pa) : std::map<Text, Text>();
    const std::map<Text, Text> eb = pb != nullptr ? CanonicalEntries(*pb) : std::map<Text, Text>();
    changes.entries_a = ea.size();
    changes.entries_b = eb.size();
    auto ia = ea.begin();
    auto ib = eb.begin();
    while (ia != ea.end() || ib != eb.end()) {
      if (ib == eb.end() || (ia != ea.end() && ia->first < ib->first)) {
        changes.dialogs.push_back({Change::kOnlyA, ia->first, ia->second, {}});
        ++ia;
      } else if (ia == ea.end() || ib->first < ia->first) {
        changes.dialogs.push_back({Change::kOnlyB, ib->first, {}, ib->second});
        ++ib;
      } else {
        if (ia->second != ib->second) {
          changes.dialogs.push_back({Change::kDifferent, ia->first, ia->second, ib->second});
        }
        ++ia;
        ++ib;
      }
    }
    result.push_back(std::move(changes));
  };
  if (only != nullptr) {
    const CProfile* pa = a.FindProfile(*only);
    const CProfile* pb = b.FindProfile(*only);
    if (pa != nullptr || pb != nullptr) compare(pa, pb);
    return result;
  }
  for (const CProfile* pa : a.GetProfiles()) compare(pa, b.FindProfile(pa->GetName()));
  for (const CProfile* pb : b.GetProfiles()) {
    if (a.FindProfile(pb->GetName()) == nullptr) compare(nullptr, pb);
  }
  std::stable_sort(result.begin(), result.end(),
                   [](const ProfileChanges& x, const ProfileChanges& y) { return x.name < y.name; });
  return result;
}

int Diff(const std::vector<Text>& args, Environment& env) {
  constexpr int kDifferent = 1, kTrouble = 2;
  std::vector<Text> sides;
  std::optional<Text> only;
  bool tsv = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == u"--tsv") {
      tsv = true;
    } else if (args[i] == u"--profile") {
      if (i + 1 >= args.size() || only) return Usage(env, kDiffUsage, kTrouble);
      only = args[++i];
    } else if (args[i] == u"--store" || args[i].empty() || args[i][0] != u'-') {
      sides.push_back(args[i]);
    } else {
      return Usage(env, kDiffUsage, kTrouble);
    }
  }
  if (sides.size() != 2) return Usage(env, kDiffUsage, kTrouble);
  Side a, b;
  if (!LoadSide(sides[0], env, &a) || !LoadSide(sides[1], env, &b)) return kTrouble;
  if (only && a.repository->FindProfile(*only) == nullptr && b.repository->FindProfile(*only) == nullptr) {
    return Error(env, "no existe el perfil \"" + U8(*only) + "\" ni en " + U8(a.label) + " ni en " + U8(b.label),
                 kTrouble);
  }
  std::vector<ProfileChanges> profiles = CompareProfiles(*a.repository, *b.repository, only ? &*only : nullptr);
  bool different = false;
  std::size_t differing_profiles = 0, entries = 0;
  if (!tsv) env.out += "A: " + Field(a.label) + "\nB: " + Field(b.label) + "\n";
  for (ProfileChanges& p : profiles) {
    OrderForReading(p.dialogs);
    if (!p.Equal()) {
      different = true;
      ++differing_profiles;
    }
    entries += std::max(p.entries_a, p.entries_b);
    if (tsv) {
      if (!p.in_b) env.out += "perfil_solo_a\t" + Field(p.name) + "\t\t\t\t\n";
      if (!p.in_a) env.out += "perfil_solo_b\t" + Field(p.name) + "\t\t\t\t\n";
      for (const DialogChange& c : p.dialogs) {
        const Described da = Describe(c.key, c.answers_a);
        const Described db = Describe(c.key, c.answers_b);
        const Described& d = c.change == Change::kOnlyB ? db : da;
        const char* state = c.change == Change::kOnlyA ? "solo_a" : c.change == Change::kOnlyB ? "solo_b" : "distinta";
        env.out += std::string(state) + "\t" + Field(p.name) + "\t" + Field(d.question) + "\t" + Field(d.caption) +
                   "\t" + Field(da.answer) + "\t" + Field(db.answer) + "\n";
      }
      continue;
    }
    const std::string name = "Perfil \"" + Field(p.name) + "\": ";
    auto count = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " respuesta" : " respuestas"); };
    if (!p.in_b) {
      env.out += name + "sólo en A (" + count(p.entries_a) + ")\n";
      continue;
    }
    if (!p.in_a) {
      env.out += name + "sólo en B (" + count(p.entries_b) + ")\n";
      continue;
    }
    if (p.Equal()) {
      env.out += name + "igual (" + count(p.entries_a) + ")\n";
      continue;
    }
    std::size_t only_a = 0, only_b = 0, changed = 0;
    for (const DialogChange& c : p.dialogs) {
      (c.change == Change::kOnlyA ? only_a : c.change == Change::kOnlyB ? only_b : changed) += 1;
    }
    env.out += name + std::to_string(only_a) + " sólo en A, " + std::to_string(only_b) + " sólo en B, " +
               std::to_string(changed) + (changed == 1 ? " respondida" : " respondidas") + " distinto\n";
    for (const DialogChange& c : p.dialogs) {
      const Described da = Describe(c.key, c.answers_a);
      const Described db = Describe(c.key, c.answers_b);
      const Described& d = c.change == Change::kOnlyB ? db : da;
      const char* what = c.change == Change::kOnlyA ? "sólo en A" : c.change == Change::kOnlyB ? "sólo en B" : "distinta";
      // A message's description holds its caption already; a data-input or
      // option dialog's names only its prompt or its list.
      const bool caption_shown = d.caption.empty() || d.question.find(d.caption) != Text::npos;
      env.out += "  " + std::string(what) + ": " + Field(d.question) +
                 (caption_shown ? "" : " [" + Field(d.caption) + "]") + "\n";
      // An answer list that only leaves the dialog be has no description.
      auto shown = [](const Described& d) { return d.answer.empty() ? "(ninguna acción)" : Field(d.answer); };
      if (c.change != Change::kOnlyB) env.out += "      A: " + shown(da) + "\n";
      if (c.change != Change::kOnlyA) env.out += "      B: " + shown(db) + "\n";
    }
  }
  if (!tsv) {
    env.out += different ? "Distintos: " + std::to_string(differing_profiles) + " de " +
                               std::to_string(profiles.size()) + " perfiles.\n"
                         : "Iguales: " + std::to_string(profiles.size()) +
                               (profiles.size() == 1 ? " perfil, " : " perfiles, ") + std::to_string(entries) +
                               (entries == 1 ? " respuesta.\n" : " respuestas.\n");
  }
  return different ? kDifferent : kSuccess;
}

int Merge(const std::vector<Text>& args, Environment& env) {
  std::vector<Text> sides;
  std::optional<Text> output;
  std::optional<bool> prefer_a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == u"-o") {
      if (i + 1 >= args.size() || output) return Usage(env, kMergeUsage);
      output = args[++i];
    } else if (args[i] == u"--prefer") {
      if (i + 1 >= args.size() || prefer_a) return Usage(env, kMergeUsage);
      const Text& which = args[++i];
      if (which != u"a" && which != u"b" && which != u"A" && which != u"B") return Usage(env, kMergeUsage);
      prefer_a = which == u"a" || which == u"A";
    } else if (args[i] == u"--store" || args[i].empty() || args[i][0] != u'-') {
      sides.push_back(args[i]);
    } else {
      return Usage(env, kMergeUsage);
    }
  }
  if (sides.size() != 2 || !output || output->empty()) return Usage(env, kMergeUsage);
  Side a, b;
  if (!LoadSide(sides[0], env, &a) || !LoadSide(sides[1], env, &b)) return kFailure;

  // Everything is decided in memory; the file is written only once the
  // whole merge is known to be complete.
  CProfileRepository merged;
  std::string conflicts;
  std::size_t conflict_count = 0;
  for (const ProfileChanges& p : CompareProfiles(*a.repository, *b.repository)) {
    const CProfile* pa = p.in_a ? a.repository->FindProfile(p.name) : nullptr;
    const CProfile* pb = p.in_b ? b.repository->FindProfile(p.name) : nullptr;
    std::map<Text, Text> entries = pb != nullptr ? CanonicalEntries(*pb) : std::map<Text, Text>();
    if (pa != nullptr) {
      for (auto& [key, answers] : CanonicalEntries(*pa)) entries[key] = answers;
    }
    std::vector<DialogChange> changed;
    for (const DialogChange& c : p.dialogs) {
      if (c.change == Change::kDifferent) changed.push_back(c);
    }
    OrderForReading(changed);
    for (const DialogChange& c : changed) {
      ++conflict_count;
      const Described da = Describe(c.key, c.answers_a);
      const Described db = Describe(c.key, c.answers_b);
      conflicts += "conflicto\t" + Field(p.name) + "\t" + Field(da.question) + "\t" + Field(da.caption) + "\t" +
                   Field(da.answer) + "\t" + Field(db.answer);
      if (prefer_a) conflicts += *prefer_a ? "\tse toma A" : "\tse toma B";
      conflicts += "\n";
      if (prefer_a && !*prefer_a) entries[c.key] = c.answers_b;
    }
    CProfile* profile = nullptr;
    try {
      profile = &merged.CreateProfile(p.name);
    } catch (const ProfileError& e) {
      return Error(env, "el perfil \"" + U8(p.name) + "\" no se puede escribir: " + U8(e.message()) +
                            "; no se escribió " + U8(*output),
                   kFailure);
    }
    for (const auto& [key, answers] : entries) profile->SetAnswer(key, answers);
  }
  env.out += conflicts;
  if (conflict_count != 0 && !prefer_a) {
    return Error(env, std::to_string(conflict_count) +
                          (conflict_count == 1 ? " diálogo respondido distinto" : " diálogos respondidos distinto") +
                          " en A y en B; elija con --prefer a o --prefer b. No se escribió " + U8(*output),
                 kFailure);
  }
  if (merged.GetProfiles().empty()) {
    return Error(env, "ni A ni B tienen perfiles; no se escribió " + U8(*output), kFailure);
  }
  const ExportResult exported = ExportProfiles(merged);
  if (!exported.ok) return Error(env, U8(exported.error) + " No se escribió " + U8(*output), kFailure);
  if (!ReplaceFileSafely(*output, exported.bytes)) {
    return Error(env, "no se pudo escribir " + U8(*output) + "; queda como estaba", kFailure);
  }
  for (const CProfile* profile : merged.GetProfiles()) {
    env.out += "perfil\t" + Field(profile->GetName()) + "\t" + std::to_string(profile->GetCount()) + "\n";
  }
  return kSuccess;
}

}  // namespace korvex::kvxtool
