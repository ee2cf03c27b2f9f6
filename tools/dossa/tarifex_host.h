// Dossa.exe as the tariff control's host: the "control" step places
// "TARIFEX.TarifexCtrl.1" on the validation form, active in place, the way a
// form designer's runtime does (client site first, new properties, in-place
// activation), and an item's "tarifex" line runs it: the data cleared, new
// data components from the host's component server with the script's
// variables, the benefit codes added, ExecTarifex with the validation
// window, and the outcome reported with MsgError and the result collections.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include "tarifex/win32/com_support.h"
#include "tarifex/win32/tarifex_h.h"
#include "tools/dossa/control_site.h"
#include "tools/dossa/script.h"

namespace korvex::dossa {

inline constexpr wchar_t kControlProgId[] = L"TARIFEX.TarifexCtrl.1";

class TarifexHost {
 public:
  TarifexHost();
  ~TarifexHost();
  TarifexHost(const TarifexHost&) = delete;
  TarifexHost& operator=(const TarifexHost&) = delete;

  // Places the control on the form (replacing one placed before) and sets
  // the settings given; reports "control created" or an error of the line.
  bool Create(HWND form, const ControlSettings& settings, int line);
  // Deactivates, closes and releases the control (its form is closing).
  void Destroy();
  bool created() const { return static_cast<bool>(m_control); }

  // The item's run of the control over the form; reports it.
  void Run(const Item& item, int index, const Dialog& plan, HWND form);

 private:
  com::ComPtr<ITarifexCtrl> m_control;
  com::ComPtr<IOleObject> m_object;
  ControlSite* m_site = nullptr;  // a COM object: one reference held
};

}  // namespace korvex::dossa
