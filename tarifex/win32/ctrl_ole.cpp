// CTarifexCtrl as an embedded object: its site, in-place activation in the
// host's window, its face on screen and in IViewObject2::Draw, its class
// information, event source and property page.
#include "tarifex/win32/tarifex_ctrl.h"

#include <mutex>

namespace korvex::tarifex {

namespace {

using com::ComPtr;
using com::Guard;

constexpr wchar_t kWindowClass[] = L"KorvexTarifexCtrl";
constexpr wchar_t kName[] = L"TARIFEX";

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    RECT client;
    ::GetClientRect(window, &client);
    CTarifexCtrl::Paint(dc, client);
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

// The window class lives as long as the module; registered on first use.
bool RegisterWindowClass() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = com::ThisModule();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    registered = ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

}  // namespace

void CTarifexCtrl::Paint(HDC dc, const RECT& bounds) {
  ::FillRect(dc, &bounds, ::GetSysColorBrush(COLOR_BTNFACE));
  RECT frame = bounds;
  ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF color = ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ font = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
  RECT text = bounds;
  ::DrawTextW(dc, kName, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectObject(dc, font);
  ::SetTextColor(dc, color);
  ::SetBkMode(dc, mode);
}

HWND CTarifexCtrl::CreateControlWindow(HWND parent, const RECT& position) {
  if (!RegisterWindowClass()) return nullptr;
  return ::CreateWindowExW(0, kWindowClass, kName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                           position.left, position.top, position.right - position.left,
                           position.bottom - position.top, parent, nullptr, com::ThisModule(),
                           nullptr);
}

HRESULT CTarifexCtrl::ActivateInPlace(bool ui_active) {
  if (!m_site) return E_UNEXPECTED;
  if (!m_inPlaceSite) {
    ComPtr<IOleInPlaceSite> site = m_site.As<IOleInPlaceSite>();
    if (!site) return E_NOINTERFACE;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    HRESULT hr = site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    HWND parent = nullptr;
    hr = site->GetWindow(&parent);
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    if (SUCCEEDED(hr)) {
      hr = site->GetWindowContext(frame.put(), document.put(), &position, &clip, &info);
    }
    if (SUCCEEDED(hr)) {
      m_window = CreateControlWindow(parent, position);
      if (m_window == nullptr) hr = HRESULT_FROM_WIN32(::GetLastError());
    }
    if (FAILED(hr)) {
      site->OnInPlaceDeactivate();
      return hr;
    }
    m_inPlaceSite = std::move(site);
    m_frame = std::move(frame);
    m_document = std::move(document);
  }
  ::ShowWindow(m_window, SW_SHOW);
  if (ui_active && !m_uiActive) {
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
    if (m_frame) m_frame->SetActiveObject(this, kName);
    if (m_document) m_document->SetActiveObject(this, kName);
    if (m_frame) m_frame->SetBorderSpace(nullptr);
    ::SetFocus(m_window);
  }
  return S_OK;
}

// --- IOleObject ------------------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::SetClientSite(IOleClientSite* site) {
  // A control taken off its site stops being active in the site's window.
  if (site != m_site.get()) InPlaceDeactivate();
  m_site = ComPtr<IOleClientSite>(site);
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = m_site.copy();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP CTarifexCtrl::Close(DWORD save_option) {
  ComPtr<ITarifexCtrl> alive(this);
  InPlaceDeactivate();
  if (m_site && m_dirty &&
      (save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE)) {
    m_site->SaveObject();
  }
  if (m_adviseHolder) m_adviseHolder->SendOnClose();
  m_events.DisconnectAll();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP CTarifexCtrl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP CTarifexCtrl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CTarifexCtrl::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CTarifexCtrl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND,
                                  LPCRECT position) {
  return Guard([&]() -> HRESULT {
    if (site != nullptr && !m_site) SetClientSite(site);
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE: {
        const HRESULT hr = ActivateInPlace(false);
        if (SUCCEEDED(hr) && position != nullptr) SetObjectRects(position, position);
        return hr;
      }
      case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(true);
      case OLEIVERB_HIDE:
        if (m_window != nullptr) ::ShowWindow(m_window, SW_HIDE);
        return S_OK;
      case OLEIVERB_PROPERTIES: {
        IUnknown* self = static_cast<IOleObject*>(this);
        CLSID page = CLSID_TarifexPropPage;
        return ::OleCreatePropertyFrame(Owner(), 0, 0, L"TARIFEX", 1, &self, 1, &page,
                                        LOCALE_USER_DEFAULT, 0, nullptr);
      }
      default:
        return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
  });
}

STDMETHODIMP CTarifexCtrl::EnumVerbs(IEnumOLEVERB** verbs) {
  return ::OleRegEnumVerbs(CLSID_TarifexCtrl, verbs);
}

STDMETHODIMP CTarifexCtrl::Update() { return S_OK; }
STDMETHODIMP CTarifexCtrl::IsUpToDate() { return S_OK; }

STDMETHODIMP CTarifexCtrl::GetUserClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_TarifexCtrl;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetUserType(DWORD form, LPOLESTR* user_type) {
  return ::OleRegGetUserType(CLSID_TarifexCtrl, form, user_type);
}

STDMETHODIMP CTarifexCtrl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size == nullptr) return E_POINTER;
  if (size->cx != m_extent.cx || size->cy != m_extent.cy) {
    m_extent = *size;
    m_dirty = true;
  }
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (size == nullptr) return E_POINTER;
  *size = m_extent;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!m_adviseHolder) {
    const HRESULT hr = ::CreateOleAdviseHolder(m_adviseHolder.put());
    if (FAILED(hr)) return hr;
  }
  return m_adviseHolder->Advise(sink, connection);
}

