// The control's property page ("TARIFEX.TarifexPropPage.1"): the persistent
// properties Host, Port, PathDebug, Lang, Debug and BtnNoSeleccionar of the
// controls a host's property frame hands it, edited in a child dialog and
// written back through ITarifexCtrl on Apply.
#pragma once

#include <windows.h>

#include <ocidl.h>

#include <vector>

#include "tarifex/win32/com_support.h"
#include "tarifex/win32/tarifex_h.h"

namespace korvex::tarifex {

class CTarifexPropPage final : public IPropertyPage, private com::ObjectBase<CTarifexPropPage> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR help_dir) override;
  STDMETHODIMP TranslateAccelerator(MSG* message) override;

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID iid, void** out, Args&&... args);
  friend com::ObjectBase<CTarifexPropPage>;
  CTarifexPropPage() = default;
  ~CTarifexPropPage();

  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
  void ShowValues();
  void SetDirty();

  com::ComPtr<IPropertyPageSite> m_site;
  std::vector<com::ComPtr<ITarifexCtrl>> m_controls;
  HWND m_dialog = nullptr;
  bool m_dirty = false;
  bool m_filling = false;  // the page is filling its own fields
};

}  // namespace korvex::tarifex
