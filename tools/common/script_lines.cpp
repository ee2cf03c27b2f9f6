#include "tools/common/script_lines.h"

namespace korvex::tools {

bool Tokenize(std::string_view text, int number, Line& line) {
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
  };
  skip_blanks();
  if (i == text.size() || text[i] == '#') return false;

  line = Line{};
  line.number = number;
  bool first = true;
  while (i < text.size()) {
    std::string raw;  // UTF-8 bytes of the token, quotes resolved
    std::optional<std::size_t> equals;  // position of the key's '=' in raw
    bool quoted = false;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
      const char c = text[i];
      if (c == '"') {
        quoted = true;
        ++i;
        bool closed = false;
        while (i < text.size()) {
          char q = text[i++];
          if (q == '"') {
            closed = true;
            break;
          }
          if (q == '\\') {
            if (i == text.size()) break;
            const char e = text[i++];
            if (e == 'n') {
              q = '\n';
            } else if (e == '"' || e == '\\') {
              q = e;
            } else {
              throw ScriptError(number, std::string("unknown escape \\") + e);
            }
          }
          raw.push_back(q);
        }
        if (!closed) throw ScriptError(number, "missing closing quote");
        continue;
      }
      if (c == '=' && !equals && !quoted) equals = raw.size();
      raw.push_back(c);
      ++i;
    }
    if (first) {
      if (quoted || equals) throw ScriptError(number, "a line must begin with a command word");
      line.command = raw;
      first = false;
    } else {
      Arg arg;
      if (equals) {
        arg.has_key = true;
        arg.key = raw.substr(0, *equals);
        arg.value = FromUtf8(std::string_view(raw).substr(*equals + 1));
        if (arg.key.empty()) throw ScriptError(number, "a value without a key: " + raw);
      } else {
        arg.value = FromUtf8(raw);
      }
      line.args.push_back(std::move(arg));
    }
    skip_blanks();
  }
  return true;
}

std::uint32_t ToMs(const Line& line, const Text& value, const char* what) {
  if (value.empty() || value.size() > 9) {
    throw ScriptError(line.number, std::string(what) + " must be a number from 0 to 999999999");
  }
  std::uint32_t n = 0;
  for (char16_t c : value) {
    if (c < u'0' || c > u'9') {
      throw ScriptError(line.number, std::string(what) + " must be a number: " + ToUtf8(value));
    }
    n = n * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return n;
}

void ForEachLine(std::string_view text, const std::function<void(const Line&)>& command) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    Line line;
    if (Tokenize(raw, number, line)) command(line);
  }
}

Args::Args(const Line& line, std::size_t positional, std::vector<std::string> keys)
    : m_line(line) {
  std::size_t seen_positional = 0;
  for (const Arg& a : line.args) {
    if (!a.has_key) {
      if (++seen_positional > positional) {
        throw ScriptError(line.number, line.command + ": unexpected argument " + ToUtf8(a.value));
      }
      m_positional.push_back(a.value);
      continue;
    }
    bool known = false;
    for (const std::string& k : keys) known = known || k == a.key;
    if (!known) throw ScriptError(line.number, line.command + ": unknown key " + a.key);
  }
}

std::optional<Text> Args::Get(const std::string& key) const {
  std::optional<Text> found;
  for (const Arg& a : m_line.args) {
    if (a.has_key && a.key == key) {
      if (found) throw ScriptError(m_line.number, m_line.command + ": " + key + " given twice");
      found = a.value;
    }
  }
  return found;
}

Text Args::Require(const std::string& key) const {
  auto v = Get(key);
  if (!v) throw ScriptError(m_line.number, m_line.command + ": " + key + "=... is missing");
  return *v;
}

std::vector<Text> Args::All(const std::string& key) const {
  std::vector<Text> values;
  for (const Arg& a : m_line.args) {
    if (a.has_key && a.key == key) values.push_back(a.value);
  }
  return values;
}

std::optional<std::uint32_t> Args::Ms(const std::string& key) const {
  auto v = Get(key);
  if (!v) return std::nullopt;
  return ToMs(m_line, *v, key.c_str());
}

}  // namespace korvex::tools
