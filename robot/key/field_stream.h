// The field streams of window keys and answer lists: a sequence of fields,
// each followed by "|".
//
// FieldReader reads such a text strictly: every field must end with its "|",
// numbers must be whole decimals within their 32-bit range, and whatever does
// not fit raises RecognitionError with the failure code the reader was given
// (the caller names the record it is reading: dialog header, child record or
// answer list).  Nothing it reads is sized by a number taken from the text,
// so a hostile count cannot make it allocate or loop beyond the text's
// length.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace korvex {

class FieldReader {
 public:
  FieldReader(TextView text, std::int32_t failure_code)
      : m_text(text), m_failureCode(failure_code) {}

  // The code raised by the next failure.
  void SetFailureCode(std::int32_t code) { m_failureCode = code; }
  std::int32_t GetFailureCode() const { return m_failureCode; }

  // All characters up to the next "|"; the "|" is consumed.  Fails when no
  // "|" follows.
  TextView ReadToken();
  // The next token, leaving the stream where it is.  Fails like ReadToken.
  TextView PeekToken() const;

  // A number field: white space, the digits, white space, "|".  Unsigned
  // fields hold 0..4294967295 without a sign; signed fields an optional "+"
  // or "-" and a value within the signed 32-bit range.
  std::uint32_t ReadUnsigned();
  std::int32_t ReadSigned();
  // A signed field that may be empty (nothing but white space before its
  // "|"): empty gives no value, anything else must be a valid number.
  std::optional<std::int32_t> ReadOptionalSigned();

  bool AtEnd() const { return m_pos == m_text.size(); }
  // Characters not read yet.
  std::size_t Remaining() const { return m_text.size() - m_pos; }

  // Raises RecognitionError with the current failure code.
  [[noreturn]] void Fail(const char* what) const;

 private:
  TextView m_text;
  std::size_t m_pos = 0;
  std::int32_t m_failureCode;
};

// Writers: the field and its "|".
void AppendField(Text& out, TextView field);
// The text escaped (robot/key/text_escape.h) as one field.
void AppendEscapedField(Text& out, TextView text);
void AppendUnsignedField(Text& out, std::uint32_t value);
void AppendSignedField(Text& out, std::int32_t value);

}  // namespace korvex
