// Recording doubles of the main frame's ports: they remember every call in
// one ordered log, so a test reads like the story of what the robot did.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "robot/capture/dialog_follower.h"
#include "robot/profiles/profile.h"
#include "robot/tray/frame_commands.h"
#include "robot/tray/management_commands.h"
#include "robot/watcher/frame_ports.h"

namespace korvex::testing {

class FrameLog {
 public:
  void Add(std::string entry) { entries.push_back(std::move(entry)); }
  std::vector<std::string> entries;
};

class RecordingTimers : public TimerPort {
 public:
  explicit RecordingTimers(FrameLog& log) : m_log(log) {}
  void SetTimer(int id, std::uint32_t ms) override {
    m_log.Add("SetTimer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void KillTimer(int id) override { m_log.Add("KillTimer " + std::to_string(id)); }

 private:
  FrameLog& m_log;
};

class RecordingTray : public TrayPort {
 public:
  explicit RecordingTray(FrameLog& log) : m_log(log) {}
  void SetIcon(int icon, TextView tooltip) override {
    this->icon = icon;
    this->tooltip = Text(tooltip);
    m_log.Add("tray icon " + std::to_string(icon));
  }
  void ShowBalloon(TextView text, TextView title, std::uint32_t timeout, BalloonIcon) override {
    balloon = Text(text);
    m_log.Add("balloon " + ToUtf8(title) + " " + std::to_string(timeout) + ": " + ToUtf8(text));
  }
  void HideBalloon() override { m_log.Add("hide balloon"); }
  int icon = 0;
  Text tooltip;
  Text balloon;

 private:
  FrameLog& m_log;
};

class RecordingMascot : public MascotPort {
 public:
  explicit RecordingMascot(FrameLog& log) : m_log(log) {}
  void Show(bool show) override { m_log.Add(show ? "mascot shown" : "mascot hidden"); }
  void Blink() override { m_log.Add("mascot blinks"); }

 private:
  FrameLog& m_log;
};

class RecordingHook : public HookPort {
 public:
  explicit RecordingHook(FrameLog& log) : m_log(log) {}
  std::uintptr_t InstallHook(std::uint32_t thread) override {
    if (failures > 0) {
      --failures;
      m_log.Add("hook thread " + std::to_string(thread) + " failed");
      return 0;
    }
    m_log.Add("hook thread " + std::to_string(thread));
    return ++m_next;
  }
  // How many of the next installations fail.
  int failures = 0;
  void RemoveHook(std::uintptr_t hook) override { m_log.Add("unhook " + std::to_string(hook)); }
  void RegisterPilotek(Hwnd frame) override {
    m_log.Add("RegisterPilotek " + std::to_string(frame));
  }
  // What the session's buffer holds (tests/fakes/desktop_snapshot.h); empty:
  // no buffer, or a copy taken while the hook wrote.
  std::vector<unsigned char> snapshot;
  std::vector<unsigned char> CopyDialogSnapshot() override { return snapshot; }

 private:
  FrameLog& m_log;
  std::uintptr_t m_next = 0x700;
};

// Keeps every answer's timeline; the clock ticks once per reading.
class RecordingTimeline : public TimelinePort {
 public:
  bool Enabled() const override { return true; }
  std::uint64_t Now() override { return ++m_now; }
  void Write(const AnswerTimeline& line) override { lines.push_back(line); }
  std::vector<AnswerTimeline> lines;

 private:
  std::uint64_t m_now = 0;
};

// Confirmation answers come from a script; the reports call back so a test
// can look at the journal at the moment they are shown.
class ScriptedFrameDialogs : public FrameDialogs {
 public:
  explicit ScriptedFrameDialogs(FrameLog& log) : m_log(log) {}
  std::deque<int> confirmations;
  std::function<void()> while_confirming;
  std::function<void()> while_reporting;

  int ConfirmStore(Hwnd parent) override {
    m_log.Add("confirm over " + std::to_string(parent));
    if (while_confirming) while_confirming();
    if (confirmations.empty()) throw std::logic_error("no confirmation scripted");
    const int choice = confirmations.front();
    confirmations.pop_front();
    return choice;
  }
  void ShowMessagesReport(Hwnd parent) override {
    m_log.Add("messages report over " + std::to_string(parent));
    if (while_reporting) while_reporting();
  }
  void ShowActionsReport(Hwnd parent) override {
    m_log.Add("actions report over " + std::to_string(parent));
    if (while_reporting) while_reporting();
  }

 private:
  FrameLog& m_log;
};

// Remembers the arming and disarming of the dialog follower apart from the
// frame's story.
class RecordingFollower : public DialogFollower {
 public:
  void Arm(Hwnd dialog) override {
    armed = dialog;
    calls.push_back("arm " + std::to_string(dialog));
  }
  void Disarm() override {
    armed = kNoWindow;
    calls.push_back("disarm");
  }
  Hwnd armed = kNoWindow;
  std::vector<std::string> calls;
};

// The profile dialogs of the tray commands, answered from a script.
class ScriptedProfileDialogs : public ProfileDialogs {
 public:
  explicit ScriptedProfileDialogs(FrameLog& log) : m_log(log) {}
  std::deque<std::optional<Text>> names;  // "Crear nuevo perfil"
  std::deque<int> selections;             // "Seleccionar un perfil"
  std::function<void()> while_open;

  std::optional<Text> AskNewProfileName() override {
    m_log.Add("ask new profile name");
    if (while_open) while_open();
    if (names.empty()) throw std::logic_error("no profile name scripted");
    auto name = names.front();
    names.pop_front();
    return name;
  }
  int SelectProfile(const std::vector<CProfile*>& profiles) override {
    std::string listed;
    for (const CProfile* p : profiles) listed += " " + ToUtf8(p->GetName());
    m_log.Add("select profile among" + listed);
    if (while_open) while_open();
    if (selections.empty()) throw std::logic_error("no selection scripted");
    const int choice = selections.front();
    selections.pop_front();
    return choice;
  }

 private:
  FrameLog& m_log;
};

// The management commands' dialogs, answered from a script.
class ScriptedManagementDialogs : public ManagementDialogs {
 public:
  explicit ScriptedManagementDialogs(FrameLog& log) : m_log(log) {}
  std::deque<std::optional<std::size_t>> deletions;                 // the delete dialog
  std::deque<std::optional<std::vector<std::size_t>>> transfers;   // the selection
  std::deque<std::optional<Text>> export_paths;
  std::deque<std::optional<Text>> import_paths;
  // Called while any of them is open.
  std::function<void()> while_open;
  // What the answers dialog does (it deletes answers itself).
  std::function<void(const std::vector<CProfile*>&)> answers;

  std::optional<std::size_t> ChooseProfileToDelete(
      const std::vector<CProfile*>& profiles) override {
    m_log.Add("delete dialog among" + Names(profiles));
    return Next(deletions, "deletion");
  }
  void ShowAnswers(const std::vector<CProfile*>& profiles) override {
    m_log.Add("answers dialog among" + Names(profiles));
    if (while_open) while_open();
    if (answers) answers(profiles);
  }
  std::optional<std::vector<std::size_t>> ChooseProfilesToTransfer(
      const std::vector<CProfile*>& profiles, TransferMode mode) override {
    m_log.Add(std::string(mode == TransferMode::Import ? "import" : "export") +
              " selection among" + Names(profiles));
    return Next(transfers, "selection");
  }
  std::optional<Text> AskExportPath() override {
    m_log.Add("save file dialog");
    return Next(export_paths, "export path");
  }
  std::optional<Text> AskImportPath() override {
    m_log.Add("open file dialog");
    return Next(import_paths, "import path");
  }
  void ShowOutcome(int string_id, bool failed, const std::vector<MessageArg>& inserts) override {
    std::string entry =
        "outcome " + std::to_string(string_id) + (failed ? " error" : " information");
    if (!inserts.empty()) {
      entry += ": " + ToUtf8(FormatMessageText(LoadRobotString(string_id), inserts));
    }
    m_log.Add(entry);
  }
  void Configure() override {
    m_log.Add("configuration dialog");
    if (while_open) while_open();
  }
  void About() override {
    m_log.Add("about box");
    if (while_open) while_open();
  }

 private:
  static std::string Names(const std::vector<CProfile*>& profiles) {
    std::string listed;
    for (const CProfile* p : profiles) listed += " " + ToUtf8(p->GetName());
    return listed;
  }
  template <typename T>
  T Next(std::deque<T>& script, const char* what) {
    if (while_open) while_open();
    if (script.empty()) throw std::logic_error(std::string("no ") + what + " scripted");
    T next = std::move(script.front());
    script.pop_front();
    return next;
  }

  FrameLog& m_log;
};

class RecordingSound : public SoundPort {
 public:
  explicit RecordingSound(FrameLog& log) : m_log(log) {}
  void PlayWav(TextView file) override { m_log.Add("play " + ToUtf8(file)); }

 private:
  FrameLog& m_log;
};

}  // namespace korvex::testing
