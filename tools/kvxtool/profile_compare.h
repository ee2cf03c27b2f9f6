// Comparing and merging profiles between brokers: the reference profile a
// senior broker keeps and the copies on each desk drift apart.
//
// Dialogs are matched as the robot matches them: by their key read back and
// written again in today's form, so a key stored by an older version and the
// same dialog captured now are one dialog, and so are two forms of the same
// answer list.  Profiles are matched by name as the store compares names,
// without regard to case.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/text.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex {
class CProfile;
class CProfileRepository;
}  // namespace korvex

namespace korvex::kvxtool {

// A profile's answers by key, both in the form the writers produce today.
// Where two stored keys are one dialog, the one later in the profile's
// order wins, as in the store once the profile has been imported there.
std::map<Text, Text> CanonicalEntries(const CProfile& profile);

enum class Change { kOnlyA, kOnlyB, kDifferent };

struct DialogChange {
  Change change = Change::kOnlyA;
  Text key;        // today's form
  Text answers_a;  // empty when only in B
  Text answers_b;  // empty when only in A
};

struct ProfileChanges {
  Text name;  // A's spelling when both have it
  bool in_a = false;
  bool in_b = false;
  std::size_t entries_a = 0;
  std::size_t entries_b = 0;
  std::vector<DialogChange> dialogs;  // ordered by key
  bool Equal() const { return in_a && in_b && dialogs.empty(); }
};

// Every profile of either repository (or only the named one, when given),
// ordered by name, with what tells them apart.
std::vector<ProfileChanges> CompareProfiles(const CProfileRepository& a, const CProfileRepository& b,
                                            const Text* only = nullptr);

// kvxtool diff A B [--profile NOMBRE] [--tsv]: 0 equal, 1 different, 2 error.
int Diff(const std::vector<Text>& args, Environment& env);
// kvxtool merge -o SALIDA A B [--prefer a|b]: 0 written, 1 not written
// (a conflict without --prefer, or a failure), 2 usage.
int Merge(const std::vector<Text>& args, Environment& env);

}  // namespace korvex::kvxtool
