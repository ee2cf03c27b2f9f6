// What the two end-of-run reports list: the journal's messages ("Mensajes
// obtenidos para los items de la declaración") and its questions with their
// answers ("Acciones realizadas sobre los items de la declaración"), one row
// per record, with the texts of their columns, sorted as the reports show
// them.  The Win32 report dialogs put these rows into their list views.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace korvex {

class CVTIActions;

struct ReportColumn {
  Text title;
  int width = 0;  // pixels
  bool centred = false;
};

struct ReportRow {
  std::uint16_t item = 0;
  Text item_text;  // "%04d"
  Text action;     // "Automática" or "Manual"
  Text content;    // the message, or the question
  Text answer;     // the answer given (questions only)
  friend bool operator==(const ReportRow&, const ReportRow&) = default;
};

// "Ítem" (centred, 50), "Acción" (80), "Mensaje" (600).
const std::vector<ReportColumn>& MessageReportColumns();
// "Ítem" (centred, 50), "Acción" (80), "Pregunta" (300), "Respuesta" (200).
const std::vector<ReportColumn>& ActionReportColumns();

// Every message record, sorted by item number and then by text, comparing
// UTF-16 code units.
std::vector<ReportRow> MessageReportRows(const CVTIActions& journal);
// Every question record, sorted by item number and then by question text.
std::vector<ReportRow> ActionReportRows(const CVTIActions& journal);

// The log file's name for the report's link, or "(no se ha podido generar
// un archivo de log)" when no file was made.
Text ReportLogName(const CVTIActions& journal);

}  // namespace korvex
