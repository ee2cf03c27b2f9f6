#include "tools/scripted_user/user_script.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace korvex::scripted_user {

namespace {

struct StepType {
  void (StepActions::*run)() = nullptr;
  std::set<std::string> required;
  std::set<std::string> optional;
  // Exactly one of these must be given (what the step acts on).
  std::vector<std::string> one_of = {};
  // At least one of these must be given (what the step checks).
  std::vector<std::string> some_of = {};
};

// The one table of steps: each step's name, the member of StepActions that
// carries it out, and its arguments.
const std::map<std::string, StepType>& StepTypes() {
  static const std::map<std::string, StepType> types = {
      {"wait-window",
       {&StepActions::WaitWindow, {"caption"}, {"class", "of", "as", "timeout", "hidden"}}},
      {"expect-windows", {&StepActions::ExpectWindows, {"caption", "count"}, {}}},
      {"wait-gone", {&StepActions::WaitGone, {}, {"window", "timeout"}}},
      {"click",
       {&StepActions::Click, {}, {"window", "button", "control"}, {"button", "control"}}},
      {"type", {&StepActions::Type, {"control", "text"}, {"window"}}},
      {"select", {&StepActions::Select, {"control", "index"}, {"window"}}},
      {"double-click", {&StepActions::DoubleClick, {"control"}, {"window"}}},
      {"tick", {&StepActions::Tick, {"control", "row"}, {"window", "checked"}}},
      {"close", {&StepActions::Close, {}, {"window"}}},
      {"expect",
       {&StepActions::Expect, {},
        {"window", "button", "control", "enabled", "text", "checked", "timeout"},
        {"button", "control"},
        {"enabled", "text", "checked"}}},
      {"expect-version", {&StepActions::ExpectVersion, {"control", "file"}, {"window"}}},
      {"expect-tree", {&StepActions::ExpectTree, {"selected"}, {"window", "timeout"}}},
      {"describe", {&StepActions::Describe, {}, {"window"}}},
      {"rows", {&StepActions::Rows, {"control"}, {"window", "count"}}},
      {"tray", {&StepActions::Tray, {"click"}, {}}},
      {"menu", {&StepActions::Menu, {"key"}, {"timeout", "until-exit"}}},
      {"slot", {&StepActions::Slot, {"profile"}, {"timeout"}}},
      {"shot", {&StepActions::Shot, {"name"}, {"crop", "window"}}},
      {"wait-report", {&StepActions::WaitReport, {"file", "text"}, {"count", "timeout"}}},
      {"no-window",
       {&StepActions::NoWindow, {"of", "until-file", "until-text"}, {"count", "timeout"}}},
      {"start", {&StepActions::Start, {"program"}, {"args"}}},
      {"kill", {&StepActions::Kill, {"of"}, {}}},
      {"wait-exit", {&StepActions::WaitExit, {"of"}, {"timeout", "code"}}},
      {"idle", {&StepActions::Idle, {"of"}, {"timeout"}}},
      {"expect-gone", {&StepActions::ExpectGone, {"class"}, {"caption", "timeout"}}},
      {"expect-module",
       {&StepActions::ExpectModule, {"of", "module", "loaded"}, {"timeout"}}},
      {"wait-hook", {&StepActions::WaitHook, {"of"}, {"timeout"}}},
      {"send",
       {&StepActions::Send, {"caption", "message", "result"}, {"wparam", "lparam"}}},
      {"poll-answer",
       {&StepActions::PollAnswer,
        {"caption", "button", "interval", "until-file", "until-text"},
        {"of", "count", "timeout"}}},
      {"pause", {&StepActions::Pause, {"ms"}, {}}},
  };
  return types;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One key=value argument from position i of the line.
std::pair<std::string, Text> ReadArgument(std::string_view line, std::size_t& i, int number) {
  const std::size_t start = i;
  while (i < line.size() && !IsBlank(line[i]) && line[i] != '=') ++i;
  std::string key(line.substr(start, i - start));
  if (i >= line.size() || line[i] != '=' || key.empty()) {
    throw StepError(number, "expected key=value, found \"" + key + "\"");
  }
  ++i;
  std::string value;
  if (i < line.size() && line[i] == '"') {
    ++i;
    bool closed = false;
    while (i < line.size()) {
      const char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c == '\\' && i < line.size()) {
        const char e = line[i++];
        value += e == 'n' ? '\n' : e;
        continue;
      }
      value += c;
    }
    if (!closed) throw StepError(number, "the value of " + key + " has no closing quote");
  } else {
    const std::size_t from = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    value = std::string(line.substr(from, i - from));
  }
  return {key, FromUtf8(value)};
}

}  // namespace

