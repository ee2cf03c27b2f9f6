#include "tarifex/engine_record.h"

#include <limits>
#include <new>

namespace korvex::tarifex {

std::string_view ParseErrorName(ParseError error) {
  switch (error) {
    case ParseError::None: return {};
    case ParseError::AllocationFailure: return "ALLOCATION FAILURE";
    case ParseError::SyntaxError: return "SYNTAX ERROR";
    case ParseError::IdentifierUnknown: return "IDENTIFIER UNKNOWN";
    case ParseError::DuplicateIdentifier: return "DUPLICATE IDENTIFIER";
    case ParseError::ErroneousMode: return "ERRONEOUS MODE";
    case ParseError::TooManyFields: return "TOO MANY FIELDS";
    case ParseError::TooManyLines: return "TOO MANY LINES";
    case ParseError::BadEndOfMessage: return "BAD END OF MESSAGE";
  }
  return {};
}

CommandRecord::CommandRecord(std::pmr::memory_resource* memory)
    : m_text(memory), m_fields(memory), m_lineStarts(memory) {}

std::size_t CommandRecord::FieldCount(std::size_t line) const {
  if (line + 1 >= m_lineStarts.size()) return 0;
  return m_lineStarts[line + 1] - m_lineStarts[line];
}

std::string_view CommandRecord::Field(std::size_t line, std::size_t index) const {
  if (index >= FieldCount(line)) return {};
  return Slice(m_fields[m_lineStarts[line] + index]);
}

std::vector<std::vector<std::string>> CommandRecord::Lines() const {
  std::vector<std::vector<std::string>> lines(LineCount());
  for (std::size_t line = 0; line < lines.size(); ++line) {
    for (std::size_t i = 0; i < FieldCount(line); ++i) lines[line].emplace_back(Field(line, i));
  }
  return lines;
}

void CommandRecord::Reset() {
  m_text.clear();
  m_name = {};
  m_fields.clear();
  m_lineStarts.clear();
  m_hasHeader = false;
  m_mode = RecordMode::Line;
  m_separators = {};
}

namespace {

enum Key { kIfs, kMod, kEob, kEol, kKeyCount };

// Reads the header after the opening parenthesis: four definitions, ")" and
// ":".  pos is left on the payload's first character.
ParseError ReadHeader(std::string_view text, std::size_t& pos, Separators& separators,
                      RecordMode& mode) {
  bool seen[kKeyCount] = {};
  char values[kKeyCount] = {};
  for (int i = 0; i < kKeyCount; ++i) {
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos) return ParseError::SyntaxError;
    const std::string_view key = text.substr(pos, equals - pos);
    if (key.find_first_of(",):") != std::string_view::npos) return ParseError::SyntaxError;
    Key which;
    if (key == "IFS") {
      which = kIfs;
    } else if (key == "MOD") {
      which = kMod;
    } else if (key == "EOB") {
      which = kEob;
    } else if (key == "EOL") {
      which = kEol;
    } else {
      return ParseError::IdentifierUnknown;
    }
    if (seen[which]) return ParseError::DuplicateIdentifier;
    seen[which] = true;
    // The value is exactly one character, whatever it is, then "," or, after
    // the fourth definition, ")".
    if (equals + 2 >= text.size()) return ParseError::SyntaxError;
    values[which] = text[equals + 1];
    if (text[equals + 2] != (i + 1 < kKeyCount ? ',' : ')')) return ParseError::SyntaxError;
    pos = equals + 3;
  }
  if (pos >= text.size() || text[pos] != ':') return ParseError::SyntaxError;
  ++pos;
  if (values[kMod] == 'L') {
    mode = RecordMode::Line;
  } else if (values[kMod] == 'B') {
    mode = RecordMode::Block;
  } else {
    return ParseError::ErroneousMode;
  }
  separators.ifs = values[kIfs];
  separators.eob = values[kEob];
  separators.eol = values[kEol];
  // With two equal separators a payload has no single reading.
  if (separators.ifs == separators.eob || separators.ifs == separators.eol ||
      separators.eob == separators.eol) {
    return ParseError::SyntaxError;
  }
  return ParseError::None;
}

}  // namespace