STDMETHODIMP CTarifexCtrl::Unadvise(DWORD connection) {
  return m_adviseHolder ? m_adviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CTarifexCtrl::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  return m_adviseHolder ? m_adviseHolder->EnumAdvise(advises) : S_OK;
}

STDMETHODIMP CTarifexCtrl::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleInPlaceObject and IOleInPlaceActiveObject ----------------------------------------------

STDMETHODIMP CTarifexCtrl::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = m_window;
  return m_window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP CTarifexCtrl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CTarifexCtrl::InPlaceDeactivate() {
  if (!m_inPlaceSite) return S_OK;
  UIDeactivate();
  if (m_window != nullptr) {
    ::DestroyWindow(m_window);
    m_window = nullptr;
  }
  ComPtr<IOleInPlaceSite> site = std::move(m_inPlaceSite);
  m_frame.reset();
  m_document.reset();
  site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::UIDeactivate() {
  if (!m_uiActive) return S_OK;
  m_uiActive = false;
  if (m_frame) m_frame->SetActiveObject(nullptr, nullptr);
  if (m_document) m_document->SetActiveObject(nullptr, nullptr);
  if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (m_window != nullptr) {
    ::MoveWindow(m_window, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
  }
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }
STDMETHODIMP CTarifexCtrl::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP CTarifexCtrl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP CTarifexCtrl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP CTarifexCtrl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP CTarifexCtrl::EnableModeless(BOOL) { return S_OK; }

// --- IOleControl --------------------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  if (info->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
  info->hAccel = nullptr;  // no mnemonics
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP CTarifexCtrl::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP CTarifexCtrl::FreezeEvents(BOOL) { return S_OK; }

// --- IViewObject2 -------------------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (dc == nullptr) return E_INVALIDARG;
  RECT area{};
  if (bounds != nullptr) {
    area = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  } else if (m_window != nullptr) {
    ::GetClientRect(m_window, &area);
  } else {
    return E_INVALIDARG;
  }
  Paint(dc, area);
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                       LOGPALETTE** colors) {
  if (colors != nullptr) *colors = nullptr;
  return S_FALSE;  // the system colours only
}

STDMETHODIMP CTarifexCtrl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP CTarifexCtrl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP CTarifexCtrl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  m_viewSink = ComPtr<IAdviseSink>(sink);
  m_viewAspects = aspects;
  m_viewFlags = flags;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects != nullptr) *aspects = m_viewAspects;
  if (flags != nullptr) *flags = m_viewFlags;
  if (sink != nullptr) *sink = m_viewSink.copy();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- class information, events, property page --------------------------------------------------

STDMETHODIMP CTarifexCtrl::GetClassInfo(ITypeInfo** info) {
  return com::ModuleTypeInfo(CLSID_TarifexCtrl, info);
}

STDMETHODIMP CTarifexCtrl::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID__DTarifexCtrlEvents;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  return Guard([&] {
    std::vector<IConnectionPoint*> list{&m_events};
    return com::CreateObject<com::ConnectionPointEnumerator>(
        IID_IEnumConnectionPoints, reinterpret_cast<void**>(points), list);
  });
}

STDMETHODIMP CTarifexCtrl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (!::IsEqualIID(iid, DIID__DTarifexCtrlEvents)) return CONNECT_E_NOCONNECTION;
  m_events.AddRef();
  *point = &m_events;
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::GetPages(CAUUID* pages) {
  if (pages == nullptr) return E_POINTER;
  pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
  if (pages->pElems == nullptr) {
    pages->cElems = 0;
    return E_OUTOFMEMORY;
  }
  pages->cElems = 1;
  pages->pElems[0] = CLSID_TarifexPropPage;
  return S_OK;
}

}  // namespace korvex::tarifex
