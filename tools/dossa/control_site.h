// The site through which Dossa.exe's forms hold an ActiveX control (also
// used by the tests that place the tariff control in a window).
#pragma once

#include <windows.h>

#include <ole2.h>

#include "tarifex/win32/com_support.h"

namespace korvex::dossa {

// The site of an ActiveX control on one of the host's forms: its client
// site, in-place site and (trivial) frame.  The forms have no menus,
// toolbars or status bar to share.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          private com::ObjectBase<ControlSite> {
 public:
  // A new site (one reference) for a control placed at place in form.
  static ControlSite* New(HWND form, const RECT& place) { return new ControlSite(form, place); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return com::QueryTable(iid, out,
                           {{IID_IOleClientSite, static_cast<IOleClientSite*>(this)},
                            {IID_IOleWindow, static_cast<IOleInPlaceSite*>(this)},
                            {IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(this)},
                            {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(this)},
                            {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(this)}});
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = m_form;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr) {
      return E_POINTER;
    }
    AddRef();
    *frame = this;
    *document = nullptr;
    *position = m_place;
    *clip = m_place;
    if (info != nullptr) {
      info->fMDIApp = FALSE;
      info->hwndFrame = m_form;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  friend com::ObjectBase<ControlSite>;
  ControlSite(HWND form, const RECT& place) : m_form(form), m_place(place) {}
  ~ControlSite() = default;

  HWND m_form;
  RECT m_place;
};

}  // namespace korvex::dossa
