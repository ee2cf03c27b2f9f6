// Performing an answer on a live capture.
#pragma once

#include "robot/capture/interaction.h"

namespace korvex {

class CMetaWindow;

// Applies entry i of the answer to child i of the root, in increasing order,
// synchronously and without pauses.  Entries beyond the root's children are
// not performed; an entry that meets a child of another kind is refused and
// nothing is sent for it.  Returns the number of entries refused or without
// a child.
int PerformAnswers(const AnswerList& answers, CMetaWindow& root);

}  // namespace korvex
