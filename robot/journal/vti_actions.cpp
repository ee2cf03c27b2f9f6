#include "robot/journal/vti_actions.h"

#include <algorithm>
#include <cstdio>

#include "platform/regional.h"
#include "platform/single_byte.h"
#include "robot/common/settings.h"

namespace korvex {

// The file is single-byte text with CR LF line ends; a character beyond
// Latin-1 is written "?" and the line is kept.
void LogFileOutput::Write(TextView text) {
  std::string bytes;
  bytes.reserve(text.size() + 8);
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    bytes += EncodeSingleByte(text.substr(start, end - start), CodePage::kLatin1);
    if (end == text.size()) break;
    bytes += "\r\n";
    start = end + 1;
  }
  m_file.Write(bytes);
}

std::optional<Text> RunIdentifier(TextView caption) {
  const std::size_t space = caption.rfind(u' ');
  if (space == TextView::npos) return std::nullopt;
  const TextView last = caption.substr(space + 1);
  if (last.size() == 16 && last[15] == u'@') return Text(last);
  return Text(u"IDENT");
}

Text LogFileName(const LocalTime& t, TextView identifier) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d_%02d%02d%02d_", t.year % 100, t.month, t.day,
                t.hour, t.minute, t.second);
  return FromUtf8(stamp) + Text(identifier) + u".csv";
}

CVTIActions::CVTIActions(WindowSystem& ws, const Settings& settings, RegionalSettings& regional,
                         Clock& clock)
    : m_ws(ws),
      m_settings(settings),
      m_regional(regional),
      m_clock(clock),
      m_labelAutomatic(LoadRobotString(str::kAutomatic)),
      m_labelManual(LoadRobotString(str::kManual)),
      m_labelMessage(LoadRobotString(str::kMessage)),
      m_labelQuestion(LoadRobotString(str::kQuestion)) {}

CVTIActions::~CVTIActions() {
  Clear();
  m_file.Close();
}

void CVTIActions::Open(Hwnd host, const Text& profile) {
  OpenFile(host);
  WriteLine(str::kProfileActivated, {profile});
  if (!m_standingNote.empty()) WriteText(m_standingNote);
}

void CVTIActions::OpenFile(Hwnd host) {
  if (m_file.IsOpen()) return;
  m_logPath.clear();
  m_logName.clear();
  if (host == kNoWindow) return;
  const std::optional<Text> identifier = RunIdentifier(m_ws.GetWindowTextW(host));
  if (!identifier) return;
  m_logName = LogFileName(m_clock.LocalNow(), *identifier);
  const Text folder = m_settings.LogDir();
  CreateFolders(folder);
  m_logPath = folder + kPathSeparator + m_logName;
  m_file.Open(m_logPath);
  m_needHeader = true;
}

void CVTIActions::Close(bool disconnected) {
  if (!m_file.IsOpen()) return;
  WriteLine(disconnected ? str::kDisconnected : str::kValidationEnded);
  m_file.Close();
}

void CVTIActions::WriteLine(int string_id, const std::vector<MessageArg>& args) {
  WriteText(FormatMessageText(LoadRobotString(string_id), args));
}

void CVTIActions::WriteText(const Text& text) {
  if (!m_file.IsOpen()) return;
  LogFileOutput output(m_file);
  csvostream out(output, GetLogSeparator(m_settings, m_regional));
  out << text << csvendl;
}

void CVTIActions::WriteRecord(const CVTIAction& action) {
  if (!m_file.IsOpen()) return;
  LogFileOutput output(m_file);
  if (m_needHeader) {
    csvostream header(output, GetLogSeparator(m_settings, m_regional));
    for (int id = str::kHeaderItem; id <= str::kHeaderAnswer; ++id) header << LoadRobotString(id);
    header << csvendl;
    m_needHeader = false;
  }
  csvostream out(output, GetLogSeparator(m_settings, m_regional));
  out << action.m_item << (action.m_isMessage ? m_labelMessage : m_labelQuestion)
      << (action.m_automatic ? m_labelAutomatic : m_labelManual) << action.m_content;
  if (!action.m_isMessage) out << action.m_answer;
  out << csvendl;
}

void CVTIActions::AddMessage(bool automatic, std::uint16_t item, const Text& text) {
  CVTIAction action{1, automatic ? 1 : 0, item, text, {}};
  m_messages[item].push_back(action);
  WriteRecord(action);
}

void CVTIActions::AddQuestion(bool automatic, std::uint16_t item, const Text& question,
                              const Text& answer) {
  CVTIAction action{0, automatic ? 1 : 0, item, question, answer};
  m_questions[item][question] = action;
  WriteRecord(action);
}

void CVTIActions::RemoveQuestion(std::uint16_t item, const Text& question) {
  auto it = m_questions.find(item);
  if (it == m_questions.end()) return;
  it->second.erase(question);
  if (it->second.empty()) m_questions.erase(it);
}

void CVTIActions::Clear() {
  m_questions.clear();
  m_messages.clear();
}

std::size_t CVTIActions::CountQuestions() const {
  std::size_t n = 0;
  for (const auto& item : m_questions) n += item.second.size();
  return n;
}

std::size_t CVTIActions::CountMessages() const {
  std::size_t n = 0;
  for (const auto& item : m_messages) n += item.second.size();
  return n;
}

}  // namespace korvex
