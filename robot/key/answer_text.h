// The text form of an answer list, stored beside a window key: the entry
// count as an unsigned decimal and "|", then one record per entry, in order,
// each field followed by "|":
//   class CNullInteraction|      class CPressButton|
//   class CPutText|<escaped text>|   class CItemSelect|<index, unsigned>|
// For example "3|class CPressButton|class CNullInteraction|class CNullInteraction|"
// presses the first of three controls.
#pragma once

#include <cstddef>

#include "platform/text.h"
#include "robot/capture/interaction.h"

namespace korvex {

// The longest text a stored answer types into an edit: what an edit control
// takes by default, and so the longest value a person can give the robot's
// data-input question.  A longer one is refused by the reader.
inline constexpr std::size_t kLongestTypedText = 32767;

// std::invalid_argument for an interaction of a class outside the model.
Text WriteAnswers(const AnswerList& answers);

// Reads a whole answer list; the caller owns the result.  The text must be
// exactly one list: any failure raises RecognitionError 111317 and leaves
// nothing behind, whether a record names no registered interaction, the
// count or an index is not a 32-bit unsigned decimal, a field lacks its "|",
// fewer records follow than the count says, or text remains after the last
// record, or a typed text is longer than kLongestTypedText.
OwnedAnswers ReadAnswers(TextView text);

}  // namespace korvex
