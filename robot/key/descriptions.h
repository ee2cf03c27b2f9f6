// The Spanish descriptions of a dialog's question and of its answer, as the
// journal, the reports and the profile dialogs show them ("Presionar
// Aceptar", "Campo vacio", "ícono de error").
#pragma once

#include "platform/text.h"
#include "robot/capture/dossa_window.h"

namespace korvex {

// A message dialog: its static texts, its caption as the host showed it,
// then its other controls.  A data-input dialog: its prompt.  An option
// dialog: its list, "[Uno, Dos, ]".
Text DescribeQuestion(const CDossaWindow& dialog);

// The descriptions of the non-empty answers, joined with ", ".
Text DescribeAnswer(const CDossaWindow& dialog);

}  // namespace korvex
