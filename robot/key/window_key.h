// The window key: the textual identity of a dialog.  Two dialogs are the same
// dialog exactly when their keys are equal strings.
//
// A key is a sequence of fields, each followed by "|":
//   dialog class ("class CDynWindow", "class CDataInputWindow",
//                 "class CItemSelectionWindow")
//   caption (escaped; a message dialog's normalized caption)
//   the six role indices list, prompt, edit, accept, cancel, none, each an
//     unsigned 32-bit decimal (-1 is 4294967295)
//   the child count
//   one record per child, in child order:
//     class CMetaButton|<text>|<enabled, signed>|
//     class CTextWindow|<text>|
//     class CMetaEdit|<text>|
//     class CIconWindow|<icon value, signed>|
//     class CMetaList|<item count>|<item>|<item>|...
// Every text is escaped (robot/key/text_escape.h).
#pragma once

#include <memory>

#include "platform/text.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/question_windows.h"

namespace korvex {

// Writes the key of a live capture or of a rebuilt dialog; both give the same
// key for the same dialog.
Text WriteKey(const CDossaWindow& dialog);

// Rebuilds a dialog from a key and its stored answer list (robot/key/
// answer_text.h), out of Ex controls, owning the answers.  The caller owns
// the result.  The reader never builds part of a dialog: every failure raises
// RecognitionError, and nothing else (memory aside; the read_key fuzz target
// holds it to that), and leaves nothing behind.  The code names the record at
// fault:
//   111317  the answer list cannot be read, has another number of entries
//           than the dialog has children, or answers a child with an
//           interaction that cannot act on it (a press on a static text);
//   713111  a child record: its token names no registered class, names a
//           rebuilt "Ex" class (never written, refused), or one of its
//           fields is malformed or lacks its "|" (also a key that ends
//           before the last child announced);
//   975321  the dialog record: the first token is none of the three dialog
//           classes, the caption, a role index or the child count is
//           malformed or lacks its "|", a role index is neither -1 nor the
//           index of a child, or text follows the last child record.
// Legacy text fields ("[BAR]") and blanks around numbers are accepted.
std::unique_ptr<CDossaWindow> ReadKey(TextView key, TextView answers);

// Reads a stored entry (a profile's key and answer list, from the store or a
// profile file) as ReadKey does, and also refuses, with 111317, an answer
// the robot would never have stored: a dialog with buttons is ended by one,
// so its stored answer presses exactly one button (none would leave the
// dialog waiting while the journal says it was answered; two would answer
// it twice); a dialog without any button is answered without a press.
std::unique_ptr<CDossaWindow> ReadStoredEntry(TextView key, TextView answers);

// Brings a stored key and answer list into the form the writers produce
// today.  On success both are replaced and true is returned; when
// ReadStoredEntry refuses the pair, false is returned and both are left as
// they were.
bool NormalizeEntry(Text& key, Text& answers);

}  // namespace korvex