std::optional<Text> Step::Get(std::string_view key) const {
  for (const auto& [k, v] : args) {
    if (k == key) return v;
  }
  return std::nullopt;
}

Text Step::GetOr(std::string_view key, TextView fallback) const {
  return Get(key).value_or(Text(fallback));
}

std::optional<std::int64_t> Step::Number(std::string_view key) const {
  const auto value = Get(key);
  if (!value) return std::nullopt;
  const std::string text = ToUtf8(*value);
  // Decimal, with an optional sign, or hexadecimal after "0x".
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++i;
  int base = 10;
  if (text.compare(i, 2, "0x") == 0) {
    base = 16;
    i += 2;
  }
  std::uint64_t n = 0;
  const std::size_t first = i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || n > (std::uint64_t{1} << 40)) break;
    n = n * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  if (i != text.size() || i == first) {
    throw StepError(line, std::string(key) + " is not a number: \"" + text + "\"");
  }
  return negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
}

std::vector<Step> ParseUserScript(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  std::vector<Step> steps;
  int number = 0;
  std::size_t pos = 0;
  while (pos <= utf8.size()) {
    const std::size_t end = std::min(utf8.find('\n', pos), utf8.size());
    const std::string_view line = utf8.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size() || line[i] == '#') {
      if (end >= utf8.size()) break;
      continue;
    }
    Step step;
    step.line = number;
    const std::size_t word = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    step.command = std::string(line.substr(word, i - word));
    const auto type = StepTypes().find(step.command);
    if (type == StepTypes().end()) throw StepError(number, "unknown step \"" + step.command + "\"");
    step.run = type->second.run;
    while (true) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i >= line.size()) break;
      auto argument = ReadArgument(line, i, number);
      if (type->second.required.count(argument.first) == 0 &&
          type->second.optional.count(argument.first) == 0) {
        throw StepError(number, step.command + " takes no argument " + argument.first);
      }
      if (step.Get(argument.first)) {
        throw StepError(number, "argument " + argument.first + " given twice");
      }
      step.args.push_back(std::move(argument));
    }
    for (const std::string& required : type->second.required) {
      if (!step.Get(required)) throw StepError(number, step.command + " needs " + required + "=");
    }
    const auto given = [&](const std::vector<std::string>& keys) {
      return std::count_if(keys.begin(), keys.end(),
                           [&](const std::string& key) { return step.Get(key).has_value(); });
    };
    const auto listed = [](const std::vector<std::string>& keys) {
      std::string text;
      for (const std::string& key : keys) text += (text.empty() ? "" : " or ") + key + "=";
      return text;
    };
    if (const auto& keys = type->second.one_of; !keys.empty() && given(keys) != 1) {
      throw StepError(number, step.command + " needs one of " + listed(keys));
    }
    if (const auto& keys = type->second.some_of; !keys.empty() && given(keys) == 0) {
      throw StepError(number, step.command + " needs " + listed(keys));
    }
    for (const char* key :
         {"timeout", "count", "index", "control", "ms", "code", "message", "result", "wparam",
          "lparam", "interval", "row"}) {
      step.Number(key);  // checked once here, so a script fails before it runs
    }
    steps.push_back(std::move(step));
    if (end >= utf8.size()) break;
  }
  return steps;
}

}  // namespace korvex::scripted_user
