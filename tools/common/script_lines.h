// The line format the tools' scripts share (Dossa.exe's script, the
// stand-in engine's script): one command per line, a word followed by
// arguments.  A line whose first non-blank character is '#' is a comment;
// blank lines are ignored.  An argument is a plain word or number, or
// key=value; a value with blanks is written in double quotes, with \" for a
// quote, \\ for a backslash and \n for a line feed: caption="Mensaje al
// declarante".  The file is UTF-8; a leading byte-order mark is skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace korvex::tools {

// A script that cannot be read: the line (from 1) and what is wrong there.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), m_line(line) {}
  int line() const { return m_line; }

 private:
  int m_line;
};

// One argument of a command: a plain word or number (no key), or key=value.
struct Arg {
  std::string key;
  Text value;
  bool has_key = false;
};

struct Line {
  int number = 0;
  std::string command;
  std::vector<Arg> args;
};

// Splits one line into its command and arguments.  Returns false for a blank
// or comment line.  Throws ScriptError.
bool Tokenize(std::string_view text, int number, Line& line);

// Calls command for every line that holds one, in order.  Throws
// ScriptError.
void ForEachLine(std::string_view utf8, const std::function<void(const Line&)>& command);

// A number from 0 to 999999999 (what names the number in the error).
std::uint32_t ToMs(const Line& line, const Text& value, const char* what);

// Checks that a command has the positional arguments and keys it allows, and
// gives access to them.
class Args {
 public:
  Args(const Line& line, std::size_t positional, std::vector<std::string> keys);

  std::size_t PositionalCount() const { return m_positional.size(); }
  const Text& Positional(std::size_t i) const { return m_positional[i]; }
  const std::vector<Text>& AllPositional() const { return m_positional; }

  // The value of a key given at most once.
  std::optional<Text> Get(const std::string& key) const;
  Text Require(const std::string& key) const;
  // Every value of a key that may repeat, in order.
  std::vector<Text> All(const std::string& key) const;
  std::optional<std::uint32_t> Ms(const std::string& key) const;

 private:
  const Line& m_line;
  std::vector<Text> m_positional;
};

// The value among named choices; throws ScriptError naming them otherwise.
template <typename T>
T Choose(const Line& line, const char* key, const Text& value,
         std::initializer_list<std::pair<const char16_t*, T>> choices) {
  std::string names;
  for (const auto& [name, result] : choices) {
    if (value == name) return result;
    if (!names.empty()) names += '|';
    names += ToUtf8(name);
  }
  throw ScriptError(line.number, std::string(key) + " must be one of " + names);
}

}  // namespace korvex::tools
