// The records of the tariff engine: parsing, its errors and limits, and the
// writer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory_resource>
#include <string>

#include "tarifex/control_strings.h"
#include "tarifex/engine_record.h"

namespace korvex::tarifex {
namespace {

using ::testing::ElementsAre;
using Lines = std::vector<std::vector<std::string>>;

// The control's separators, spelled so the tables stay readable.
const std::string S = "\x02";  // IFS
const std::string L = "\x03";  // EOL
const std::string B = "\x04";  // EOB
const std::string kBlockHeader = "(IFS=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + "):";
const std::string kLineHeader = "(EOB=" + B + ",MOD=L,IFS=" + S + ",EOL=" + L + "):";

struct Parsed {
  std::string record;
  std::string name;
  Lines lines;
};

TEST(EngineRecord, ReadsNameAndLinesInBothModesWithTheKeysInAnyOrder) {
  const Parsed cases[] = {
      {"END:*", "END", {}},
      {"UPOS" + kBlockHeader + "*", "UPOS", {}},
      {"TXT" + kLineHeader + "Continua?" + L, "TXT", {{"Continua?"}}},
      {"UPOS" + kBlockHeader + "NCM" + S + "8471" + L + "DESC" + S + "Maquina" + B, "UPOS",
       {{"NCM", "8471"}, {"DESC", "Maquina"}}},
      // One line, and an empty line, in mode B.
      {"UCOM" + kBlockHeader + "A" + S + "1" + B, "UCOM", {{"A", "1"}}},
      {"UCOM" + kBlockHeader + B, "UCOM", {{""}}},
      {"UCOM" + kBlockHeader + "A" + L + B, "UCOM", {{"A"}, {""}}},
      // Empty fields are fields.
      {"ULST" + kBlockHeader + S + S + L + "x" + B, "ULST", {{"", "", ""}, {"x"}}},
      // Keys in another order, and other separator characters, even ones the
      // header itself uses.
      {"AOPT(EOL=;,EOB=$,MOD=B,IFS=|):1|Uno;2|Dos$", "AOPT", {{"1", "Uno"}, {"2", "Dos"}}},
      {"X(IFS=,,MOD=B,EOB=),EOL=:):a,b:c,d)", "X", {{"a", "b"}, {"c", "d"}}},
      {"DMSG(MOD=L,IFS=" + S + ",EOB=" + B + ",EOL=" + L + "):Aviso" + L, "DMSG", {{"Aviso"}}},
      // "*" is "no lines" only alone.
      {"COM" + kLineHeader + "*" + L, "COM", {{"*"}}},
      // Bytes of any value are text.
      {"TXT" + kLineHeader + "\xBF" "A\xF1" "o?" + std::string(1, '\0') + "z" + L, "TXT",
       {{"\xBF" "A\xF1" "o?" + std::string(1, '\0') + "z"}}},
  };
  for (const Parsed& c : cases) {
    SCOPED_TRACE(c.record);
    CommandRecord record;
    ASSERT_EQ(ParseRecord(c.record, record), ParseError::None);
    EXPECT_EQ(record.Name(), c.name);
    EXPECT_EQ(record.LineCount(), c.lines.size());
    EXPECT_EQ(record.Lines(), c.lines);
  }
}

TEST(EngineRecord, FieldsBeyondALineReadAsEmpty) {
  CommandRecord record;
  ASSERT_EQ(ParseRecord("URGL" + kBlockHeader + "R1" + S + "0" + B, record), ParseError::None);
  EXPECT_EQ(record.FieldCount(0), 2u);
  EXPECT_EQ(record.Field(0, 1), "0");
  EXPECT_EQ(record.Field(0, 2), "");
  EXPECT_EQ(record.Field(0, 49), "");
  EXPECT_EQ(record.Field(1, 0), "");
  EXPECT_EQ(record.FieldCount(7), 0u);

  ASSERT_EQ(ParseRecord("STOP:*", record), ParseError::None);
  EXPECT_EQ(record.FirstField(), "");
}

struct Refused {
  std::string record;
  ParseError error;
};

TEST(EngineRecord, EveryMalformedRecordIsRefusedWithItsError) {
  const Refused cases[] = {
      // No colon, no name, an empty payload.
      {"", ParseError::SyntaxError},
      {"TXT_OK", ParseError::SyntaxError},
      {":*", ParseError::SyntaxError},
      {"(IFS=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + "):a" + B, ParseError::SyntaxError},
      {"UPOS" + kBlockHeader, ParseError::SyntaxError},
      {"END:", ParseError::SyntaxError},
      // Lines without a header to read them with.
      {"TXT:hola" + L, ParseError::SyntaxError},
      // A header cut short, with three or five definitions, or badly punctuated.
      {"X(IFS=" + S + ",MOD=B,EOB=" + B + "):*", ParseError::SyntaxError},
      {"X(IFS=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + ",IFS=;):*", ParseError::SyntaxError},
      {"X(IFS=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + ")*", ParseError::SyntaxError},
      {"X(IFS=" + S + ";MOD=B,EOB=" + B + ",EOL=" + L + "):*", ParseError::SyntaxError},
      {"X(IFS" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + "):*", ParseError::SyntaxError},
      {"X(IFS=", ParseError::SyntaxError},
      {"X(IFS=" + S, ParseError::SyntaxError},
      {"X(", ParseError::SyntaxError},
      // Two separators alike.
      {"X(IFS=;,MOD=B,EOB=;,EOL=" + L + "):a;b;", ParseError::SyntaxError},
      {"X(IFS=" + S + ",MOD=L,EOB=" + B + ",EOL=" + S + "):a" + S, ParseError::SyntaxError},
      // Keys.
      {"X(IFS=" + S + ",MOD=B,EOB=" + B + ",EOM=" + L + "):*", ParseError::IdentifierUnknown},
      {"X(ifs=" + S + ",MOD=B,EOB=" + B + ",EOL=" + L + "):*", ParseError::IdentifierUnknown},
      {"X(IFS=" + S + ",MOD=B,IFS=" + B + ",EOL=" + L + "):*", ParseError::DuplicateIdentifier},
      {"X(MOD=L,MOD=B,EOB=" + B + ",EOL=" + L + "):*", ParseError::DuplicateIdentifier},
      // Modes.
      {"X(IFS=" + S + ",MOD=C,EOB=" + B + ",EOL=" + L + "):*", ParseError::ErroneousMode},
      {"X(IFS=" + S + ",MOD=l,EOB=" + B + ",EOL=" + L + "):*", ParseError::ErroneousMode},
      {"TXT" + kLineHeader + "uno" + L + "dos" + L, ParseError::ErroneousMode},
      {"TXT" + kLineHeader + "uno" + B, ParseError::ErroneousMode},
      {"TXT" + kLineHeader + "uno" + B + L, ParseError::ErroneousMode},
      // Ends.
      {"TXT" + kLineHeader + "uno", ParseError::BadEndOfMessage},
      {"UPOS" + kBlockHeader + "A" + S + "1" + L, ParseError::BadEndOfMessage},
      {"UPOS" + kBlockHeader + "A" + S + "1", ParseError::BadEndOfMessage},
      {"UPOS" + kBlockHeader + "A" + B + "B" + B, ParseError::BadEndOfMessage},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.record));
    CommandRecord record;
    EXPECT_EQ(ParseRecord(c.record, record), c.error);
    EXPECT_EQ(record.Name(), "");
    EXPECT_EQ(record.LineCount(), 0u);
  }
}

