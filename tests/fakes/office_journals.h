// The journals of an office's validation runs, written by the robot's own
// journal (JournalWriter): two profiles, a run every half day, dialogs that
// a person answers the first time and the robot from then on, and a few a
// person always answers.  The browser test's page, the README's picture and
// the report's benchmark are made from them.  Everything follows from the
// arguments: the same call writes the same files.
#pragma once

#include <cstddef>
#include <string>

#include "platform/text.h"

namespace korvex::testing {

struct OfficeOptions {
  std::size_t runs = 12;
  std::size_t items = 40;    // items of each run (varied by up to +20 when vary_items)
  bool vary_items = true;
  // Adds a run written with "|" as separator, a run the robot stopped and
  // whose file was cut inside its last line, and a file named as a journal
  // that is not one.
  bool with_oddities = true;
};

// What was written, counted as the report counts it.
struct OfficeTally {
  std::size_t runs = 0;
  std::size_t dialogs = 0;
  std::size_t automatic = 0;
  std::size_t skipped_files = 0;
  std::size_t profile_runs[2] = {0, 0};  // "Aduana Norte", "Exportaciones"
  std::size_t profile_dialogs[2] = {0, 0};
  std::size_t profile_automatic[2] = {0, 0};
  std::size_t bytes = 0;  // of every file written
};

OfficeTally WriteOfficeJournals(const Text& folder, const OfficeOptions& options);

}  // namespace korvex::testing
