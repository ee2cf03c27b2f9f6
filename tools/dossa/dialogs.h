// The dialogs an item of the run raises, owned by the validation form:
// message boxes (MessageBoxW) and the tariff control's data-input and option
// dialogs as the script describes them, each with its optional popup and
// time limit.  Every dialog's outcome goes to the report.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "tools/dossa/script.h"

namespace korvex::dossa {

// Installs the thread's CBT hook through which a dialog being raised learns
// its window (the first top-level window its owner comes to own).
// press_own: the program presses each dialog's default button itself the
// moment the dialog is activated (a posted BM_CLICK), with no other program
// involved: the floor of any answer's time on screen.
bool InstallDialogWatch(bool press_own = false);
void RemoveDialogWatch();

// Shows the dialog modally over owner and reports how it ended; index is
// its place within the item, from 1.  (Not for kTarifex: the control raises
// its own dialogs, see WatchControlDialogs.)
void RaiseDialog(const Item& item, int index, const Dialog& plan, HWND owner);

// Runs body, a run of the tariff control for the item, while watching the
// dialogs the control raises over owner: each is reported when it is
// created ("control-dialog"), and one still open timeout_ms after it
// appeared is closed with IDCANCEL (0: never).  Returns how many were
// closed so.
int WatchControlDialogs(const Item& item, int index, std::uint32_t timeout_ms, HWND owner,
                        const std::function<void()>& body);

}  // namespace korvex::dossa