std::string Fields(std::size_t count) {
  std::string line = "f";
  for (std::size_t i = 1; i < count; ++i) line += S + "f";
  return line;
}

std::string Block(std::size_t lines, const std::string& line = "x") {
  std::string payload;
  for (std::size_t i = 0; i < lines; ++i) payload += line + (i + 1 < lines ? L : B);
  return "UPOS" + kBlockHeader + payload;
}

TEST(EngineRecord, TakesFiftyFieldsAndTenThousandLinesAndNoMore) {
  CommandRecord record;
  ASSERT_EQ(ParseRecord("T" + kLineHeader + Fields(50) + L, record), ParseError::None);
  EXPECT_EQ(record.FieldCount(0), 50u);
  EXPECT_EQ(ParseRecord("T" + kLineHeader + Fields(51) + L, record), ParseError::TooManyFields);
  // The second line is the one too wide.
  EXPECT_EQ(ParseRecord("U" + kBlockHeader + Fields(50) + L + Fields(51) + B, record),
            ParseError::TooManyFields);

  ASSERT_EQ(ParseRecord(Block(10000), record), ParseError::None);
  EXPECT_EQ(record.LineCount(), 10000);
  EXPECT_EQ(record.Field(9999, 0), "x");
  EXPECT_EQ(ParseRecord(Block(10001), record), ParseError::TooManyLines);
  EXPECT_EQ(ParseRecord(Block(20000, ""), record), ParseError::TooManyLines);
}

