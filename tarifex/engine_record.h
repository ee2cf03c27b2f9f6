// The text records the tariff control and the tariff engine exchange.
//
// A record is a name, a header of separator definitions in parentheses, a
// colon and a payload:
//
//   UD(IFS=<02>,MOD=B,EOB=<04>,EOL=<03>):NAME<02>VALUE<03>NAME<02>VALUE<04>
//
// The header holds the four keys IFS (field separator), MOD (mode, L or B),
// EOB (end of block) and EOL (end of line), each with "=" and one character,
// in any order.  In mode B the payload is lines separated by EOL and ended by
// EOB; in mode L it is one line ended by EOL.  Fields within a line are
// separated by IFS.  The payload "*" is a record without lines, and such a
// record may also be written without a header ("END:*").
//
// The engine is another party's library: every received record is untrusted
// and parsing never reads outside it, whatever its bytes.  A parsed record
// keeps one copy of the text and the position of each field in it.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::tarifex {

// The separators the control always uses.
inline constexpr char kFieldSeparator = '\x02';
inline constexpr char kEndOfLine = '\x03';
inline constexpr char kEndOfBlock = '\x04';
// Sent to the engine alone when the treatment is cancelled or the control
// hit an internal error; also what the data-entry dialog returns on cancel.
inline constexpr char kCancelMarker = '\xFE';
inline constexpr std::string_view kCancelMarkerRecord{"\xFE", 1};

inline constexpr std::size_t kMaxFieldsPerLine = 50;
inline constexpr std::size_t kMaxLines = 10000;

enum class RecordMode { Line, Block };  // MOD=L, MOD=B

// Why a record could not be read; the value is the string-table identifier
// of the error's name ("SYNTAX ERROR", ...).
enum class ParseError {
  None = 0,
  AllocationFailure = 1011,
  SyntaxError = 1028,
  IdentifierUnknown = 1029,
  DuplicateIdentifier = 1030,
  ErroneousMode = 1031,
  TooManyFields = 1032,
  TooManyLines = 1033,
  BadEndOfMessage = 1034,
};

// The name of a parsing error as the control reports it ("TOO MANY LINES").
std::string_view ParseErrorName(ParseError error);

struct Separators {
  char ifs = kFieldSeparator;
  char eob = kEndOfBlock;
  char eol = kEndOfLine;
};

// A received command: its name and its lines of text fields.
class CommandRecord {
 public:
  // The parser takes every byte it keeps from memory (the default: the
  // general heap); a resource that runs out makes it report
  // "ALLOCATION FAILURE".
  explicit CommandRecord(std::pmr::memory_resource* memory = std::pmr::get_default_resource());

  std::string_view Name() const { return Slice(m_name); }
  std::uint16_t LineCount() const {
    return static_cast<std::uint16_t>(m_lineStarts.empty() ? 0 : m_lineStarts.size() - 1);
  }
  std::size_t FieldCount(std::size_t line) const;
  // Field index of the line; empty when the line or the field does not exist.
  std::string_view Field(std::size_t line, std::size_t index) const;
  // Field 0 of the first line: the text of a question or a message.
  std::string_view FirstField() const { return Field(0, 0); }

  // The header as read; a record without one reports the control's
  // separators and mode L.
  bool HasHeader() const { return m_hasHeader; }
  RecordMode Mode() const { return m_mode; }
  const Separators& GetSeparators() const { return m_separators; }

  // The fields of every line as strings.
  std::vector<std::vector<std::string>> Lines() const;

 private:
  friend ParseError ParseRecord(std::string_view text, CommandRecord& record);
  struct Span {
    std::uint32_t begin = 0;
    std::uint32_t length = 0;
  };
  std::string_view Slice(Span span) const {
    return std::string_view(m_text).substr(span.begin, span.length);
  }
  void Reset();

  std::pmr::string m_text;
  Span m_name;
  std::pmr::vector<Span> m_fields;               // every line's fields, in order
  std::pmr::vector<std::uint32_t> m_lineStarts;  // first field of each line, then the end
  bool m_hasHeader = false;
  RecordMode m_mode = RecordMode::Line;
  Separators m_separators;
};

// Reads a record.  On failure the record is left empty (no name, no lines).
ParseError ParseRecord(std::string_view text, CommandRecord& record);

// The order of the definitions in a written header: data objects write
// IFS, MOD, EOB, EOL; the debug and benefit records EOB, MOD, IFS, EOL.
enum class HeaderOrder { IfsModEobEol, EobModIfsEol };

using RecordLines = std::vector<std::vector<std::string>>;

// Writes a record that ParseRecord reads back with the same name and lines.
// Without lines it is "NAME:*".  Nothing (nullopt) when the record cannot be
// written so: an empty name or one holding "(" or ":", equal separators, a
// field holding a separator, a line without fields, more than 50 fields or
// 10 000 lines, or a mode L record with more than one line.
std::optional<std::string> WriteRecord(std::string_view name, RecordMode mode,
                                       const RecordLines& lines,
                                       const Separators& separators = {},
                                       HeaderOrder order = HeaderOrder::IfsModEobEol);

}  // namespace korvex::tarifex
