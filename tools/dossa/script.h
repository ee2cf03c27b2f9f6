// The script that drives Dossa.exe, the simulated host program: what the
// program does by itself (wait for the hook, open the validation window, run
// the validation, close it) and which dialogs each item of a run raises.
//
// The grammar (tools/dossa/README.md shows examples), in the line format of
// tools/common/script_lines.h:
//
//   Steps, carried out in order once the main window is up:
//     wait-hook [timeout=MS]  wait until Sentrel.dll is loaded into this
//                             process and a robot window is registered in it
//                             (default 30000 ms); goes on either way
//     open                    open the "Validación Total de Items" window
//     run                     press "&Validar Items": validate the items
//                             declared since the previous run
//     close                   close the validation window
//     pause MS                let MS milliseconds pass, handling messages
//     quit                    end the program (also done after the last step,
//                             unless Dossa.exe was started with --stay)
//     control [host=TEXT] [port=TEXT] [path-debug=TEXT] [lang=N]
//             [debug=yes|no] [none=enabled|disabled]
//                             place the tariff control "TARIFEX.TarifexCtrl.1"
//                             on the validation window (open before), active
//                             in place, and set the properties given
//
//   Settings:
//     timeout MS              how long each dialog declared after this line
//                             waits for an answer before the program closes it
//                             itself (default 60000; 0 waits for ever)
//
//   Items of the next run, each followed by the dialogs it raises in order:
//     item N [pause=MS]       item number N; the run spends MS ms on it after
//                             its dialogs (default 20)
//     msgbox text="..." [caption="..."] [icon=none|info|warning|error|question]
//            [buttons=ok|okcancel|yesno|yesnocancel|retrycancel|abortretryignore]
//            [timeout=MS]     a message box (MessageBoxW)
//     input prompt="..." [explanation="..."] [text="..."] [reject="..."]...
//            [timeout=MS]     the tariff control's data-input dialog; text is
//                             the edit's initial value; "Validar lo ingresado"
//                             with a rejected value shows an error box owned by
//                             the validation window and keeps the dialog open
//     options [option="..."]... [none=enabled|disabled] [timeout=MS]
//                             the tariff control's option dialog
//     popup [after=MS] text="..." [caption="..."] [icon=...] [buttons=...]
//                             a second message box, owned by the validation
//                             window, shown MS ms (default 200) after the
//                             dialog above it appeared, while it is still open
//     tarifex [gen=NAME=VALUE]... [art=NAME=VALUE]... [infcom=NAME=VALUE]...
//             [suf=NAME=VALUE]... [mdes=NAME=VALUE]... [benef=CODE]...
//             [timeout=MS]    a run of the tariff control for the item: its
//                             data cleared, new data components with these
//                             variables, the benefit codes added, then
//                             ExecTarifex with the validation window; each
//                             dialog of the control still open after MS ms
//                             is closed (cancelled)
//
// Items declared after the last run step are the ones a user's click on
// "&Validar Items" runs.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "tarifex/question_dialogs.h"
#include "tools/common/script_lines.h"

namespace korvex::dossa {

enum class Icon { kNone, kInformation, kWarning, kError, kQuestion };
enum class Buttons { kOk, kOkCancel, kYesNo, kYesNoCancel, kRetryCancel, kAbortRetryIgnore };

struct MessageBoxSpec {
  Text caption = u"DOSSA";
  Text text;
  Icon icon = Icon::kNone;
  Buttons buttons = Buttons::kOk;
};

struct Popup {
  std::uint32_t after_ms = 200;
  MessageBoxSpec box;
};

enum class DialogKind { kMessageBox, kDataInput, kOptions, kTarifex };

// The data-input dialog's explanation unless the script gives another: the
// tariff control's (tarifex/question_dialogs.h).
inline constexpr std::u16string_view kDefaultExplanation = tarifex::data_input::kNotice.spanish;

// A variable of a data component: NAME=VALUE.
struct Variable {
  Text name;
  Text value;
};

// A run of the tariff control: its five data components and benefit codes.
struct TarifexRun {
  std::vector<Variable> gen, art, infcom, suf, mdes;
  std::vector<Text> benefits;
};

struct Dialog {
  DialogKind kind = DialogKind::kMessageBox;
  int line = 0;                   // where the script declares it
  std::uint32_t timeout_ms = 0;   // 0: no time limit
  MessageBoxSpec box;             // kMessageBox
  Text prompt;                    // kDataInput
  Text explanation = Text(kDefaultExplanation);
  Text initial_text;
  std::vector<Text> rejected;
  std::vector<Text> options;      // kOptions
  bool none_enabled = true;
  bool has_popup = false;
  Popup popup;
  TarifexRun tarifex;             // kTarifex
};

struct Item {
  std::uint32_t number = 0;
  std::uint32_t pause_ms = 20;
  std::vector<Dialog> dialogs;
};

enum class StepKind { kWaitHook, kOpen, kRun, kClose, kPause, kQuit, kControl };

// The properties the control step sets (those not given keep the control's
// own values).
struct ControlSettings {
  std::optional<Text> host;
  std::optional<Text> port;
  std::optional<Text> path_debug;
  std::optional<std::int16_t> lang;
  std::optional<bool> debug;
  std::optional<bool> none_offered;  // BtnNoSeleccionar
};

struct Step {
  StepKind kind = StepKind::kOpen;
  int line = 0;
  std::uint32_t ms = 0;      // kWaitHook: time limit; kPause: duration
  std::vector<Item> items;   // kRun
  ControlSettings control;  // kControl
};

struct Script {
  std::vector<Step> steps;
  std::vector<Item> manual_items;  // declared after the last run step
};

// A script that cannot be read: the line (from 1) and what is wrong there.
using ScriptError = tools::ScriptError;

inline constexpr std::uint32_t kDefaultDialogTimeoutMs = 60000;
inline constexpr std::uint32_t kDefaultWaitHookMs = 30000;

// Reads a whole script (UTF-8; a leading byte-order mark is skipped).
// Throws ScriptError for the first line that cannot be read.
Script ParseScript(std::string_view utf8);

// The items of a run that a user starts when no script names any: a few
// message boxes and one dialog of each tariff-control kind.
Script DemoScript();

}  // namespace korvex::dossa
