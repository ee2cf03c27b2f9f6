#include "tools/dossa/script.h"

#include <optional>
#include <utility>

namespace korvex::dossa {
namespace {

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
// or comment line.
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

// Checks that a command has the positional arguments and keys it allows, and
// gives access to them.
class Args {
 public:
  Args(const Line& line, std::size_t positional, std::vector<std::string> keys)
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

  std::size_t PositionalCount() const { return m_positional.size(); }
  const Text& Positional(std::size_t i) const { return m_positional[i]; }

  // The value of a key given at most once.
  std::optional<Text> Get(const std::string& key) const {
    std::optional<Text> found;
    for (const Arg& a : m_line.args) {
      if (a.has_key && a.key == key) {
        if (found) throw ScriptError(m_line.number, m_line.command + ": " + key + " given twice");
        found = a.value;
      }
    }
    return found;
  }
  Text Require(const std::string& key) const {
    auto v = Get(key);
    if (!v) throw ScriptError(m_line.number, m_line.command + ": " + key + "=... is missing");
    return *v;
  }
  // Every value of a key that may repeat, in order.
  std::vector<Text> All(const std::string& key) const {
    std::vector<Text> values;
    for (const Arg& a : m_line.args) {
      if (a.has_key && a.key == key) values.push_back(a.value);
    }
    return values;
  }
  std::optional<std::uint32_t> Ms(const std::string& key) const {
    auto v = Get(key);
    if (!v) return std::nullopt;
    return ToMs(m_line, *v, key.c_str());
  }

 private:
  const Line& m_line;
  std::vector<Text> m_positional;
};

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

MessageBoxSpec ReadBox(const Line& line, const Args& args) {
  MessageBoxSpec box;
  box.text = args.Require("text");
  if (auto caption = args.Get("caption")) box.caption = *caption;
  if (auto icon = args.Get("icon")) {
    box.icon = Choose<Icon>(line, "icon", *icon,
                            {{u"none", Icon::kNone},
                             {u"info", Icon::kInformation},
                             {u"warning", Icon::kWarning},
                             {u"error", Icon::kError},
                             {u"question", Icon::kQuestion}});
  }
  if (auto buttons = args.Get("buttons")) {
    box.buttons = Choose<Buttons>(line, "buttons", *buttons,
                                  {{u"ok", Buttons::kOk},
                                   {u"okcancel", Buttons::kOkCancel},
                                   {u"yesno", Buttons::kYesNo},
                                   {u"yesnocancel", Buttons::kYesNoCancel},
                                   {u"retrycancel", Buttons::kRetryCancel},
                                   {u"abortretryignore", Buttons::kAbortRetryIgnore}});
  }
  return box;
}

class Parser {
 public:
  Script Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int number = 0;
    while (!text.empty()) {
      ++number;
      const std::size_t end = text.find('\n');
      const std::string_view raw = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      Line line;
      if (Tokenize(raw, number, line)) Command(line);
    }
    m_script.manual_items = std::move(m_items);
    return std::move(m_script);
  }

