// kvxtool: profiles, profile files and robot diagnostics from the command
// line, for the people who look after many brokers' machines.  The commands
// run on the robot's own code (the store, the file format, the protocol);
// this file and the commands beside it hold the whole tool except the
// program's entry point, so the tests run it with an in-memory registry.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace korvex {

class Clock;
class Registry;
class WindowSystem;

namespace kvxtool {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNoAnswer = 3;  // ask: the robot has no answer

struct Environment {
  // The registry of the current user; null where there is none (the native
  // build), and then the commands that need the store fail.
  Registry* registry = nullptr;
  // Where the shared system icons are loaded from, for the descriptions
  // ("ícono de información"); null: no icon matches and every icon is
  // described as "ícono".
  WindowSystem* windows = nullptr;
  // Signs the robot's questions and checks its answers; null: the system
  // clock (tests give the clock of their query service).
  Clock* clock = nullptr;
  // The user's documents folder, where report --abrir leaves its page;
  // null where there is none (the native build).
  std::function<Text()> documents;
  // Opens a file with the program the system associates with it (the
  // report in the default browser); null where there is none.
  std::function<bool(const Text&)> open;
  // Shows a failure to a person who started the tool from a shortcut and
  // has no console to read it in (report --abrir); null: none.
  std::function<void(const std::string&)> alert;
  // What the tool writes, UTF-8.
  std::string out;
  std::string err;
};

// Runs one command line (the arguments after the program name).
int Run(const std::vector<Text>& args, Environment& env);

// The --help text.
std::string Help();

}  // namespace kvxtool
}  // namespace korvex
