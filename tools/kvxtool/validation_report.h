// The supervisor's report of the validation runs: what the robot did for
// an office, read from the journals it wrote, as one self-contained Spanish
// HTML page (no script, nothing fetched, the charts drawn in inline SVG,
// fit to print).
//
//   ValidationReport report = ReadValidationRuns({u"D:\\Registros"}, options);
//   std::string page = RenderReportPage(report, options, now);
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"
#include "tools/kvxtool/journal_reader.h"

namespace korvex::kvxtool {

// A calendar day, comparable.
struct Day {
  int year = 0;
  int month = 0;
  int day = 0;
  friend auto operator<=>(const Day&, const Day&) = default;
};

// "DD/MM/AAAA" or "AAAA-MM-DD", a real date; nothing otherwise.
std::optional<Day> ParseDay(TextView text);

struct ReportOptions {
  std::optional<Day> from;  // runs begun on this day or later
  std::optional<Day> to;    // runs begun on this day or earlier
  int seconds_per_answer = 8;  // what a person takes to answer one dialog
};

// One run: one journal file.
struct ReportRun {
  Text folder;
  Text file_name;
  JournalName name;
  JournalRun run;
};

// A message or question that a person answered, over every run.
struct ManualDialog {
  bool message = false;
  Text content;
  std::size_t count = 0;
  std::vector<std::size_t> runs;           // indices into ValidationReport::runs, increasing
  std::map<Text, std::size_t> answers;     // the answers given, and how often
};

struct ProfileFigures {
  Text name;
  std::size_t runs = 0;
  std::size_t dialogs = 0;
  std::size_t automatic = 0;
};

// A file that was not read, and why.
struct SkippedFile {
  Text folder;
  Text file_name;
  Text reason;
};

struct ValidationReport {
  std::vector<Text> folders;
  std::vector<ReportRun> runs;  // by start, then by name
  std::vector<SkippedFile> skipped;
  std::size_t dialogs = 0;
  std::size_t automatic = 0;
  // Most often answered by a person first.
  std::vector<ManualDialog> manual;
  // By name.
  std::vector<ProfileFigures> profiles;
};

// Gathers the report's figures file by file, keeping only the figures (a
// thousand journals are never in memory at once).
class ValidationReportBuilder {
 public:
  explicit ValidationReportBuilder(const ReportOptions& options) : m_options(options) {}

  // Whether a file of this name is read: a journal's name, begun within the
  // period.  Other files are none of the report's business.
  bool Wants(TextView file_name) const;
  // A journal file's content; a file that is not a journal is listed with
  // the reason.
  void AddFile(const Text& folder, const Text& file_name, std::string_view bytes);
  // A journal file that could not be read, listed with the reason.
  void AddUnreadable(const Text& folder, const Text& file_name, const Text& reason);
  // The report of every file added, over the folders named.
  ValidationReport Finish(std::vector<Text> folders);

 private:
  ReportOptions m_options;
  ValidationReport m_report;
  // The manual dialogs by kind and text.
  std::map<std::pair<bool, Text>, ManualDialog> m_manual;
};

// The page, UTF-8.
std::string RenderReportPage(const ValidationReport& report, const ReportOptions& options,
                             const LocalTime& generated);

// Spanish number forms, as the page writes them: "1.234", "87,5 %", "2,4".
std::string SpanishInteger(std::uint64_t n);
std::string SpanishDecimal(double value, int decimals);
std::string SpanishPercent(std::size_t part, std::size_t whole);

}  // namespace korvex::kvxtool
