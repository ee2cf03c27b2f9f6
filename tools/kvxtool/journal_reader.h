// Reading back the robot's journal files (robot/journal/vti_actions.h): the
// CSV file the robot writes for every validation run, named
// "AAMMDD_HHMMSS_IDENT.csv" after the moment the run began.
//
// The file is single-byte text (ISO-8859-1).  Every field is quoted, with
// its double quotes doubled and nothing else escaped, so a message may
// carry line breaks (written CR LF) and the separator inside its quotes.
// The separator is the one configured, or the regional list separator, at
// the moment each line was written: it is taken from each line, and a file
// whose setting changed during the run reads whole.
//
//   "Se ha activado el perfil ""Aduana Norte"""        once per profile chosen
//   "Item #";"Tipo de acción";...                      before the first record
//   "12";"Mensaje";"Automática";"<message>"
//   "12";"Pregunta";"Manual";"<question>";"<answer>"
//   "La validación total de ítems ha concluído."       or "...desconectado..."
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"

namespace korvex::kvxtool {

// What a journal's name says: when its run began and the run's identifier
// (the last word of the host's caption, or "IDENT").
struct JournalName {
  LocalTime start;
  Text identifier;
};

// The name as the robot gives its journals ("%02d%02d%02d_%02d%02d%02d_%s.csv",
// the extension in any case), with a real date and time; nothing for any
// other name.  The year is 2000 + the two digits.
std::optional<JournalName> ParseJournalName(TextView file_name);

// How a run's journal ends.
enum class JournalEnd {
  kConcluded,     // "La validación total de ítems ha concluído."
  kDisconnected,  // "El robot ha sido desconectado de la validación total de ítems."
  kOpen,          // no closing line: the run goes on, or the robot was stopped
};

// One dialog of a run, as the robot's end-of-run reports count it: every
// message, and one record per question and item (a question journalled
// again for the same item, say a stored answer the host refused and a
// person then gave, replaces the earlier record).
struct JournalDialog {
  std::uint16_t item = 0;
  bool message = false;
  bool automatic = false;
  std::size_t profile = 0;  // index into JournalRun::profiles
  Text content;             // the message or the question; only for those answered by a person
  Text answer;              // the answer a person gave (questions only)
};

struct JournalRun {
  // Every profile activated in the file, in order ("Se ha activado el
  // perfil ..."); a record belongs to the last one activated before it.
  std::vector<Text> profiles;
  std::size_t items = 0;      // distinct item numbers with a dialog
  std::size_t dialogs = 0;    // messages and questions
  std::size_t automatic = 0;  // answered from the profile
  std::size_t messages = 0;
  // Per profile (same order as profiles): dialogs and automatic answers.
  std::vector<std::size_t> profile_dialogs;
  std::vector<std::size_t> profile_automatic;
  // The dialogs a person answered, with their texts.
  std::vector<JournalDialog> manual;
  JournalEnd end = JournalEnd::kOpen;
  // The file stops inside a line: that line is not counted.
  bool truncated = false;
  // Lines that are none of the journal's lines (counted, not read).
  std::size_t unreadable_lines = 0;
};

struct JournalReadResult {
  std::optional<JournalRun> run;
  Text problem;  // why the file is not taken as a journal, when run is empty
};

// Reads a journal file's content.  A file that does not begin with the
// line of a profile activation is not a journal and is refused; inside a
// journal, a line that cannot be read is counted and passed over, and a
// last line cut short marks the run truncated.  Never throws on content.
JournalReadResult ReadJournal(std::string_view bytes);

}  // namespace korvex::kvxtool
