// A separated-values writer over a text output: each insertion writes one
// field, with the separator between the fields of a line and the quoting
// the journal's files use; the end-of-line manipulator closes the record.
//
//   csvostream out(file, GetLogSeparator(settings, regional));
//   out << item << label << text << csvendl;
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace korvex {

class RegionalSettings;
class Settings;

// Where a csvostream writes.  The journal's log file turns the text into its
// single-byte form with CR LF line ends.
class TextOutput {
 public:
  virtual ~TextOutput() = default;
  virtual void Write(TextView text) = 0;
  virtual void Flush() = 0;
};

// A text output that collects everything in memory.
class StringTextOutput final : public TextOutput {
 public:
  Text text;
  int flushes = 0;
  void Write(TextView t) override { text.append(t); }
  void Flush() override { ++flushes; }
};

class csvostream {
 public:
  csvostream(TextOutput& stream, char16_t separator) : m_stream(&stream), m_separator(separator) {}
  virtual ~csvostream() = default;

  // Flushes the stream and starts a new record; writes nothing.
  virtual csvostream& flush();

  // A character field: bare, except the separator (quoted) and the double
  // quote (four double quotes).
  virtual csvostream& operator<<(char16_t c);
  // Text fields: always quoted, double quotes doubled, nothing else escaped.
  virtual csvostream& write(const char16_t* text, std::size_t count);
  virtual csvostream& operator<<(TextView text);
  csvostream& operator<<(const char16_t* text) { return *this << TextView(text); }
  csvostream& operator<<(const Text& text) { return *this << TextView(text); }
  // Number fields: the value in decimal (floating point with 6 significant
  // digits, bools as 1 and 0, pointers in hexadecimal) between double quotes.
  virtual csvostream& operator<<(const void* pointer);
  virtual csvostream& operator<<(long double value);
  virtual csvostream& operator<<(double value);
  virtual csvostream& operator<<(float value);
  virtual csvostream& operator<<(unsigned int value);
  virtual csvostream& operator<<(int value);
  virtual csvostream& operator<<(unsigned long value);
  virtual csvostream& operator<<(long value);
  virtual csvostream& operator<<(unsigned short value);
  virtual csvostream& operator<<(short value);
  virtual csvostream& operator<<(bool value);
  // Applies a manipulator.
  virtual csvostream& operator<<(csvostream& (*manipulator)(csvostream&)) {
    return manipulator(*this);
  }

  TextOutput& stream() { return *m_stream; }

 private:
  void Prefix();
  csvostream& NumberField(const std::string& digits);

  TextOutput* m_stream;
  bool m_pending = false;
  char16_t m_separator;
};

// Ends the record: a line feed written straight to the stream, then flush.
csvostream& csvendl(csvostream& out);

// The separator to use now: the first character of the "LogSeparator"
// setting, or, when it asks for the regional one (or is empty), the
// regional list separator made safe against the decimal sign.
char16_t GetLogSeparator(const Settings& settings, RegionalSettings& regional);

}  // namespace korvex
