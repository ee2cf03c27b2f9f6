// The script of the scripted user: what a person does at the desktop, one
// step per line, each step bounded in time.  The program that carries the
// steps out (main.cpp) acts only as a person would: it finds windows by
// caption and class (and by the program they belong to, as a person sees on
// screen), clicks their buttons, types into their edits, selects in their
// lists, clicks the robot's tray icon and picks a command of its menu; it
// also sends the slot messages another program would send.
//
// The grammar: one step per line; '#' starts a comment line; a step is a
// word followed by key=value arguments (a value with blanks in double
// quotes, with \" \\ and \n escapes).  UTF-8.
//
//   wait-window caption=T [class=C] [of=PROGRAM] [as=NAME] [hidden=yes]
//               [timeout=MS]
//       waits for a visible top-level window (hidden=yes: also a hidden
//       one); it becomes the current window (and is remembered as NAME)
//   wait-gone [window=NAME] [timeout=MS]       the window is destroyed or hidden
//   click [window=NAME] button=T               presses the button reading T
//                                              ('&' ignored)
//   click [window=NAME] control=ID             presses the button (or check
//                                              box) with that identifier
//   type [window=NAME] control=ID text=T       types T into the edit (or the
//                                              edit of a combo box)
//   select [window=NAME] control=ID index=N    selects an item of a list box
//                                              or a drop-down list
//   double-click [window=NAME] control=ID      double-clicks a list box's item
//   tick [window=NAME] control=ID row=N [checked=yes|no]
//                                              clicks the check box of a list
//                                              view's row (0 = the first)
//                                              until it is ticked (or not)
//   expect-tree [window=NAME] selected=T [timeout=MS]
//                                              the window's tree view shows
//                                              the item T selected (looking
//                                              again for up to 3 s)
//   close [window=NAME]                        the window's close box
//   expect [window=NAME] button=T|control=ID [enabled=yes|no] [text=T]
//          [checked=yes|no] [timeout=MS]       checks what a person sees of a
//                                              control: enabled or grayed,
//                                              its text, its check mark
//                                              (looking again for up to 3 s)
//   describe [window=NAME]                     reports caption, class, place,
//                                              whether it is the foreground
//                                              window, its owner and every
//                                              button
//   rows [window=NAME] control=ID [count=N]    reports the rows of a list
//                                              view (with their check boxes),
//                                              a list box or a drop-down
//                                              list; with count, there are N
//   tray click=left|double|right               clicks the robot's tray icon
//   menu key=C [until-exit=PROGRAM] [timeout=MS]
//                                              picks the item of the open
//                                              menu whose mnemonic is C; with
//                                              until-exit, opens the tray menu
//                                              and picks it again while the
//                                              program keeps running
//   slot profile=T [timeout=MS]                selects a profile by the slot
//                                              messages, again while the
//                                              robot is not there or does not
//                                              allow it yet
//   shot name=NAME [crop=window|menu] [window=NAME]
//                                              a screenshot of the screen, or
//                                              of the current (or named)
//                                              window or the open menu with a
//                                              margin
//   wait-report file=PATH text=T [count=N] [timeout=MS]
//       waits until the file holds N lines containing T (another
//       program's report)
//   no-window of=PROGRAM until-file=PATH until-text=T [count=N] [timeout=MS]
//       watches that PROGRAM shows no dialog of its own until the file holds
//       N lines containing T
//   start program=PATH [args=T]                starts a program
//   kill of=PROGRAM                            ends a program (task manager)
//   wait-exit of=PROGRAM [code=N] [timeout=MS] the program has ended (with
//                                              exit code N, when this program
//                                              started it)
//   idle of=PROGRAM [timeout=MS]               waits until the program is
//                                              ready for input again (a person
//                                              waits for it to finish what
//                                              the last click started)
//
// Checks that are no person's actions:
//   expect-version [window=NAME] control=ID file=PATH
//                                              the control reads "Versión
//                                              a.b[.c[.d]]", the product
//                                              version of the file's version
//                                              resource
//   expect-windows caption=T count=N            N top-level windows, shown or
//                                              hidden, have that caption
//   expect-gone class=C [caption=T] [timeout=MS]   no window of the class
//                                              (and caption) is left
//   expect-module of=PROGRAM module=M loaded=yes|no [timeout=MS]
//                                              whether the program has the
//                                              module loaded
//   send caption=T message=N [wparam=N] [lparam=N] result=N
//                                              another program sends a message
//                                              to the top-level window (shown
//                                              or hidden) and checks the result;
//                                              numbers are decimal or 0x...
//   wait-hook of=PROGRAM [timeout=MS]           the program has Sentrel.dll
//                                              loaded and its shared section
//                                              names the running robot's
//                                              main frame
//   pause ms=MS
//   poll-answer caption=T button=B interval=MS until-file=PATH until-text=T
//               [of=PROGRAM] [count=N] [timeout=MS]
//       answers like a polling automator: every MS ms it looks for a
//       visible window with the caption and presses its button, until the
//       file holds N lines containing the text (the benchmark's comparison)
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace korvex::scripted_user {

class StepActions;

struct Step {
  int line = 0;
  std::string command;
  std::vector<std::pair<std::string, Text>> args;
  // The member of StepActions that carries the step out.
  void (StepActions::*run)() = nullptr;

  // The value of an argument, or nothing.
  std::optional<Text> Get(std::string_view key) const;
  Text GetOr(std::string_view key, TextView fallback) const;
  // A number argument; throws StepError when it is there and not a number.
  std::optional<std::int64_t> Number(std::string_view key) const;
};

class StepError : public std::runtime_error {
 public:
  StepError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), m_line(line) {}
  int line() const { return m_line; }

 private:
  int m_line;
};

// What carries the steps out, one member per step: scripted_user.exe's
// person at the desktop (main.cpp), which keeps the step it carries out.
// The one table of steps (user_script.cpp) gives each step its arguments and
// its member here; a parsed step's run names it.
class StepActions {
 public:
  virtual ~StepActions() = default;
  virtual void WaitWindow() = 0;
  virtual void ExpectWindows() = 0;
  virtual void WaitGone() = 0;
  virtual void Click() = 0;
  virtual void Type() = 0;
  virtual void Select() = 0;
  virtual void DoubleClick() = 0;
  virtual void Tick() = 0;
  virtual void Close() = 0;
  virtual void Expect() = 0;
  virtual void ExpectVersion() = 0;
  virtual void ExpectTree() = 0;
  virtual void Describe() = 0;
  virtual void Rows() = 0;
  virtual void Tray() = 0;
  virtual void Menu() = 0;
  virtual void Slot() = 0;
  virtual void Shot() = 0;
  virtual void WaitReport() = 0;
  virtual void NoWindow() = 0;
  virtual void Start() = 0;
  virtual void Kill() = 0;
  virtual void WaitExit() = 0;
  virtual void Idle() = 0;
  virtual void ExpectGone() = 0;
  virtual void ExpectModule() = 0;
  virtual void WaitHook() = 0;
  virtual void Send() = 0;
  virtual void PollAnswer() = 0;
  virtual void Pause() = 0;
};

// Reads a whole script; throws StepError for the first line that cannot be
// read, names an unknown step, lacks an argument the step needs or carries
// one it does not take.
std::vector<Step> ParseUserScript(std::string_view utf8);

}  // namespace korvex::scripted_user
