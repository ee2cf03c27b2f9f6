// The profile file ("*.kvxpf"): how profiles travel between machines.
//
//   KORVEX
//   <profile name>
//   <window key>          } one pair of lines per entry
//   <answer list>         }
//   <empty line>          ends the entries
//   <empty line>          separates profiles
//   ...
//
// One byte per character (ISO-8859-1), CR LF line ends.  Keys and answer
// lists in their current form are printable ASCII; only names carry other
// characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace korvex {

class CProfileRepository;

inline constexpr std::string_view kProfileFileHeader = "KORVEX";
// A profile file larger than this is refused before it is read: thousands of
// profiles of thousands of answers fit in a few megabytes.
inline constexpr std::size_t kMaxProfileFileBytes = 64u << 20;

struct ExportResult {
  bool ok = false;
  std::string bytes;  // the file's content when ok
  Text error;         // a Spanish reason when not ok
};

// The file content for every profile of the repository, in its order.  A
// profile name (or a line) that the single-byte file cannot hold exactly is
// refused rather than changed.
ExportResult ExportProfiles(const CProfileRepository& repository);

// A pair of a file that was not taken, with the line of its key.
struct SkippedPair {
  int line = 0;
  Text profile;
  Text reason;
};

// A profile of a file that was not taken, with the line of its name.
struct SkippedProfile {
  int line = 0;
  Text profile;
  Text reason;
};

struct ImportResult {
  bool ok = false;        // at least one profile was read and nothing failed
  int profiles = 0;       // profile sections read
  Text error;             // a Spanish reason when not ok
  int error_line = 0;     // the line the error is about, 0 when none
  std::vector<SkippedPair> skipped;
  std::vector<SkippedProfile> skipped_profiles;
};

// Reads file content into the repository.  Unreadable pairs are skipped and
// reported; a profile whose name cannot be stored (empty after all, a
// backslash, a control character, too long) is skipped whole and reported,
// and the profiles after it are still read; a profile named twice (also in
// another case) has both sections merged into one profile; blank lines where
// a name is expected are passed over.  On failure the repository may hold
// part of the file: callers import into a temporary repository and copy from
// there.
ImportResult ImportProfiles(CProfileRepository& repository, std::string_view content);

}  // namespace korvex
