#include "tools/dossa/script.h"

#include <optional>
#include <utility>

#include "tools/common/script_lines.h"

namespace korvex::dossa {
namespace {

using tools::Args;
using tools::Choose;
using tools::ForEachLine;
using tools::Line;
using tools::ScriptError;
using tools::ToMs;

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

// Every value of a key given as NAME=VALUE, in order.
std::vector<Variable> Variables(const Line& line, const Args& args, const char* key) {
  std::vector<Variable> variables;
  for (const Text& pair : args.All(key)) {
    const std::size_t equals = pair.find(u'=');
    if (equals == 0 || equals == Text::npos) {
      throw ScriptError(line.number,
                        std::string(key) + " must be NAME=VALUE, not " + ToUtf8(pair));
    }
    variables.push_back({pair.substr(0, equals), pair.substr(equals + 1)});
  }
  return variables;
}

class Parser {
 public:
  Script Parse(std::string_view text) {
    ForEachLine(text, [this](const Line& line) { Command(line); });
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
    } else if (c == "tarifex") {
      Args args(line, 0, {"gen", "art", "infcom", "suf", "mdes", "benef", "timeout"});
      Dialog& d = AddDialog(line, DialogKind::kTarifex, args);
      d.tarifex.gen = Variables(line, args, "gen");
      d.tarifex.art = Variables(line, args, "art");
      d.tarifex.infcom = Variables(line, args, "infcom");
      d.tarifex.suf = Variables(line, args, "suf");
      d.tarifex.mdes = Variables(line, args, "mdes");
      d.tarifex.benefits = args.All("benef");
    } else if (c == "control") {
      Args args(line, 0, {"host", "port", "path-debug", "lang", "debug", "none"});
      Step& step = AddStep(line, StepKind::kControl, 0);
      ControlSettings& p = step.control;
      p.host = args.Get("host");
      p.port = args.Get("port");
      p.path_debug = args.Get("path-debug");
      if (auto lang = args.Get("lang")) {
        const std::uint32_t n = ToMs(line, *lang, "lang");
        if (n > 32767) throw ScriptError(line.number, "lang must be a number from 0 to 32767");
        p.lang = static_cast<std::int16_t>(n);
      }
      if (auto debug = args.Get("debug")) {
        p.debug = Choose<bool>(line, "debug", *debug, {{u"yes", true}, {u"no", false}});
      }
      if (auto none = args.Get("none")) {
        p.none_offered =
            Choose<bool>(line, "none", *none, {{u"enabled", true}, {u"disabled", false}});
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
