#include "robot/win32/list_view.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace korvex::win32 {

void AddListColumns(HWND list, const std::vector<ReportColumn>& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    std::wstring title = ToWide(columns[i].title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = columns[i].centred ? LVCFMT_CENTER : LVCFMT_LEFT;
    column.cx = columns[i].width;
    column.pszText = title.data();
    ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

int AppendListRow(HWND list, const std::vector<std::wstring>& cells, LPARAM data) {
  std::wstring first = cells.empty() ? std::wstring() : cells[0];
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = ListRowCount(list);
  item.pszText = first.data();
  item.lParam = data;
  const auto row = static_cast<int>(
      ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return row;
  for (std::size_t c = 1; c < cells.size(); ++c) {
    std::wstring text = cells[c];
    LVITEMW cell{};
    cell.iSubItem = static_cast<int>(c);
    cell.pszText = text.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

LPARAM ListRowData(HWND list, int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return ::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : -1;
}

int ListRowCount(HWND list) {
  return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

bool IsListRowChecked(HWND list, int row) { return ListView_GetCheckState(list, row) != FALSE; }

void CheckListRow(HWND list, int row, bool checked) {
  ListView_SetCheckState(list, row, checked ? TRUE : FALSE);
}

}  // namespace korvex::win32