TEST(EngineRecord, RunningOutOfMemoryIsAnAllocationFailure) {
  // Room for the record's text but not for its lines.
  const std::string text = Block(200, "NOMBRE" + S + "VALOR");
  std::array<std::byte, 4096> room;
  std::pmr::monotonic_buffer_resource memory(room.data(), room.size(),
                                             std::pmr::null_memory_resource());
  CommandRecord record(&memory);
  EXPECT_EQ(ParseRecord(text, record), ParseError::AllocationFailure);
  EXPECT_EQ(record.LineCount(), 0u);

  // Not even room for the text.
  CommandRecord none(std::pmr::null_memory_resource());
  EXPECT_EQ(ParseRecord(Block(2), none), ParseError::AllocationFailure);
}

TEST(EngineRecord, ErrorsHaveTheirNamesInTheStringTable) {
  const std::pair<ParseError, std::string> names[] = {
      {ParseError::SyntaxError, "SYNTAX ERROR"},
      {ParseError::IdentifierUnknown, "IDENTIFIER UNKNOWN"},
      {ParseError::DuplicateIdentifier, "DUPLICATE IDENTIFIER"},
      {ParseError::ErroneousMode, "ERRONEOUS MODE"},
      {ParseError::TooManyFields, "TOO MANY FIELDS"},
      {ParseError::TooManyLines, "TOO MANY LINES"},
      {ParseError::BadEndOfMessage, "BAD END OF MESSAGE"},
      {ParseError::AllocationFailure, "ALLOCATION FAILURE"},
  };
  for (const auto& [error, name] : names) {
    EXPECT_EQ(ParseErrorName(error), name);
    // Error names are the same in both languages.
    EXPECT_EQ(LoadControlString(static_cast<int>(error), 0), name);
    EXPECT_EQ(LoadControlString(static_cast<int>(error), 1), name);
  }
  EXPECT_EQ(LoadControlStringById(1027), "MESSAGE PARSING");
}

TEST(EngineRecord, WriterGivesTheExactBytesAndReadsBack) {
  EXPECT_EQ(WriteRecord("EA", RecordMode::Line, {}), "EA:*");
  EXPECT_EQ(WriteRecord("DBG", RecordMode::Line, {{"1"}}, {}, HeaderOrder::EobModIfsEol),
            "DBG" + kLineHeader + "1" + L);
  EXPECT_EQ(WriteRecord("UD", RecordMode::Block, {{"A", "1"}, {"B", "*"}}),
            "UD" + kBlockHeader + "A" + S + "1" + L + "B" + S + "*" + B);

  const Lines samples[] = {
      {{""}},
      {{"a", "", "c"}},
      {{"x"}, {""}, {"", ""}},
      {{"*"}},
      {std::vector<std::string>(50, "f")},
  };
  const Separators others{'|', '$', ';'};
  for (const Lines& lines : samples) {
    for (const Separators& separators : {Separators{}, others}) {
      for (RecordMode mode : {RecordMode::Line, RecordMode::Block}) {
        const auto written = WriteRecord("CMD", mode, lines, separators);
        if (mode == RecordMode::Line && lines.size() != 1) {
          EXPECT_FALSE(written);
          continue;
        }
        ASSERT_TRUE(written);
        CommandRecord record;
        ASSERT_EQ(ParseRecord(*written, record), ParseError::None) << *written;
        EXPECT_EQ(record.Name(), "CMD");
        EXPECT_EQ(record.Lines(), lines);
      }
    }
  }
}

TEST(EngineRecord, WriterRefusesWhatWouldNotReadBack) {
  EXPECT_FALSE(WriteRecord("", RecordMode::Block, {{"a"}}));
  EXPECT_FALSE(WriteRecord("A(B", RecordMode::Block, {{"a"}}));
  EXPECT_FALSE(WriteRecord("A:B", RecordMode::Block, {{"a"}}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {{"a" + S + "b"}}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {{"a" + L}}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {{"a" + B}}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {{}}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {std::vector<std::string>(51, "f")}));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, Lines(10001, {"x"})));
  EXPECT_FALSE(WriteRecord("A", RecordMode::Block, {{"a"}}, Separators{'|', '|', ';'}));
}

}  // namespace
}  // namespace korvex::tarifex
