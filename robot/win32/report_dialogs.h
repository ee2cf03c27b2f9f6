// The two end-of-run reports, "Mensajes obtenidos para los items de la
// declaración" and "Acciones realizadas sobre los items de la declaración",
// on CLockingDialog: a dialog of the desktop that disables a window of the
// host (the validation window) while it is open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "robot/journal/report_rows.h"
#include "robot/win32/window.h"

namespace korvex {
class CVTIActions;
}

namespace korvex::win32 {

// A dialog run in a loop of its own with the desktop as parent, while the
// window to lock (when it is a window) is disabled; hidden when it ends,
// then the locked window is enabled and brought forward, and the dialog
// destroyed.  Run returns the dialog's end value, or -1 when its template
// is missing or it could not be made.
class CLockingDialog : public Dialog {
 public:
  CLockingDialog(int template_id, HWND lock) : Dialog(template_id), m_templateId(template_id),
                                                m_lock(lock) {}
  INT_PTR Run();

 private:
  int m_templateId;
  HWND m_lock;
};

// The two reports differ only in their columns, rows and detail boxes.
class CReportDialog : public CLockingDialog {
 public:
  enum class Kind { Messages, Actions };
  CReportDialog(Kind kind, const CVTIActions& journal, HWND lock);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void ShowRow(int index);

  Kind m_kind;
  std::vector<ReportColumn> m_columns;
  std::vector<ReportRow> m_rows;
  std::wstring m_logName;  // empty: no log file was made
  std::wstring m_logPath;
  std::wstring m_link;     // the log's name, or string 116
};

class CMessagesReportDlg final : public CReportDialog {
 public:
  CMessagesReportDlg(const CVTIActions& journal, HWND lock)
      : CReportDialog(Kind::Messages, journal, lock) {}
};

class CActionsReportDlg final : public CReportDialog {
 public:
  CActionsReportDlg(const CVTIActions& journal, HWND lock)
      : CReportDialog(Kind::Actions, journal, lock) {}
};

}  // namespace korvex::win32
