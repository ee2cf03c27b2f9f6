#include "robot/profiles/profile_file.h"

#include <optional>
#include <stdexcept>

#include "platform/single_byte.h"
#include "robot/capture/recognition_error.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"

namespace korvex {

namespace {

// Appends one line in the file's single-byte form; false when a character
// does not fit in one byte or would break the line structure.
bool AppendLine(std::string& out, TextView line) {
  if (line.find_first_of(u"\r\n") != TextView::npos || !FitsSingleByte(line, CodePage::kLatin1)) {
    return false;
  }
  out += EncodeSingleByte(line, CodePage::kLatin1);
  out += "\r\n";
  return true;
}

Text FromLatin1(std::string_view bytes) { return DecodeSingleByte(bytes, CodePage::kLatin1); }

// Reads the content line by line; a line ends with LF, CR LF, or the end of
// the content.
class LineReader {
 public:
  explicit LineReader(std::string_view content) : m_content(content) {}
  // The next line, or nothing at the end of the content.
  std::optional<std::string_view> Next() {
    if (m_pos >= m_content.size()) return std::nullopt;
    ++m_line;
    std::size_t end = m_content.find('\n', m_pos);
    std::string_view line;
    if (end == std::string_view::npos) {
      line = m_content.substr(m_pos);
      m_pos = m_content.size();
    } else {
      line = m_content.substr(m_pos, end - m_pos);
      m_pos = end + 1;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  // The next line is empty (and there is one).
  bool NextIsEmpty() const {
    return m_pos < m_content.size() &&
           (m_content[m_pos] == '\n' ||
            (m_content[m_pos] == '\r' && m_pos + 1 < m_content.size() &&
             m_content[m_pos + 1] == '\n'));
  }
  int LineNumber() const { return m_line; }

 private:
  std::string_view m_content;
  std::size_t m_pos = 0;
  int m_line = 0;
};

}  // namespace

ExportResult ExportProfiles(const CProfileRepository& repository) {
  ExportResult result;
  std::string& out = result.bytes;
  out.append(kProfileFileHeader).append("\r\n");
  for (const CProfile* profile : repository.GetProfiles()) {
    if (!AppendLine(out, profile->GetName())) {
      result.bytes.clear();
      result.error = u"El nombre del perfil \"" + profile->GetName() +
                     u"\" tiene caracteres que el archivo de perfiles no puede guardar.";
      return result;
    }
    const std::vector<Text> keys = profile->GetKeys();
    const std::vector<Text> values = profile->GetValues();
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (!AppendLine(out, keys[i]) || !AppendLine(out, values[i])) {
        result.bytes.clear();
        result.error = u"El perfil \"" + profile->GetName() +
                       u"\" tiene una respuesta que el archivo de perfiles no puede guardar.";
        return result;
      }
    }
    out += "\r\n\r\n";
  }
  result.ok = true;
  return result;
}

ImportResult ImportProfiles(CProfileRepository& repository, std::string_view content) {
  ImportResult result;
  LineReader lines(content);
  const std::optional<std::string_view> header = lines.Next();
  if (!header || *header != kProfileFileHeader) {
    result.error = u"El archivo no es un archivo de perfiles de KORVEX.";
    result.error_line = 1;
    return result;
  }
  while (true) {
    const std::optional<std::string_view> name_line = lines.Next();
    if (!name_line) break;
    if (name_line->empty()) continue;  // a stray blank line between profiles
    const Text name = FromLatin1(*name_line);
    CProfile* profile = repository.FindProfile(name);
    if (profile == nullptr) {
      if (std::optional<Text> problem = ProfileNameProblem(name)) {
        // The store could not keep it under that name; its entries are
        // passed over and the next profile is read.
        result.skipped_profiles.push_back({lines.LineNumber(), name, *problem});
        for (std::optional<std::string_view> line = lines.Next(); line && !line->empty();
             line = lines.Next()) {
          lines.Next();  // the answer list
        }
        if (lines.NextIsEmpty()) lines.Next();
        continue;
      }
      profile = &repository.CreateProfile(name);
    }
    ++result.profiles;
    while (true) {
      const std::optional<std::string_view> key_line = lines.Next();
      if (!key_line || key_line->empty()) break;
      const int key_line_number = lines.LineNumber();
      const Text key = FromLatin1(*key_line);
      const Text answers = FromLatin1(lines.Next().value_or(std::string_view{}));
      try {
        ReadStoredEntry(key, answers);
        profile->SetAnswer(key, answers);
      } catch (const RecognitionError& e) {
        result.skipped.push_back(
            {key_line_number, name,
             u"par ilegible (código " + FromUtf8(std::to_string(e.code())) + u")"});
      }
    }
    // The empty line that separates profiles.
    if (lines.NextIsEmpty()) lines.Next();
  }
  if (result.profiles == 0) {
    result.error = result.skipped_profiles.empty()
                       ? u"El archivo no contiene perfiles."
                       : u"El archivo no contiene perfiles cuyo nombre se pueda guardar.";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace korvex