 private:
  void Command(const Line& line) {
    const std::string& c = line.command;
    if (c == "wait-hook") {
      Args args(line, 0, {"timeout"});
      AddStep(line, StepKind::kWaitHook, args.Ms("timeout").value_or(kDefaultWaitHookMs));
    } else if (c == "open" || c == "close" || c == "quit" || c == "run") {
      Args args(line, 0, {});
      const StepKind kind = c == "open"    ? StepKind::kOpen
                            : c == "close" ? StepKind::kClose
                            : c == "quit"  ? StepKind::kQuit
                                           : StepKind::kRun;
      Step& step = AddStep(line, kind, 0);
      if (kind == StepKind::kRun) step.items = std::move(m_items), m_items.clear();
    } else if (c == "pause") {
      Args args(line, 1, {});
      if (args.PositionalCount() != 1) throw ScriptError(line.number, "pause: how many ms?");
      AddStep(line, StepKind::kPause, ToMs(line, args.Positional(0), "pause"));
    } else if (c == "timeout") {
      Args args(line, 1, {});
      if (args.PositionalCount() != 1) throw ScriptError(line.number, "timeout: how many ms?");
      m_timeout = ToMs(line, args.Positional(0), "timeout");
    } else if (c == "item") {
      Args args(line, 1, {"pause"});
      if (args.PositionalCount() != 1) throw ScriptError(line.number, "item: which number?");
      Item item;
      item.number = ToMs(line, args.Positional(0), "item number");
      if (auto pause = args.Ms("pause")) item.pause_ms = *pause;
      m_items.push_back(std::move(item));
    } else if (c == "msgbox") {
      Args args(line, 0, {"text", "caption", "icon", "buttons", "timeout"});
      Dialog& d = AddDialog(line, DialogKind::kMessageBox, args);
      d.box = ReadBox(line, args);
    } else if (c == "input") {
      Args args(line, 0, {"prompt", "explanation", "text", "reject", "timeout"});
      Dialog& d = AddDialog(line, DialogKind::kDataInput, args);
      d.prompt = args.Require("prompt");
      if (auto e = args.Get("explanation")) d.explanation = *e;
      if (auto t = args.Get("text")) d.initial_text = *t;
      d.rejected = args.All("reject");
    } else if (c == "options") {
      Args args(line, 0, {"option", "none", "timeout"});
      Dialog& d = AddDialog(line, DialogKind::kOptions, args);
      d.options = args.All("option");
      if (auto none = args.Get("none")) {
        d.none_enabled = Choose<bool>(line, "none", *none, {{u"enabled", true}, {u"disabled", false}});
      }
    } else if (c == "popup") {
      Args args(line, 0, {"after", "text", "caption", "icon", "buttons"});
      if (m_items.empty() || m_items.back().dialogs.empty()) {
        throw ScriptError(line.number, "popup: no dialog above it in this item");
      }
      Dialog& d = m_items.back().dialogs.back();
      if (d.has_popup) throw ScriptError(line.number, "popup: that dialog has one already");
      d.has_popup = true;
      d.popup.box = ReadBox(line, args);
      if (auto after = args.Ms("after")) d.popup.after_ms = *after;
    } else {
      throw ScriptError(line.number, "unknown command " + c);
    }
  }

  Step& AddStep(const Line& line, StepKind kind, std::uint32_t ms) {
    Step step;
    step.kind = kind;
    step.line = line.number;
    step.ms = ms;
    m_script.steps.push_back(std::move(step));
    return m_script.steps.back();
  }

  Dialog& AddDialog(const Line& line, DialogKind kind, const Args& args) {
    if (m_items.empty()) throw ScriptError(line.number, line.command + ": no item above it");
    Dialog d;
    d.kind = kind;
    d.line = line.number;
    d.timeout_ms = args.Ms("timeout").value_or(m_timeout);
    m_items.back().dialogs.push_back(std::move(d));
    return m_items.back().dialogs.back();
  }

  Script m_script;
  std::vector<Item> m_items;
  std::uint32_t m_timeout = kDefaultDialogTimeoutMs;
};

constexpr char kDemo[] = R"(# The run a user starts with "&Validar Items" when no script is given.
item 1
msgbox caption="Mensaje al declarante" text="El item no registra certificado de origen." icon=info
item 2
msgbox caption="Validación" text="¿Desea aplicar la preferencia arancelaria al item?" icon=question buttons=yesno
item 3
input prompt="Ingrese por favor el valor de MARCA :"
item 4
options option="Unidad: kilogramo" option="Unidad: litro" option="Unidad: metro cúbico"
item 5
msgbox caption="Advertencia" text="La posición arancelaria exige licencia previa." icon=warning buttons=okcancel
)";

}  // namespace

Script ParseScript(std::string_view utf8) { return Parser().Parse(utf8); }

Script DemoScript() { return ParseScript(kDemo); }

}  // namespace korvex::dossa