ParseError ParseRecord(std::string_view text, CommandRecord& record) {
  record.Reset();
  if (text.size() > std::numeric_limits<std::uint32_t>::max() - 1) {
    return ParseError::AllocationFailure;
  }
  const std::size_t name_end = text.find_first_of("(:");
  if (name_end == std::string_view::npos || name_end == 0) return ParseError::SyntaxError;

  std::size_t pos = name_end + 1;
  Separators separators;
  RecordMode mode = RecordMode::Line;
  const bool has_header = text[name_end] == '(';
  if (has_header) {
    const ParseError error = ReadHeader(text, pos, separators, mode);
    if (error != ParseError::None) return error;
  }
  const std::string_view payload = text.substr(pos);
  if (payload.empty()) return ParseError::SyntaxError;
  const bool no_lines = payload == "*";
  if (!has_header && !no_lines) return ParseError::SyntaxError;

  // The shape of the payload before any storage is taken.
  std::string_view body;  // the lines, without the final separator
  if (!no_lines) {
    if (mode == RecordMode::Block) {
      if (payload.back() != separators.eob) return ParseError::BadEndOfMessage;
      body = payload.substr(0, payload.size() - 1);
      if (body.find(separators.eob) != std::string_view::npos) return ParseError::BadEndOfMessage;
    } else {
      if (payload.find(separators.eob) != std::string_view::npos) return ParseError::ErroneousMode;
      if (payload.back() != separators.eol) return ParseError::BadEndOfMessage;
      body = payload.substr(0, payload.size() - 1);
      if (body.find(separators.eol) != std::string_view::npos) return ParseError::ErroneousMode;
    }
  }

  try {
    record.m_text.assign(text.data(), text.size());
    record.m_name = {0, static_cast<std::uint32_t>(name_end)};
    record.m_hasHeader = has_header;
    record.m_mode = mode;
    record.m_separators = separators;
    if (!no_lines) {
      const auto body_begin = static_cast<std::uint32_t>(text.size() - payload.size());
      std::uint32_t field_begin = body_begin;
      std::size_t fields_in_line = 1;
      record.m_lineStarts.push_back(0);
      for (std::size_t i = 0; i <= body.size(); ++i) {
        const bool at_end = i == body.size();
        const char c = at_end ? separators.eol : body[i];
        if (c != separators.ifs && c != separators.eol) continue;
        const auto here = static_cast<std::uint32_t>(body_begin + i);
        if (c == separators.ifs && ++fields_in_line > kMaxFieldsPerLine) {
          record.Reset();
          return ParseError::TooManyFields;
        }
        record.m_fields.push_back({field_begin, here - field_begin});
        field_begin = here + 1;
        if (c == separators.eol) {
          if (record.m_lineStarts.size() > kMaxLines) {
            record.Reset();
            return ParseError::TooManyLines;
          }
          record.m_lineStarts.push_back(static_cast<std::uint32_t>(record.m_fields.size()));
          fields_in_line = 1;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    record.Reset();
    return ParseError::AllocationFailure;
  }
  return ParseError::None;
}

std::optional<std::string> WriteRecord(std::string_view name, RecordMode mode,
                                       const RecordLines& lines, const Separators& separators,
                                       HeaderOrder order) {
  if (name.empty() || name.find_first_of("(:") != std::string_view::npos) return std::nullopt;
  if (lines.empty()) return std::string(name) + ":*";
  if (separators.ifs == separators.eob || separators.ifs == separators.eol ||
      separators.eob == separators.eol) {
    return std::nullopt;
  }
  if (lines.size() > kMaxLines || (mode == RecordMode::Line && lines.size() != 1)) {
    return std::nullopt;
  }
  const char separator_set[] = {separators.ifs, separators.eob, separators.eol};
  const std::string_view separator_chars(separator_set, 3);

  std::string out(name);
  const char mode_letter = mode == RecordMode::Block ? 'B' : 'L';
  auto definition = [&](const char* key, char value) {
    out += key;
    out += '=';
    out += value;
  };
  out += '(';
  if (order == HeaderOrder::IfsModEobEol) {
    definition("IFS", separators.ifs);
    out += ',';
    definition("MOD", mode_letter);
    out += ',';
    definition("EOB", separators.eob);
  } else {
    definition("EOB", separators.eob);
    out += ',';
    definition("MOD", mode_letter);
    out += ',';
    definition("IFS", separators.ifs);
  }
  out += ',';
  definition("EOL", separators.eol);
  out += "):";

  for (std::size_t line = 0; line < lines.size(); ++line) {
    const std::vector<std::string>& fields = lines[line];
    if (fields.empty() || fields.size() > kMaxFieldsPerLine) return std::nullopt;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].find_first_of(separator_chars) != std::string::npos) return std::nullopt;
      if (i > 0) out += separators.ifs;
      out += fields[i];
    }
    const bool last = line + 1 == lines.size();
    out += last && mode == RecordMode::Block ? separators.eob : separators.eol;
  }
  return out;
}

}  // namespace korvex::tarifex
