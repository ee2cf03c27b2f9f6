#include "tools/kvxtool/validation_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace korvex::kvxtool {

namespace {

Day DayOf(const LocalTime& t) { return {t.year, t.month, t.day}; }

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int MonthDays(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1 March of year 0 (any fixed origin serves to count days).
long DayNumber(const Day& d) {
  const int y = d.month <= 2 ? d.year - 1 : d.year;
  const int m = d.month <= 2 ? d.month + 9 : d.month - 3;
  return 365L * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + d.day - 1;
}

Day NextDay(Day d) {
  if (++d.day > MonthDays(d.year, d.month)) {
    d.day = 1;
    if (++d.month > 12) {
      d.month = 1;
      ++d.year;
    }
  }
  return d;
}

std::string Printf2(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

std::string DateText(const Day& d) {
  return Printf2(d.day) + "/" + Printf2(d.month) + "/" + std::to_string(d.year);
}
std::string TimeText(const LocalTime& t) { return Printf2(t.hour) + ":" + Printf2(t.minute); }
std::string RunLabel(const LocalTime& t) { return DateText(DayOf(t)) + " " + TimeText(t); }

// Text for the page: UTF-8 with the characters HTML gives a meaning
// escaped; control characters (the file's bytes below 0x20, but the line
// breaks) are shown as blanks.
std::string Html(TextView text) {
  Text clean(text);
  for (char16_t& c : clean) {
    if ((c < 0x20 && c != u'\n') || c == 0x7F || (c >= 0x80 && c < 0xA0)) c = u' ';
  }
  std::string utf8 = ToUtf8(clean);
  std::string out;
  out.reserve(utf8.size() + 16);
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string EndText(const JournalRun& run) {
  std::string text;
  switch (run.end) {
    case JournalEnd::kConcluded: text = "Concluida"; break;
    case JournalEnd::kDisconnected: text = "Robot desconectado"; break;
    case JournalEnd::kOpen: text = "Sin cierre"; break;
  }
  if (run.truncated) text += "; archivo cortado";
  if (run.unreadable_lines != 0) {
    text += "; " + SpanishInteger(run.unreadable_lines) +
            (run.unreadable_lines == 1 ? " renglón ilegible" : " renglones ilegibles");
  }
  return text;
}

std::string ProfilesText(const JournalRun& run) {
  std::vector<Text> distinct;
  for (const Text& p : run.profiles) {
    if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) distinct.push_back(p);
  }
  std::string out;
  for (const Text& p : distinct) {
    if (!out.empty()) out += ", ";
    out += Html(p);
  }
  return out;
}

// The time saved as hours and minutes: "3 h 25 min", "40 min".
std::string DurationText(std::uint64_t seconds) {
  const std::uint64_t minutes = (seconds + 30) / 60;
  if (minutes < 60) return SpanishInteger(minutes) + " min";
  return SpanishInteger(minutes / 60) + " h " + SpanishInteger(minutes % 60) + " min";
}

// --- the chart -----------------------------------------------------------------------

struct Bar {
  std::string label;    // under the bar
  std::string caption;  // its tooltip
  std::size_t automatic = 0;
  std::size_t manual = 0;
};

struct Chart {
  std::string grouping;  // "por ejecución", "por día", "por mes"
  std::vector<Bar> bars;
};

Chart ChartOf(const ValidationReport& report) {
  Chart chart;
  const auto& runs = report.runs;
  if (runs.empty()) return chart;
  auto totals = [](Bar& bar, const JournalRun& run) {
    bar.automatic += run.automatic;
    bar.manual += run.dialogs - run.automatic;
  };
  const Day first = DayOf(runs.front().name.start);
  const Day last = DayOf(runs.back().name.start);
  if (runs.size() <= 40) {
    chart.grouping = "por ejecución";
    for (const ReportRun& r : runs) {
      Bar bar;
      bar.label = Printf2(r.name.start.day) + "/" + Printf2(r.name.start.month) + " " +
                  TimeText(r.name.start);
      bar.caption = RunLabel(r.name.start) + ", " + ProfilesText(r.run);
      totals(bar, r.run);
      chart.bars.push_back(std::move(bar));
    }
  } else if (DayNumber(last) - DayNumber(first) < 62) {
    chart.grouping = "por día";
    std::size_t next = 0;
    for (Day d = first; d <= last; d = NextDay(d)) {
      Bar bar;
      bar.label = Printf2(d.day) + "/" + Printf2(d.month);
      bar.caption = DateText(d);
      std::size_t count = 0;
      for (; next < runs.size() && DayOf(runs[next].name.start) == d; ++next, ++count) {
        totals(bar, runs[next].run);
      }
      bar.caption += ", " + SpanishInteger(count) + (count == 1 ? " ejecución" : " ejecuciones");
      chart.bars.push_back(std::move(bar));
    }
  } else {
    chart.grouping = "por mes";
    std::size_t next = 0;
    for (int y = first.year, m = first.month; y < last.year || (y == last.year && m <= last.month);) {
      Bar bar;
      bar.label = Printf2(m) + "/" + std::to_string(y);
      std::size_t count = 0;
      for (; next < runs.size() && runs[next].name.start.year == y && runs[next].name.start.month == m;
           ++next, ++count) {
        totals(bar, runs[next].run);
      }
      bar.caption = bar.label + ", " + SpanishInteger(count) + (count == 1 ? " ejecución" : " ejecuciones");
      chart.bars.push_back(std::move(bar));
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
  return chart;
}

// A round step for the axis (1, 2 or 5 times a power of ten) that divides
// it into at most five parts, and the axis's top, a multiple of the step.
void AxisScale(std::size_t highest, std::size_t* top, std::size_t* step) {
  for (std::size_t unit = 1;; unit *= 10) {
    for (const std::size_t factor : {1, 2, 5}) {
      *step = unit * factor;
      if (*step * 5 >= highest) {
        *top = std::max<std::size_t>(*step, (highest + *step - 1) / *step * *step);
        return;
      }
    }
  }
}

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

std::string ChartSvg(const Chart& chart) {
  const double width = 760, height = 280;
  const double left = 56, right = 12, top = 16, bottom = 46;
  const double plot_w = width - left - right, plot_h = height - top - bottom;
  std::size_t highest = 0;
  for (const Bar& bar : chart.bars) highest = std::max(highest, bar.automatic + bar.manual);
  std::size_t axis_top = 1, step = 1;
  AxisScale(highest, &axis_top, &step);
  const double scale = plot_h / static_cast<double>(axis_top);
  const double slot = plot_w / static_cast<double>(chart.bars.size());
  const double bar_w = std::min(40.0, std::max(1.0, slot * 0.72));
  // At most about fourteen labels under the bars.
  const std::size_t label_every = std::max<std::size_t>(1, (chart.bars.size() + 13) / 14);

  std::string svg = "<svg class=\"chart\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
                    "\" width=\"" + Number(width) + "\" height=\"" + Number(height) +
                    "\" role=\"img\" aria-labelledby=\"grafico-titulo\">\n"
                    "<title id=\"grafico-titulo\">Diálogos respondidos " + chart.grouping +
                    ": automáticos y manuales</title>\n";
  for (std::size_t v = 0; v <= axis_top; v += step) {
    const double y = top + plot_h - static_cast<double>(v) * scale;
    svg += "<line x1=\"" + Number(left) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(width - right) +
           "\" y2=\"" + Number(y) + "\" class=\"grid\"/>";
    svg += "<text x=\"" + Number(left - 6) + "\" y=\"" + Number(y + 4) + "\" class=\"axis\" text-anchor=\"end\">" +
           SpanishInteger(v) + "</text>\n";
  }
  for (std::size_t i = 0; i < chart.bars.size(); ++i) {
    const Bar& bar = chart.bars[i];
    const double x = left + slot * static_cast<double>(i) + (slot - bar_w) / 2;
    const double h_auto = static_cast<double>(bar.automatic) * scale;
    const double h_manual = static_cast<double>(bar.manual) * scale;
    const std::string tip = "<title>" + bar.caption + ": " + SpanishInteger(bar.automatic) +
                            " automáticos, " + SpanishInteger(bar.manual) + " manuales</title>";
    svg += "<g>" + tip;
    if (bar.automatic != 0) {
      svg += "<rect class=\"auto\" x=\"" + Number(x) + "\" y=\"" + Number(top + plot_h - h_auto) +
             "\" width=\"" + Number(bar_w) + "\" height=\"" + Number(h_auto) + "\"/>";
    }
    if (bar.manual != 0) {
      svg += "<rect class=\"manual\" x=\"" + Number(x) + "\" y=\"" +
             Number(top + plot_h - h_auto - h_manual) + "\" width=\"" + Number(bar_w) + "\" height=\"" +
             Number(h_manual) + "\"/>";
    }
    svg += "</g>";
    if (i % label_every == 0) {
      svg += "<text x=\"" + Number(x + bar_w / 2) + "\" y=\"" + Number(top + plot_h + 16) +
             "\" class=\"axis\" text-anchor=\"middle\">" + bar.label + "</text>";
    }
    svg += "\n";
  }
  svg += "<line x1=\"" + Number(left) + "\" y1=\"" + Number(top + plot_h) + "\" x2=\"" + Number(width - right) +
         "\" y2=\"" + Number(top + plot_h) + "\" class=\"base\"/>\n";
  // The legend.
  const double ly = height - 12;
  svg += "<rect class=\"auto\" x=\"" + Number(left) + "\" y=\"" + Number(ly - 10) +
         "\" width=\"12\" height=\"12\"/><text x=\"" + Number(left + 18) + "\" y=\"" + Number(ly) +
         "\" class=\"legend\">Automáticos (respondidos por el robot)</text>";
  svg += "<rect class=\"manual\" x=\"" + Number(left + 290) + "\" y=\"" + Number(ly - 10) +
         "\" width=\"12\" height=\"12\"/><text x=\"" + Number(left + 308) + "\" y=\"" + Number(ly) +
         "\" class=\"legend\">Manuales (respondidos por una persona)</text>\n";
  svg += "</svg>";
  return svg;
}

const char* kStyle = R"(
:root { --auto: #2e7d5b; --manual: #d9822b; --ink: #222; --rule: #c8ccd4; --head: #3a6ea5; }
body { font-family: "Segoe UI", Tahoma, Verdana, sans-serif; color: var(--ink); max-width: 62em;
       margin: 1.5em auto; padding: 0 1em; line-height: 1.4; }
h1 { font-size: 1.6em; border-bottom: 2px solid var(--head); padding-bottom: .2em; margin-bottom: .2em; }
h2 { font-size: 1.2em; color: var(--head); margin-top: 1.8em; }
.meta, .note { color: #555; font-size: .9em; }
.summary { display: grid; grid-template-columns: repeat(auto-fit, minmax(10em, 1fr)); gap: .7em; margin: 1em 0; }
.card { border: 1px solid var(--rule); border-radius: 4px; padding: .45em .8em; }
.card .label { display: block; font-size: .85em; color: #555; }
.card .value { display: block; font-size: 1.55em; font-weight: bold; }
.card .value.small { font-size: 1em; padding-top: .35em; }
table { border-collapse: collapse; width: 100%; font-size: .92em; }
th, td { border: 1px solid var(--rule); padding: .25em .5em; text-align: left; vertical-align: top; }
th { background: #eef2f8; }
td.n, th.n { text-align: right; white-space: nowrap; }
td.text { white-space: pre-line; }
td.file { font-size: .8em; overflow-wrap: anywhere; }
.when { white-space: nowrap; }
.chart { max-width: 100%; height: auto; }
.chart .auto { fill: var(--auto); }
.chart .manual { fill: var(--manual); }
.chart .grid { stroke: #e3e6ea; stroke-width: 1; }
.chart .base { stroke: #888; stroke-width: 1; }
.chart .axis { font-size: 10px; fill: #555; }
.chart .legend { font-size: 12px; fill: var(--ink); }
.bad { color: #a33; }
@media print {
  body { margin: 0; max-width: none; font-size: 10pt; }
  h2 { break-after: avoid; }
  tr, .card, .chart { break-inside: avoid; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

void Card(std::string& out, const char* id, const std::string& label, const std::string& value,
          const std::string& detail = "", bool small = false) {
  out += "<div class=\"card\"><span class=\"label\">" + label + "</span><span class=\"value" +
         std::string(small ? " small" : "") + "\" id=\"" + id + "\">" + value + "</span>";
  if (!detail.empty()) out += "<span class=\"note\">" + detail + "</span>";
  out += "</div>\n";
}

std::string Plural(std::size_t n, const char* one, const char* many) {
  return SpanishInteger(n) + " " + (n == 1 ? one : many);
}

}  // namespace

// --- numbers --------------------------------------------------------------------------

std::string SpanishInteger(std::uint64_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return out;
}

std::string SpanishDecimal(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  const std::size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  const bool negative = !whole.empty() && whole[0] == '-';
  if (negative) whole.erase(0, 1);
  std::string out = (negative ? "-" : "") + SpanishInteger(std::stoull(whole));
  if (point != std::string::npos) out += "," + text.substr(point + 1);
  return out;
}

std::string SpanishPercent(std::size_t part, std::size_t whole) {
  if (whole == 0) return "—";
  double share = std::round(1000.0 * static_cast<double>(part) / static_cast<double>(whole)) / 10.0;
  // A share that is not all or nothing never reads as if it were.
  if (part != whole && share >= 100.0) share = 99.9;
  if (part != 0 && share <= 0.0) share = 0.1;
  return SpanishDecimal(share, 1) + " %";
}

std::optional<Day> ParseDay(TextView text) {
  auto number = [&](std::size_t at, std::size_t count, int* value) {
    if (at + count > text.size()) return false;
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (text[i] < u'0' || text[i] > u'9') return false;
      n = n * 10 + (text[i] - u'0');
    }
    *value = n;
    return true;
  };
  Day d;
  bool ok = false;
  if (text.size() == 10 && text[2] == u'/' && text[5] == u'/') {
    ok = number(0, 2, &d.day) && number(3, 2, &d.month) && number(6, 4, &d.year);
  } else if (text.size() == 10 && text[4] == u'-' && text[7] == u'-') {
    ok = number(0, 4, &d.year) && number(5, 2, &d.month) && number(8, 2, &d.day);
  }
  if (!ok || d.year < 1900 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > MonthDays(d.year, d.month)) {
    return std::nullopt;
  }
  return d;
}

// --- gathering ------------------------------------------------------------------------

bool ValidationReportBuilder::Wants(TextView file_name) const {
  const std::optional<JournalName> name = ParseJournalName(file_name);
  if (!name) return false;
  const Day day = DayOf(name->start);
  if (m_options.from && day < *m_options.from) return false;
  if (m_options.to && *m_options.to < day) return false;
  return true;
}

void ValidationReportBuilder::AddUnreadable(const Text& folder, const Text& file_name,
                                            const Text& reason) {
  m_report.skipped.push_back({folder, file_name, reason});
}

void ValidationReportBuilder::AddFile(const Text& folder, const Text& file_name,
                                      std::string_view bytes) {
  const std::optional<JournalName> name = ParseJournalName(file_name);
  if (!name) return;
  JournalReadResult read = ReadJournal(bytes);
  if (!read.run) {
    AddUnreadable(folder, file_name, read.problem);
    return;
  }
  const std::size_t index = m_report.runs.size();
  JournalRun& run = *read.run;
  for (JournalDialog& dialog : run.manual) {
    ManualDialog& entry = m_manual[{dialog.message, dialog.content}];
    if (entry.count == 0) {
      entry.message = dialog.message;
      entry.content = dialog.content;
    }
    ++entry.count;
    if (entry.runs.empty() || entry.runs.back() != index) entry.runs.push_back(index);
    if (!dialog.message) ++entry.answers[dialog.answer];
  }
  run.manual.clear();
  run.manual.shrink_to_fit();
  m_report.runs.push_back({folder, file_name, *name, std::move(run)});
}

ValidationReport ValidationReportBuilder::Finish(std::vector<Text> folders) {
  ValidationReport report = std::move(m_report);
  m_report = {};
  report.folders = std::move(folders);

  // Runs by start, then by name and folder; the manual dialogs' run
  // numbers follow.
  std::vector<std::size_t> order(report.runs.size());
  std::iota(order.begin(), order.end(), 0);
  auto when = [](const ReportRun& r) {
    const LocalTime& t = r.name.start;
    return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second);
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const ReportRun& x = report.runs[a];
    const ReportRun& y = report.runs[b];
    return std::make_tuple(when(x), x.file_name, x.folder) < std::make_tuple(when(y), y.file_name, y.folder);
  });
  std::vector<std::size_t> position(order.size());
  std::vector<ReportRun> sorted;
  sorted.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    position[order[i]] = i;
    sorted.push_back(std::move(report.runs[order[i]]));
  }
  report.runs = std::move(sorted);

  std::map<Text, ProfileFigures> profiles;
  for (const ReportRun& r : report.runs) {
    report.dialogs += r.run.dialogs;
    report.automatic += r.run.automatic;
    std::vector<Text> counted;
    for (std::size_t p = 0; p < r.run.profiles.size(); ++p) {
      const Text& name = r.run.profiles[p];
      ProfileFigures& figures = profiles[name];
      figures.name = name;
      if (std::find(counted.begin(), counted.end(), name) == counted.end()) {
        counted.push_back(name);
        ++figures.runs;
      }
      figures.dialogs += r.run.profile_dialogs[p];
      figures.automatic += r.run.profile_automatic[p];
    }
  }
  for (auto& [name, figures] : profiles) report.profiles.push_back(std::move(figures));

  for (auto& [key, dialog] : m_manual) {
    for (std::size_t& run : dialog.runs) run = position[run];
    std::sort(dialog.runs.begin(), dialog.runs.end());
    report.manual.push_back(std::move(dialog));
  }
  m_manual.clear();
  std::stable_sort(report.manual.begin(), report.manual.end(),
                   [](const ManualDialog& a, const ManualDialog& b) { return a.count > b.count; });
  return report;
}

// --- the page --------------------------------------------------------------------------

std::string RenderReportPage(const ValidationReport& report, const ReportOptions& options,
                             const LocalTime& generated) {
  const std::size_t manual_total = report.dialogs - report.automatic;
  const std::uint64_t saved_seconds =
      static_cast<std::uint64_t>(report.automatic) * static_cast<std::uint64_t>(options.seconds_per_answer);
  const std::string seconds_text = SpanishInteger(static_cast<std::uint64_t>(options.seconds_per_answer));

  // The period: the one asked for, its open ends closed by the runs found.
  std::optional<Day> from = options.from, to = options.to;
  if (!report.runs.empty()) {
    if (!from) from = DayOf(report.runs.front().name.start);
    if (!to) to = DayOf(report.runs.back().name.start);
  }
  std::string period = "—";
  if (from && to) {
    period = *from == *to ? "el " + DateText(*from) : "del " + DateText(*from) + " al " + DateText(*to);
  } else if (from) {
    period = "desde el " + DateText(*from);
  } else if (to) {
    period = "hasta el " + DateText(*to);
  }

  std::string out;
  out.reserve(4096 + report.runs.size() * 420 + report.manual.size() * 200);
  out += "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>Informe de validaciones de KORVEX</title>\n<style>";
  out += kStyle;
  out += "</style>\n</head>\n<body>\n<h1>Informe de validaciones</h1>\n";
  out += "<p class=\"meta\">Lo que hizo el robot KORVEX en las validaciones totales de ítems, "
         "según sus registros. Generado el " + DateText(DayOf(generated)) + " a las " +
         TimeText(generated) + ".<br>";
  out += report.folders.size() == 1 ? "Carpeta: " : "Carpetas: ";
  for (std::size_t i = 0; i < report.folders.size(); ++i) {
    if (i != 0) out += "; ";
    out += "<code>" + Html(report.folders[i]) + "</code>";
  }
  out += "</p>\n";

  // The summary.
  out += "<section id=\"resumen\">\n<div class=\"summary\">\n";
  Card(out, "resumen-periodo", "Período", period, "", true);
  Card(out, "resumen-ejecuciones", "Ejecuciones", SpanishInteger(report.runs.size()));
  Card(out, "resumen-dialogos", "Diálogos", SpanishInteger(report.dialogs),
       SpanishInteger(report.automatic) + " automáticos, " + SpanishInteger(manual_total) + " manuales");
  Card(out, "resumen-automatico", "Respondidos por el robot", SpanishPercent(report.automatic, report.dialogs));
  Card(out, "resumen-horas", "Horas ahorradas (estimación)",
       SpanishDecimal(static_cast<double>(saved_seconds) / 3600.0, 1),
       seconds_text + " s por respuesta automática");
  out += "</div>\n</section>\n";

  if (report.runs.empty()) {
    out += "<p id=\"sin-ejecuciones\">No se encontraron registros de validación";
    out += options.from || options.to ? " en el período indicado" : "";
    out += ".</p>\n";
  } else {
    const Chart chart = ChartOf(report);
    out += "<section id=\"grafico\">\n<h2>Diálogos respondidos " + chart.grouping + "</h2>\n";
    out += ChartSvg(chart);
    out += "\n</section>\n";
  }

  // What a person still answers: the next answers worth teaching.
  if (!report.manual.empty()) {
    const std::size_t shown = std::min<std::size_t>(report.manual.size(), 25);
    out += "<section id=\"manuales\">\n<h2>Lo que todavía responde una persona</h2>\n";
    out += "<p class=\"note\">Los mensajes y las preguntas que el robot no conocía y respondió una "
           "persona, los más frecuentes primero: enseñárselos al robot ahorra más tiempo. ";
    out += report.manual.size() > shown
               ? "Se muestran " + SpanishInteger(shown) + " de " + SpanishInteger(report.manual.size()) + "."
               : Plural(report.manual.size(), "texto distinto.", "textos distintos.");
    out += "</p>\n<table>\n<thead><tr><th class=\"n\">#</th><th>Tipo</th><th>Mensaje o pregunta</th>"
           "<th class=\"n\">Veces</th><th>Ejecuciones</th><th>Respuestas dadas</th></tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < shown; ++i) {
      const ManualDialog& m = report.manual[i];
      out += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td><td>" +
             (m.message ? "Mensaje" : "Pregunta") + "</td><td class=\"text\">" + Html(m.content) +
             "</td><td class=\"n\">" + SpanishInteger(m.count) + "</td><td>";
      const std::size_t runs_shown = std::min<std::size_t>(m.runs.size(), 4);
      for (std::size_t r = 0; r < runs_shown; ++r) {
        if (r != 0) out += "<br>";
        out += "<span class=\"when\">" + RunLabel(report.runs[m.runs[r]].name.start) + "</span>";
      }
      if (m.runs.size() > runs_shown) {
        out += "<br>y " + Plural(m.runs.size() - runs_shown, "más", "más");
      }
      out += "</td><td>";
      std::vector<std::pair<Text, std::size_t>> answers(m.answers.begin(), m.answers.end());
      std::stable_sort(answers.begin(), answers.end(),
                       [](const auto& a, const auto& b) { return a.second > b.second; });
      for (std::size_t a = 0; a < answers.size() && a < 3; ++a) {
        if (a != 0) out += "<br>";
        out += Html(answers[a].first) + " (" + SpanishInteger(answers[a].second) + ")";
      }
      if (answers.size() > 3) out += "<br>y otras " + SpanishInteger(answers.size() - 3);
      out += "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n</section>\n";
  }

  if (!report.profiles.empty()) {
    out += "<section id=\"perfiles\">\n<h2>Por perfil</h2>\n<table>\n<thead><tr><th>Perfil</th>"
           "<th class=\"n\">Ejecuciones</th><th class=\"n\">Diálogos</th><th class=\"n\">Automáticos</th>"
           "<th class=\"n\">Respondidos por el robot</th></tr></thead>\n<tbody>\n";
    for (const ProfileFigures& p : report.profiles) {
      out += "<tr><td>" + Html(p.name) + "</td><td class=\"n\">" + SpanishInteger(p.runs) +
             "</td><td class=\"n\">" + SpanishInteger(p.dialogs) + "</td><td class=\"n\">" +
             SpanishInteger(p.automatic) + "</td><td class=\"n\">" + SpanishPercent(p.automatic, p.dialogs) +
             "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n</section>\n";
  }

  out += "<section id=\"ahorro\">\n<h2>Tiempo ahorrado (estimación)</h2>\n<p>";
  out += Plural(report.automatic, "respuesta automática", "respuestas automáticas") + " × " + seconds_text +
         " s = <b id=\"ahorro-total\">" + DurationText(saved_seconds) + "</b> que una persona no tuvo que "
         "dedicar a responder.</p>\n";
  out += "<p class=\"note\">Es una estimación: supone que una persona tarda " + seconds_text +
         " segundos en leer y responder cada diálogo que el robot respondió solo (se cambia con "
         "<code>--segundos</code>). No cuenta el tiempo de las respuestas que dio una persona.</p>\n"
         "</section>\n";

  if (!report.runs.empty()) {
    out += "<section id=\"ejecuciones\">\n<h2>Por ejecución</h2>\n<table>\n<thead><tr><th>Fecha</th>"
           "<th>Hora</th><th>Perfil</th><th class=\"n\">Ítems</th><th class=\"n\">Diálogos</th>"
           "<th class=\"n\">Automáticos</th><th class=\"n\">Manuales</th>"
           "<th class=\"n\">Por el robot</th><th>Cierre</th><th>Archivo</th></tr></thead>\n"
           "<tbody>\n";
    for (const ReportRun& r : report.runs) {
      const bool damaged = r.run.truncated || r.run.unreadable_lines != 0;
      out += "<tr><td>" + DateText(DayOf(r.name.start)) + "</td><td>" + TimeText(r.name.start) +
             "</td><td>" + ProfilesText(r.run) + "</td><td class=\"n\">" + SpanishInteger(r.run.items) +
             "</td><td class=\"n\">" + SpanishInteger(r.run.dialogs) + "</td><td class=\"n\">" +
             SpanishInteger(r.run.automatic) + "</td><td class=\"n\">" +
             SpanishInteger(r.run.dialogs - r.run.automatic) + "</td><td class=\"n\">" +
             SpanishPercent(r.run.automatic, r.run.dialogs) + "</td><td" +
             (damaged ? " class=\"bad\"" : "") + ">" + EndText(r.run) + "</td><td class=\"file\">" + Html(r.file_name) +
             "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n<p class=\"note\">Ítems: los ítems de la declaración en los que "
           "apareció algún diálogo. Una pregunta registrada dos veces para el mismo ítem (una "
           "respuesta guardada que el programa rechazó y que luego dio una persona) cuenta una vez, "
           "con la última respuesta, como en los informes del robot al terminar.</p>\n</section>\n";
  }

  if (!report.skipped.empty()) {
    out += "<section id=\"no-leidos\">\n<h2>Archivos no leídos</h2>\n<table>\n<thead><tr><th>Carpeta</th>"
           "<th>Archivo</th><th>Motivo</th></tr></thead>\n<tbody>\n";
    for (const SkippedFile& s : report.skipped) {
      out += "<tr><td>" + Html(s.folder) + "</td><td>" + Html(s.file_name) + "</td><td>" + Html(s.reason) +
             "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n</section>\n";
  }
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace korvex::kvxtool
