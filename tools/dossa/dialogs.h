// The dialogs an item of the run raises, owned by the validation form:
// message boxes (MessageBoxW) and the tariff control's data-input and option
// dialogs as the script describes them, each with its optional popup and
// time limit.  Every dialog's outcome goes to the report.
#pragma once

#include <windows.h>

#include "tools/dossa/script.h"

namespace korvex::dossa {

// Installs the thread's CBT hook through which a dialog being raised learns
// its window (the first top-level window its owner comes to own).
bool InstallDialogWatch();
void RemoveDialogWatch();

// Shows the dialog modally over owner and reports how it ended; index is
// its place within the item, from 1.
void RaiseDialog(const Item& item, int index, const Dialog& plan, HWND owner);

}  // namespace korvex::dossa
