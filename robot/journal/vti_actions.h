// The validation journal: every message met and every question answered
// during a total validation, grouped by item, kept in memory for the
// end-of-run reports and appended at once to a CSV log file in the
// configured folder.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "platform/window_system.h"
#include "robot/common/robot_strings.h"
#include "robot/journal/csv_stream.h"

namespace korvex {

class RegionalSettings;
class Settings;

struct CVTIAction {
  std::int32_t m_isMessage = 0;  // 1 message, 0 question
  std::int32_t m_automatic = 0;  // 1 answered from the profile, 0 by the user
  std::uint16_t m_item = 0;
  Text m_content;  // the message or the question
  Text m_answer;   // empty for messages
  friend bool operator==(const CVTIAction&, const CVTIAction&) = default;
};

// The log file as a text output: single-byte text (ISO-8859-1) with CR LF
// line ends.  A character the single-byte file cannot hold is written as
// "?", so the line and every later line are kept.
class LogFileOutput final : public TextOutput {
 public:
  explicit LogFileOutput(OutputFile& file) : m_file(file) {}
  void Write(TextView text) override;
  void Flush() override { m_file.Flush(); }

 private:
  OutputFile& m_file;
};

class CVTIActions {
 public:
  using QuestionMap = std::map<std::uint16_t, std::map<Text, CVTIAction>>;
  using MessageMap = std::map<std::uint16_t, std::vector<CVTIAction>>;

  CVTIActions(WindowSystem& ws, const Settings& settings, RegionalSettings& regional,
              Clock& clock);
  // Clears the records and closes the file without a closing line.
  ~CVTIActions();
  CVTIActions(const CVTIActions&) = delete;
  CVTIActions& operator=(const CVTIActions&) = delete;

  // Starts a log file for the host window and writes the opening line with
  // the profile name.
  void Open(Hwnd host, const Text& profile);
  // Starts a log file named after the host window's caption; nothing when a
  // file is open, no window is given or the caption has no space.
  void OpenFile(Hwnd host);
  // Writes the closing line ("desconectado" when disconnected, "concluído"
  // otherwise) and closes the file; the records stay.
  void Close(bool disconnected);
  void AddMessage(bool automatic, std::uint16_t item, const Text& text);
  // One record per question per item: a repeated question replaces the
  // earlier record, and both are written to the file.
  void AddQuestion(bool automatic, std::uint16_t item, const Text& question, const Text& answer);
  // Forgets the record (the file keeps its line).
  void RemoveQuestion(std::uint16_t item, const Text& question);
  void Clear();
  std::size_t CountQuestions() const;
  std::size_t CountMessages() const;

  const QuestionMap& Questions() const { return m_questions; }
  const MessageMap& Messages() const { return m_messages; }
  const Text& GetLogPath() const { return m_logPath; }
  const Text& GetLogName() const { return m_logName; }
  bool IsFileOpen() const { return m_file.IsOpen(); }

  // Writes one formatted string of the table as a one-field line.
  void WriteLine(int string_id, const std::vector<MessageArg>& args = {});
  // A line that every log file opened from now on carries after its opening
  // line: what holds for the whole time the robot runs (a query service
  // that does not listen where the tariff control looks).  Empty: none.
  void SetStandingNote(Text note) { m_standingNote = std::move(note); }

 private:
  void WriteRecord(const CVTIAction& action);
  void WriteText(const Text& text);

  WindowSystem& m_ws;
  const Settings& m_settings;
  RegionalSettings& m_regional;
  Clock& m_clock;
  QuestionMap m_questions;
  MessageMap m_messages;
  Text m_logPath;
  Text m_logName;
  OutputFile m_file;
  bool m_needHeader = false;
  Text m_standingNote;
  const Text m_labelAutomatic;
  const Text m_labelManual;
  const Text m_labelMessage;
  const Text m_labelQuestion;
};

// The run identifier of a host caption: its last word when that is 16
// characters ending in "@", else "IDENT"; nothing when the caption has no
// space.
std::optional<Text> RunIdentifier(TextView caption);
// "%02d%02d%02d_%02d%02d%02d_%s.csv".
Text LogFileName(const LocalTime& time, TextView identifier);

}  // namespace korvex
