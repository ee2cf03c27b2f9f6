#include "tools/tarifex_standins/engine_script.h"

#include <cstdio>

#include "tarifex/ansi.h"
#include "tarifex/engine_record.h"

namespace korvex::standins {

namespace {

using tarifex::RecordLines;
using tarifex::RecordMode;
using tools::Args;
using tools::Line;
using tools::ScriptError;

std::string Ansi(const Text& text) { return tarifex::ToAnsi(text); }

std::string Write(const Line& line, std::string_view name, const RecordLines& lines) {
  const RecordMode mode = lines.size() <= 1 ? RecordMode::Line : RecordMode::Block;
  std::optional<std::string> record = tarifex::WriteRecord(name, mode, lines);
  if (!record) {
    throw ScriptError(line.number, line.command + ": not a record the engine can send");
  }
  return *record;
}

// Fields joined by "|".
std::vector<std::string> Fields(const Text& joined) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = joined.find(u'|', start);
    fields.push_back(Ansi(joined.substr(start, bar - start)));
    if (bar == Text::npos) return fields;
    start = bar + 1;
  }
}

std::string WithoutSeparators(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == tarifex::kFieldSeparator || c == tarifex::kEndOfLine ||
        c == tarifex::kEndOfBlock) {
      c = ' ';
    }
  }
  return out;
}

EngineStep Question(const Line& line, const Args& args, std::string record) {
  EngineStep step{std::move(record), {}};
  if (auto as = args.Get("as")) {
    if (as->empty()) throw ScriptError(line.number, line.command + ": as= needs a name");
    step.echo_as = Ansi(*as);
  }
  return step;
}

// The single text argument of a command.
const Text& OneText(const Line& line, const Args& args, const char* what) {
  if (args.PositionalCount() != 1) {
    throw ScriptError(line.number, line.command + ": " + what + "?");
  }
  return args.Positional(0);
}

}  // namespace

EngineScript ParseEngineScript(std::string_view utf8) {
  EngineScript script;
  tools::ForEachLine(utf8, [&](const Line& line) {
    const std::string& c = line.command;
    if (c == "open-fails") {
      Args args(line, 0, {});
      script.open_fails = true;
    } else if (c == "txt") {
      Args args(line, 1, {"as"});
      const Text& text = OneText(line, args, "which question");
      script.steps.push_back(Question(line, args, Write(line, "TXT", {{Ansi(text)}})));
    } else if (c == "dmsg") {
      Args args(line, 1, {});
      const Text& text = OneText(line, args, "which message");
      script.steps.push_back({Write(line, "DMSG", {{Ansi(text)}}), {}});
    } else if (c == "com") {
      Args args(line, 1, {"as"});
      const Text& name = OneText(line, args, "which value");
      script.steps.push_back(Question(line, args, Write(line, "COM", {{Ansi(name)}})));
    } else if (c == "aopt") {
      Args args(line, 10000, {"as"});
      RecordLines lines;
      for (std::size_t i = 0; i < args.PositionalCount(); ++i) {
        lines.push_back({std::to_string(i + 1), Ansi(args.Positional(i))});
      }
      script.steps.push_back(Question(line, args, Write(line, "AOPT", lines)));
    } else if (c == "stop") {
      Args args(line, 1, {});
      const Text& text = OneText(line, args, "why");
      script.steps.push_back({Write(line, "STOP", {{Ansi(text)}}), {}});
    } else if (c == "record") {
      Args args(line, 10001, {});
      if (args.PositionalCount() == 0) throw ScriptError(line.number, "record: which name?");
      RecordLines lines;
      for (std::size_t i = 1; i < args.PositionalCount(); ++i) {
        lines.push_back(Fields(args.Positional(i)));
      }
      script.steps.push_back({Write(line, Ansi(args.Positional(0)), lines), {}});
    } else {
      throw ScriptError(line.number, "unknown command " + c);
    }
  });
  script.steps.push_back({std::string(kRunDone), {}});
  return script;
}

std::string EchoRecord(std::string_view name, std::string_view reply) {
  return tarifex::WriteRecord("UCOM", RecordMode::Line,
                              {{WithoutSeparators(name), WithoutSeparators(reply)}})
      .value_or("UCOM:*");
}

std::string ShowRecord(std::string_view record) {
  std::string out;
  for (const char c : record) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0xFE) {
      char code[8];
      std::snprintf(code, sizeof code, "<%02X>", byte);
      out += code;
    } else {
      out += ToUtf8(tarifex::FromAnsi(std::string_view(&c, 1)));
    }
  }
  return out;
}

}  // namespace korvex::standins
