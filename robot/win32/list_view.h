// The few list-view operations the robot's dialogs share: columns from the
// portable column tables, rows of texts with their item data, check boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "robot/journal/report_rows.h"

namespace korvex::win32 {

// Adds the columns, in order.
void AddListColumns(HWND list, const std::vector<ReportColumn>& columns);
// Appends a row: its cells, column by column, and its item data; the row's
// index.
int AppendListRow(HWND list, const std::vector<std::wstring>& cells, LPARAM data);
// The item data of a row.
LPARAM ListRowData(HWND list, int row);
int ListRowCount(HWND list);
bool IsListRowChecked(HWND list, int row);
void CheckListRow(HWND list, int row, bool checked);

}  // namespace korvex::win32
