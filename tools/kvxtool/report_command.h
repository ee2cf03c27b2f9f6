// kvxtool report: the supervisor's report of the validation runs, from the
// journals in the log folders (tools/kvxtool/validation_report.h).
#pragma once

#include <vector>

#include "platform/text.h"
#include "tools/kvxtool/kvxtool.h"

namespace korvex::kvxtool {

// The name the report takes in the user's documents with --abrir.
inline constexpr std::u16string_view kReportFileName = u"Informe de validaciones.html";

// A journal larger than this is not read: a run of thousands of items
// writes well under a megabyte.
inline constexpr std::size_t kMaxJournalBytes = 64u << 20;

// kvxtool report [CARPETA...] [-o ARCHIVO.html] [--desde FECHA] [--hasta FECHA]
//                [--segundos N] [--abrir]
// 0 the page written, 1 a failure (nothing written), 2 usage.
int Report(const std::vector<Text>& args, Environment& env);

}  // namespace korvex::kvxtool
