#include "tests/fakes/office_journals.h"

#include <cstdint>
#include <filesystem>

#include "platform/file_io.h"
#include "tests/fakes/journal_writer.h"

namespace korvex::testing {

namespace {

struct Kind {
  bool message;
  const char16_t* text;
  const char16_t* answer;
  std::uint32_t every;  // appears on about one item in `every`
  int profiles;         // 1 "Aduana Norte", 2 "Exportaciones", 3 both
  bool stored;          // the person stores the answer the first time
  std::size_t stored_from_run;
};

const Kind kKinds[] = {
    {false, u"¿Desea continuar con la validación del ítem?, Validación de ítems, Botón Sí, Botón No",
     u"Presionar Sí", 3, 3, true, 0},
    {true, u"La posición SIM no tiene derechos de importación cargados., Aviso, Botón Aceptar", u"", 4, 1,
     true, 0},
    {false, u"Ingrese el valor FOB unitario, Dato complementario", u"Ingresar '125,50'", 5, 3, true, 0},
    {false, u"[Régimen general, Régimen de courier, ]", u"Seleccionar 'Régimen general'", 7, 1, true, 0},
    {true, u"Falta el certificado de origen del ítem., Mensaje al declarante, Botón Aceptar", u"", 6, 2, true,
     0},
    {false, u"¿Aplica licencia no automática?, Pregunta del tarifex, Botón Sí, Botón No", u"Presionar No", 9, 3,
     true, 0},
    // Each item wants its own brand: never stored.
    {false, u"Ingrese el código de la marca, Dato complementario", u"Ingresar 'SIN MARCA'", 8, 3, false, 0},
    {true, u"El peso neto supera el peso bruto declarado., Aviso, Botón Aceptar", u"", 11, 3, false, 0},
    // Stored only once the office decided how to answer it.
    {false, u"¿Desea declarar el ítem como mercadería usada?, Pregunta, Botón Sí, Botón No", u"Presionar No",
     13, 3, true, 6},
};
constexpr std::size_t kKindCount = sizeof kKinds / sizeof kKinds[0];
const char16_t* const kProfiles[] = {u"Aduana Norte", u"Exportaciones"};

bool Appears(std::size_t run, std::size_t item, std::size_t kind) {
  std::uint32_t x = static_cast<std::uint32_t>(run * 1000003u + item * 7919u + kind * 104729u);
  x ^= x >> 13;
  x *= 0x5bd1e995u;
  x ^= x >> 15;
  return x % kKinds[kind].every == 0;
}

// Weekdays from Monday 2 March 2026, two runs a day.
LocalTime StartOf(std::size_t run) {
  LocalTime t{2026, 3, 2, 0, 0, 0};
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (std::size_t weekday = 0, day_of_week = 0; weekday < run / 2; ++day_of_week) {
    // Next calendar day; Saturdays and Sundays pass without a run.
    const bool leap = t.year % 4 == 0 && (t.year % 100 != 0 || t.year % 400 == 0);
    const int days = t.month == 2 && leap ? 29 : kDays[t.month - 1];
    if (++t.day > days) {
      t.day = 1;
      if (++t.month > 12) {
        t.month = 1;
        ++t.year;
      }
    }
    if ((day_of_week + 1) % 7 < 5) ++weekday;
  }
  if (run % 2 == 0) {
    t.hour = 9;
    t.minute = static_cast<int>((run * 11) % 30);
  } else {
    t.hour = 14;
    t.minute = 30 + static_cast<int>((run * 7) % 20);
  }
  t.second = static_cast<int>((run * 13) % 60);
  return t;
}

}  // namespace

OfficeTally WriteOfficeJournals(const Text& folder, const OfficeOptions& options) {
  OfficeTally tally;
  JournalWriter writer(folder);
  bool learned[2][kKindCount] = {};
  for (std::size_t run = 0; run < options.runs; ++run) {
    const int profile = run % 3 == 2 ? 1 : 0;
    const bool odd_separator = options.with_oddities && run == 3;
    const bool cut = options.with_oddities && run + 1 == options.runs && run > 0;
    writer.SetSeparator(odd_separator ? u"|" : u"");
    const Text path = writer.Begin(StartOf(run), kProfiles[profile], run % 4 == 1 ? u"IDENT" : u"12001IC04000123@");
    const std::size_t items = options.items + (options.vary_items ? (run * 7) % 21 : 0);
    std::size_t dialogs = 0, automatic = 0;
    bool last_automatic = false;
    for (std::size_t item = 1; item <= items; ++item) {
      for (std::size_t k = 0; k < kKindCount; ++k) {
        const Kind& kind = kKinds[k];
        if ((kind.profiles & (1 << profile)) == 0 || !Appears(run, item, k)) continue;
        const bool by_robot = learned[profile][k];
        if (!by_robot && kind.stored && run >= kind.stored_from_run) learned[profile][k] = true;
        const auto number = static_cast<std::uint16_t>(item);
        if (kind.message) {
          writer.Message(by_robot, number, kind.text);
        } else {
          writer.Question(by_robot, number, kind.text,
                          k == 6 && item % 2 == 1 ? Text(u"Ingresar 'ACME'") : Text(kind.answer));
        }
        ++dialogs;
        if (by_robot) ++automatic;
        last_automatic = by_robot;
      }
    }
    if (cut) {
      // The robot was stopped, and the file was copied while its last line
      // was being written.
      writer.Stop();
      std::string bytes;
      if (ReadWholeFile(path, &bytes) && bytes.size() > 5) WriteWholeFile(path, bytes.substr(0, bytes.size() - 5));
      if (dialogs != 0) {
        --dialogs;
        if (last_automatic) --automatic;
      }
    } else {
      writer.End(run % 5 == 4);
    }
    ++tally.runs;
    tally.dialogs += dialogs;
    tally.automatic += automatic;
    ++tally.profile_runs[profile];
    tally.profile_dialogs[profile] += dialogs;
    tally.profile_automatic[profile] += automatic;
  }
  if (options.with_oddities) {
    const Text path = (std::filesystem::path(folder) / "260309_120000_IDENT.csv").u16string();
    WriteWholeFile(path, "Fecha;Despacho;Importe\r\n09/03/2026;12001IC04000123@;1500,00\r\n");
    ++tally.skipped_files;
  }
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), ignored)) {
    tally.bytes += static_cast<std::size_t>(entry.file_size(ignored));
  }
  return tally;
}

}  // namespace korvex::testing
