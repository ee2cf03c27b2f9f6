#include "robot/win32/report_dialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/win32/wide_text.h"
#include "robot/journal/vti_actions.h"
#include "robot/win32/list_view.h"
#include "robot/win32/resource.h"

namespace korvex::win32 {

// --- CLockingDialog ----------------------------------------------------------------------

INT_PTR CLockingDialog::Run() {
  if (::FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(m_templateId), RT_DIALOG) == nullptr) {
    return kNotCreated;
  }
  // A hung host is left alone: disabling its window would wait for it.
  const bool lock = m_lock != nullptr && ::IsWindow(m_lock) && !::IsHungAppWindow(m_lock);
  const DisablerMark mark(lock ? m_lock : nullptr);
  if (lock) ::EnableWindow(m_lock, FALSE);
  const INT_PTR result = RunOwnLoop(nullptr, [](HWND dialog) {
    ::SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  });
  if (lock && ::IsWindow(m_lock)) {
    ::EnableWindow(m_lock, TRUE);
    ::SetForegroundWindow(m_lock);
  }
  return result;
}

// --- the reports -------------------------------------------------------------------------------

CReportDialog::CReportDialog(Kind kind, const CVTIActions& journal, HWND lock)
    : CLockingDialog(kind == Kind::Messages ? IDD_MESSAGES_REPORT : IDD_ACTIONS_REPORT, lock),
      m_kind(kind),
      m_columns(kind == Kind::Messages ? MessageReportColumns() : ActionReportColumns()),
      m_rows(kind == Kind::Messages ? MessageReportRows(journal) : ActionReportRows(journal)),
      m_logName(journal.GetLogName().empty() ? std::wstring() : ToWide(journal.GetLogName())),
      m_logPath(ToWide(journal.GetLogPath())),
      m_link(ToWide(ReportLogName(journal))) {}

bool CReportDialog::OnInitDialog() {
  const HWND list = Item(IDC_REPORT_LIST);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  ::SendMessageW(list, LVM_SETHOVERTIME, 0, 0);
  AddListColumns(list, m_columns);
  // The rows come sorted by item, then by text; the item data of each is its
  // index among them.
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    const ReportRow& row = m_rows[i];
    std::vector<std::wstring> cells = {ToWide(row.item_text), ToWide(row.action),
                                       ToWide(row.content)};
    if (m_kind == Kind::Actions) cells.push_back(ToWide(row.answer));
    AppendListRow(list, cells, static_cast<LPARAM>(i));
  }
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::SetDlgItemTextW(hwnd(), IDC_REPORT_LOG, m_link.c_str());
  return true;
}

void CReportDialog::ShowRow(int index) {
  const HWND list = Item(IDC_REPORT_LIST);
  if (index < 0 || index >= ListView_GetItemCount(list)) return;
  const LPARAM data = ListRowData(list, index);
  if (data < 0) return;
  const auto row = static_cast<std::size_t>(data);
  if (row >= m_rows.size()) return;
  if (m_kind == Kind::Messages) {
    ::SetDlgItemTextW(hwnd(), IDC_REPORT_MESSAGE, ToWide(m_rows[row].content).c_str());
  } else {
    ::SetDlgItemTextW(hwnd(), IDC_REPORT_QUESTION, ToWide(m_rows[row].content).c_str());
    ::SetDlgItemTextW(hwnd(), IDC_REPORT_ANSWER, ToWide(m_rows[row].answer).c_str());
  }
}

bool CReportDialog::OnCommand(int id, int code, HWND control) {
  if (id == IDC_REPORT_LOG && code == STN_DBLCLK) {
    if (!m_logName.empty()) {
      // The log opens in the program that shows CSV files; a failure is
      // nobody's business but the user's eyes.
      ::ShellExecuteW(hwnd(), L"open", m_logPath.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    }
    return true;
  }
  return Dialog::OnCommand(id, code, control);  // "&Continuar" and closing end it
}

bool CReportDialog::OnMessage(UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
  if (message != WM_NOTIFY) return false;
  const auto* header = reinterpret_cast<const NMHDR*>(lparam);
  if (header->idFrom != IDC_REPORT_LIST || header->code != NM_CLICK) return false;
  ShowRow(reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem);
  *result = 0;
  return true;
}

}  // namespace korvex::win32
