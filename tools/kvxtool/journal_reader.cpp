#include "tools/kvxtool/journal_reader.h"

#include <unordered_map>

#include "platform/single_byte.h"
#include "robot/common/robot_strings.h"

namespace korvex::kvxtool {

namespace {

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int TwoDigits(TextView text, std::size_t at) { return (text[at] - u'0') * 10 + (text[at + 1] - u'0'); }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The robot's texts as they stand in its single-byte files.
std::string Latin1(TextView text) { return EncodeSingleByte(text, CodePage::kLatin1); }

struct Labels {
  std::string automatic = Latin1(LoadRobotString(str::kAutomatic));
  std::string manual = Latin1(LoadRobotString(str::kManual));
  std::string message = Latin1(LoadRobotString(str::kMessage));
  std::string question = Latin1(LoadRobotString(str::kQuestion));
  std::string concluded = Latin1(LoadRobotString(str::kValidationEnded));
  std::string disconnected = Latin1(LoadRobotString(str::kDisconnected));
  // "Se ha activado el perfil "%1"": the text before and after the name.
  std::string activated_before;
  std::string activated_after;
  std::vector<std::string> header;

  Labels() {
    const std::string activated = Latin1(LoadRobotString(str::kProfileActivated));
    const std::size_t insert = activated.find("%1");
    activated_before = activated.substr(0, insert);
    activated_after = insert == std::string::npos ? "" : activated.substr(insert + 2);
    for (int id = str::kHeaderItem; id <= str::kHeaderAnswer; ++id) {
      header.push_back(Latin1(LoadRobotString(id)));
    }
  }
};

const Labels& TheLabels() {
  static const Labels labels;
  return labels;
}

// A field's text: the file's CR LF inside a quoted field was a line break
// of the text.
Text FieldText(std::string_view bytes) {
  Text text = DecodeSingleByte(bytes, CodePage::kLatin1);
  std::size_t out = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    text[out++] = text[i];
  }
  text.resize(out);
  return text;
}

bool ParseItem(const std::string& field, std::uint16_t* item) {
  if (field.empty() || field.size() > 5) return false;
  unsigned value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 0xFFFF) return false;
  *item = static_cast<std::uint16_t>(value);
  return true;
}

// Splits the content into records of quoted fields, each record ended by a
// line end, its fields joined by one separator character.
class RecordReader {
 public:
  enum class Status { kRecord, kUnreadable, kTruncated, kEnd };

  explicit RecordReader(std::string_view bytes) : m_bytes(bytes) {}

  Status Next(std::vector<std::string>* fields) {
    fields->clear();
    // Blank lines are none of the robot's; they are passed over.
    while (m_pos < m_bytes.size() && (m_bytes[m_pos] == '\r' || m_bytes[m_pos] == '\n')) ++m_pos;
    if (m_pos >= m_bytes.size()) return Status::kEnd;
    bool have_separator = false;
    char separator = 0;
    while (true) {
      if (m_bytes[m_pos] != '"') return SkipLine();
      ++m_pos;
      std::string field;
      while (true) {
        const std::size_t quote = m_bytes.find('"', m_pos);
        if (quote == std::string_view::npos) return Truncated();
        field.append(m_bytes.substr(m_pos, quote - m_pos));
        m_pos = quote + 1;
        if (m_pos < m_bytes.size() && m_bytes[m_pos] == '"') {
          field.push_back('"');
          ++m_pos;
          continue;
        }
        break;
      }
      fields->push_back(std::move(field));
      if (m_pos >= m_bytes.size()) return Truncated();
      const char c = m_bytes[m_pos];
      if (c == '\n') {
        ++m_pos;
        return Status::kRecord;
      }
      if (c == '\r') {
        if (m_pos + 1 >= m_bytes.size()) return Truncated();
        if (m_bytes[m_pos + 1] == '\n') {
          m_pos += 2;
          return Status::kRecord;
        }
      }
      if (!have_separator) {
        have_separator = true;
        separator = c;
      } else if (c != separator) {
        return SkipLine();
      }
      ++m_pos;
      if (m_pos >= m_bytes.size()) return Truncated();
    }
  }

 private:
  Status SkipLine() {
    const std::size_t end = m_bytes.find('\n', m_pos);
    m_pos = end == std::string_view::npos ? m_bytes.size() : end + 1;
    return Status::kUnreadable;
  }
  Status Truncated() {
    m_pos = m_bytes.size();
    return Status::kTruncated;
  }

  std::string_view m_bytes;
  std::size_t m_pos = 0;
};

// A record as read, before a later record of the same question replaces it.
struct ReadDialog {
  std::uint16_t item = 0;
  bool message = false;
  bool automatic = false;
  bool replaced = false;
  std::size_t profile = 0;
  std::string content;
  std::string answer;
};

}  // namespace

