// The "ask the user" port: the robot's own dialogs that put a captured
// dialog's question to the user.  The Win32 robot shows real dialogs; tests
// use a scripted user.
#pragma once

#include <vector>

#include "platform/text.h"
#include "platform/window_system.h"

namespace korvex {

class CDialogWindow;

class AskUserPort {
 public:
  virtual ~AskUserPort() = default;

  // The replica of a message dialog, built from its captured root and shown
  // modally over parent (the host dialog).  Returns the control id of the
  // replica button the user pressed (2 when the replica was closed).
  virtual int AskMessage(const CDialogWindow& root, Hwnd parent) = 0;

  struct InputResult {
    int result = 2;  // 1 "Validar lo ingresado", 2 otherwise
    Text value;
  };
  // The data-input question (prompt naming the datum).
  virtual InputResult AskInput(TextView prompt, Hwnd parent) = 0;

  struct OptionsResult {
    int result = 2;    // 1 select, 1006 select none, 2 cancel
    int index = -999;  // the chosen index, -1 for none, -999 for nothing/cancel
  };
  // The option question; none_enabled is the state of the host's "No
  // seleccionar ninguna" button.
  virtual OptionsResult AskOptions(const std::vector<Text>& options, Hwnd parent,
                                   bool none_enabled) = 0;
};

}  // namespace korvex
