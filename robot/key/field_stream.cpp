#include "robot/key/field_stream.h"

#include "robot/capture/recognition_error.h"
#include "robot/key/text_escape.h"

namespace korvex {

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

TextView Trimmed(TextView field) {
  while (!field.empty() && IsBlank(field.front())) field.remove_prefix(1);
  while (!field.empty() && IsBlank(field.back())) field.remove_suffix(1);
  return field;
}

// Digits only, at least one, value at most `limit`.
std::optional<std::uint64_t> ParseDigits(TextView digits, std::uint64_t limit) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::optional<std::int32_t> ParseSigned(TextView field) {
  bool negative = false;
  if (!field.empty() && (field.front() == u'-' || field.front() == u'+')) {
    negative = field.front() == u'-';
    field.remove_prefix(1);
  }
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  const auto magnitude = ParseDigits(field, limit);
  if (!magnitude) return std::nullopt;
  const auto value = static_cast<std::int64_t>(*magnitude);
  return static_cast<std::int32_t>(negative ? -value : value);
}

void AppendDecimal(Text& out, std::uint64_t magnitude) {
  char16_t digits[20];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

void FieldReader::Fail(const char* what) const { throw RecognitionError(m_failureCode, what); }

TextView FieldReader::PeekToken() const {
  const std::size_t bar = m_text.find(u'|', m_pos);
  if (bar == TextView::npos) Fail("a field is not followed by '|'");
  return m_text.substr(m_pos, bar - m_pos);
}

TextView FieldReader::ReadToken() {
  const TextView token = PeekToken();
  m_pos += token.size() + 1;
  return token;
}

std::uint32_t FieldReader::ReadUnsigned() {
  const auto value = ParseDigits(Trimmed(ReadToken()), 4294967295u);
  if (!value) Fail("a field is not an unsigned 32-bit decimal");
  return static_cast<std::uint32_t>(*value);
}

std::int32_t FieldReader::ReadSigned() {
  const auto value = ParseSigned(Trimmed(ReadToken()));
  if (!value) Fail("a field is not a signed 32-bit decimal");
  return *value;
}

std::optional<std::int32_t> FieldReader::ReadOptionalSigned() {
  const TextView field = Trimmed(ReadToken());
  if (field.empty()) return std::nullopt;
  const auto value = ParseSigned(field);
  if (!value) Fail("a field is not a signed 32-bit decimal");
  return value;
}

void AppendField(Text& out, TextView field) {
  out.append(field);
  out.push_back(u'|');
}

void AppendEscapedField(Text& out, TextView text) {
  AppendEscaped(out, text);
  out.push_back(u'|');
}

void AppendUnsignedField(Text& out, std::uint32_t value) {
  AppendDecimal(out, value);
  out.push_back(u'|');
}

void AppendSignedField(Text& out, std::int32_t value) {
  if (value < 0) out.push_back(u'-');
  // The magnitude of INT32_MIN does not fit an int32; widen first.
  const std::int64_t wide = value;
  AppendDecimal(out, static_cast<std::uint64_t>(wide < 0 ? -wide : wide));
  out.push_back(u'|');
}

}  // namespace korvex