std::optional<JournalName> ParseJournalName(TextView name) {
  // 6 digits, "_", 6 digits, "_", an identifier, ".csv".
  if (name.size() < 19) return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}) {
    if (!IsAsciiDigit(name[i])) return std::nullopt;
  }
  if (name[6] != u'_' || name[13] != u'_') return std::nullopt;
  const TextView extension = name.substr(name.size() - 4);
  if (!EqualsIgnoringAsciiCase(extension, u".csv")) return std::nullopt;
  JournalName result;
  result.identifier = Text(name.substr(14, name.size() - 18));
  if (result.identifier.empty()) return std::nullopt;
  LocalTime& t = result.start;
  t.year = 2000 + TwoDigits(name, 0);
  t.month = TwoDigits(name, 2);
  t.day = TwoDigits(name, 4);
  t.hour = TwoDigits(name, 7);
  t.minute = TwoDigits(name, 9);
  t.second = TwoDigits(name, 11);
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month) ||
      t.hour > 23 || t.minute > 59 || t.second > 59) {
    return std::nullopt;
  }
  return result;
}

JournalReadResult ReadJournal(std::string_view bytes) {
  const Labels& labels = TheLabels();
  JournalReadResult result;
  if (bytes.empty()) {
    result.problem = u"el archivo está vacío";
    return result;
  }
  JournalRun run;
  std::vector<ReadDialog> dialogs;
  // The question records by item and text, for the one that replaces them.
  std::unordered_map<std::string, std::size_t> questions;
  RecordReader reader(bytes);
  std::vector<std::string> fields;
  bool first = true;
  while (true) {
    const RecordReader::Status status = reader.Next(&fields);
    if (status == RecordReader::Status::kEnd) break;
    if (status == RecordReader::Status::kTruncated) {
      if (first) {
        result.problem = u"el archivo termina antes de su primer renglón completo";
        return result;
      }
      run.truncated = true;
      break;
    }
    if (status == RecordReader::Status::kUnreadable) {
      if (first) {
        result.problem = u"no es un registro de validación de KORVEX";
        return result;
      }
      ++run.unreadable_lines;
      continue;
    }
    if (fields.size() == 1) {
      const std::string& line = fields[0];
      if (line.size() >= labels.activated_before.size() + labels.activated_after.size() &&
          line.compare(0, labels.activated_before.size(), labels.activated_before) == 0 &&
          line.compare(line.size() - labels.activated_after.size(), labels.activated_after.size(),
                       labels.activated_after) == 0) {
        run.profiles.push_back(FieldText(std::string_view(line).substr(
            labels.activated_before.size(),
            line.size() - labels.activated_before.size() - labels.activated_after.size())));
        first = false;
        continue;
      }
      if (!first && line == labels.concluded) {
        run.end = JournalEnd::kConcluded;
        continue;
      }
      if (!first && line == labels.disconnected) {
        run.end = JournalEnd::kDisconnected;
        continue;
      }
    }
    if (first) {
      result.problem = u"no es un registro de validación de KORVEX";
      return result;
    }
    if (fields == labels.header) continue;
    ReadDialog dialog;
    const bool message = fields.size() == 4 && fields[1] == labels.message;
    const bool question = fields.size() == 5 && fields[1] == labels.question;
    const bool automatic = fields.size() >= 4 && fields[2] == labels.automatic;
    const bool manual = fields.size() >= 4 && fields[2] == labels.manual;
    if (!(message || question) || !(automatic || manual) || !ParseItem(fields[0], &dialog.item)) {
      ++run.unreadable_lines;
      continue;
    }
    dialog.message = message;
    dialog.automatic = automatic;
    dialog.profile = run.profiles.size() - 1;
    dialog.content = std::move(fields[3]);
    if (question) {
      dialog.answer = std::move(fields[4]);
      std::string id(reinterpret_cast<const char*>(&dialog.item), sizeof dialog.item);
      id += dialog.content;
      auto [it, inserted] = questions.try_emplace(std::move(id), dialogs.size());
      if (!inserted) {
        dialogs[it->second].replaced = true;
        it->second = dialogs.size();
      }
    }
    dialogs.push_back(std::move(dialog));
  }

  std::vector<bool> items(0x10000, false);
  run.profile_dialogs.assign(run.profiles.size(), 0);
  run.profile_automatic.assign(run.profiles.size(), 0);
  for (ReadDialog& dialog : dialogs) {
    if (dialog.replaced) continue;
    if (!items[dialog.item]) {
      items[dialog.item] = true;
      ++run.items;
    }
    ++run.dialogs;
    ++run.profile_dialogs[dialog.profile];
    if (dialog.message) ++run.messages;
    if (dialog.automatic) {
      ++run.automatic;
      ++run.profile_automatic[dialog.profile];
      continue;
    }
    JournalDialog kept;
    kept.item = dialog.item;
    kept.message = dialog.message;
    kept.profile = dialog.profile;
    kept.content = FieldText(dialog.content);
    kept.answer = FieldText(dialog.answer);
    run.manual.push_back(std::move(kept));
  }
  result.run = std::move(run);
  return result;
}

}  // namespace korvex::kvxtool
