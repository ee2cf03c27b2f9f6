#include "robot/journal/report_rows.h"

#include <algorithm>
#include <cstdio>

#include "robot/common/robot_strings.h"
#include "robot/journal/vti_actions.h"

namespace korvex {

namespace {

ReportRow RowOf(const CVTIAction& action) {
  char number[8];
  std::snprintf(number, sizeof number, "%04d", static_cast<int>(action.m_item));
  return ReportRow{action.m_item, FromUtf8(number),
                   LoadRobotString(action.m_automatic != 0 ? str::kAutomatic : str::kManual),
                   action.m_content, action.m_answer};
}

void SortRows(std::vector<ReportRow>& rows) {
  // std::u16string compares code unit by code unit.
  std::stable_sort(rows.begin(), rows.end(), [](const ReportRow& a, const ReportRow& b) {
    if (a.item != b.item) return a.item < b.item;
    return a.content < b.content;
  });
}

}  // namespace

const std::vector<ReportColumn>& MessageReportColumns() {
  static const std::vector<ReportColumn> columns = {
      {u"Ítem", 50, true}, {u"Acción", 80, false}, {u"Mensaje", 600, false}};
  return columns;
}

const std::vector<ReportColumn>& ActionReportColumns() {
  static const std::vector<ReportColumn> columns = {{u"Ítem", 50, true},
                                                    {u"Acción", 80, false},
                                                    {u"Pregunta", 300, false},
                                                    {u"Respuesta", 200, false}};
  return columns;
}

std::vector<ReportRow> MessageReportRows(const CVTIActions& journal) {
  std::vector<ReportRow> rows;
  for (const auto& [item, records] : journal.Messages()) {
    for (const CVTIAction& action : records) rows.push_back(RowOf(action));
  }
  SortRows(rows);
  return rows;
}

std::vector<ReportRow> ActionReportRows(const CVTIActions& journal) {
  std::vector<ReportRow> rows;
  for (const auto& [item, records] : journal.Questions()) {
    for (const auto& [question, action] : records) rows.push_back(RowOf(action));
  }
  SortRows(rows);
  return rows;
}

Text ReportLogName(const CVTIActions& journal) {
  return journal.GetLogName().empty() ? LoadRobotString(str::kNoLogFile) : journal.GetLogName();
}

}  // namespace korvex
