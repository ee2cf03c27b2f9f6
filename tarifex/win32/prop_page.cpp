#include "tarifex/win32/prop_page.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32/dialog_template.h"

namespace korvex::tarifex {

namespace {

using com::Bstr;
using com::ComPtr;
using com::Guard;
using win32::DialogTemplate;

constexpr int kHostId = 101;
constexpr int kPortId = 102;
constexpr int kPathDebugId = 103;
constexpr int kLangId = 104;
constexpr int kDebugId = 105;
constexpr int kNoneOfferedId = 106;
constexpr int kTextIds[] = {kHostId, kPortId, kPathDebugId, kLangId};

// Width and height of the page in dialog units.
constexpr short kWidth = 250;
constexpr short kHeight = 110;

DialogTemplate PageTemplate() {
  constexpr DWORD kStyle = WS_CHILD | DS_CONTROL | DS_SETFONT;
  constexpr DWORD kCheckBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
  return DialogTemplate(u"", {0, 0, kWidth, kHeight}, kStyle)
      .Static(u"Servidor del motor:", {7, 9, 80, 10})
      .Edit(kHostId, {90, 7, 153, 13})
      .Static(u"Puerto:", {7, 26, 80, 10})
      .Edit(kPortId, {90, 24, 153, 13})
      .Static(u"Carpeta de trazas:", {7, 43, 80, 10})
      .Edit(kPathDebugId, {90, 41, 153, 13})
      .Static(u"Idioma (1: francés):", {7, 60, 80, 10})
      .Edit(kLangId, {90, 58, 40, 13}, {}, ES_NUMBER)
      .Add({win32::ControlAtom::Button, u"Depuración", kDebugId, kCheckBox, {7, 78, 236, 10}})
      .Add({win32::ControlAtom::Button, u"Ofrecer \"No seleccionar ninguna\"", kNoneOfferedId,
            kCheckBox, {7, 92, 236, 10}});
}

std::wstring FieldText(HWND dialog, int id) {
  const HWND field = ::GetDlgItem(dialog, id);
  const int length = ::GetWindowTextLengthW(field);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), length + 1)));
  return text;
}

}  // namespace

HRESULT CTarifexPropPage::Create(REFIID iid, void** out) {
  return Guard([&] { return com::CreateObject<CTarifexPropPage>(iid, out); });
}

CTarifexPropPage::~CTarifexPropPage() {
  if (m_dialog != nullptr) ::DestroyWindow(m_dialog);
}

STDMETHODIMP CTarifexPropPage::QueryInterface(REFIID iid, void** out) {
  return com::QueryTable(iid, out, {{IID_IPropertyPage, static_cast<IPropertyPage*>(this)}});
}

STDMETHODIMP CTarifexPropPage::SetPageSite(IPropertyPageSite* site) {
  m_site = ComPtr<IPropertyPageSite>(site);
  return S_OK;
}

STDMETHODIMP CTarifexPropPage::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (rect == nullptr) return E_POINTER;
  if (m_dialog != nullptr) return E_UNEXPECTED;
  return Guard([&]() -> HRESULT {
    const std::vector<DWORD> memory = PageTemplate().Build();
    m_dialog = ::CreateDialogIndirectParamW(com::ThisModule(), win32::AsTemplate(memory), parent,
                                            DialogProc, reinterpret_cast<LPARAM>(this));
    if (m_dialog == nullptr) return HRESULT_FROM_WIN32(::GetLastError());
    ShowValues();
    Move(rect);
    return S_OK;
  });
}

STDMETHODIMP CTarifexPropPage::Deactivate() {
  if (m_dialog != nullptr) ::DestroyWindow(m_dialog);
  m_dialog = nullptr;
  return S_OK;
}

STDMETHODIMP CTarifexPropPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  static constexpr wchar_t kTitle[] = L"General";
  info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof kTitle));
  if (info->pszTitle == nullptr) return E_OUTOFMEMORY;
  std::memcpy(info->pszTitle, kTitle, sizeof kTitle);
  // Dialog units to pixels at the usual base of 6 x 13 pixels.
  const LONG base = ::GetDialogBaseUnits();
  info->size = {kWidth * LOWORD(base) / 4, kHeight * HIWORD(base) / 8};
  info->pszDocString = nullptr;
  info->pszHelpFile = nullptr;
  info->dwHelpContext = 0;
  return S_OK;
}

STDMETHODIMP CTarifexPropPage::SetObjects(ULONG count, IUnknown** objects) {
  return Guard([&]() -> HRESULT {
    std::vector<ComPtr<ITarifexCtrl>> controls;
    for (ULONG i = 0; i < count; ++i) {
      ComPtr<ITarifexCtrl> control;
      if (objects != nullptr && objects[i] != nullptr &&
          SUCCEEDED(objects[i]->QueryInterface(IID_ITarifexCtrl, control.put_void()))) {
        controls.push_back(std::move(control));
      }
    }
    m_controls = std::move(controls);
    ShowValues();
    return S_OK;
  });
}

STDMETHODIMP CTarifexPropPage::Show(UINT command) {
  if (m_dialog != nullptr) ::ShowWindow(m_dialog, static_cast<int>(command));
  return S_OK;
}

STDMETHODIMP CTarifexPropPage::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (m_dialog != nullptr) {
    ::MoveWindow(m_dialog, rect->left, rect->top, rect->right - rect->left,
                 rect->bottom - rect->top, TRUE);
  }
  return S_OK;
}

STDMETHODIMP CTarifexPropPage::IsPageDirty() { return m_dirty ? S_OK : S_FALSE; }

STDMETHODIMP CTarifexPropPage::Apply() {
  if (!m_dirty || m_dialog == nullptr) return S_OK;
  return Guard([&]() -> HRESULT {
    const Bstr host(FieldText(m_dialog, kHostId));
    const Bstr port(FieldText(m_dialog, kPortId));
    const Bstr path(FieldText(m_dialog, kPathDebugId));
    const auto lang = static_cast<short>(::GetDlgItemInt(m_dialog, kLangId, nullptr, TRUE));
    const VARIANT_BOOL debug =
        ::IsDlgButtonChecked(m_dialog, kDebugId) == BST_CHECKED ? VARIANT_TRUE : VARIANT_FALSE;
    const VARIANT_BOOL none = ::IsDlgButtonChecked(m_dialog, kNoneOfferedId) == BST_CHECKED
                                  ? VARIANT_TRUE
                                  : VARIANT_FALSE;
    for (const ComPtr<ITarifexCtrl>& control : m_controls) {
      HRESULT hr = control->put_Host(host.get());
      if (SUCCEEDED(hr)) hr = control->put_Port(port.get());
      if (SUCCEEDED(hr)) hr = control->put_PathDebug(path.get());
      if (SUCCEEDED(hr)) hr = control->put_Lang(lang);
      if (SUCCEEDED(hr)) hr = control->put_Debug(debug);
      if (SUCCEEDED(hr)) hr = control->put_BtnNoSeleccionar(none);
      if (FAILED(hr)) return hr;
    }
    m_dirty = false;
    if (m_site) m_site->OnStatusChange(PROPPAGESTATUS_CLEAN);
    return S_OK;
  });
}

STDMETHODIMP CTarifexPropPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP CTarifexPropPage::TranslateAccelerator(MSG* message) {
  if (message == nullptr) return E_POINTER;
  return m_dialog != nullptr && ::IsDialogMessageW(m_dialog, message) ? S_OK : S_FALSE;
}

// The first control's values fill the fields.
void CTarifexPropPage::ShowValues() {
  if (m_dialog == nullptr || m_controls.empty()) return;
  m_filling = true;
  ITarifexCtrl* control = m_controls.front().get();
  const std::pair<int, HRESULT (STDMETHODCALLTYPE ITarifexCtrl::*)(BSTR*)> texts[] = {
      {kHostId, &ITarifexCtrl::get_Host},
      {kPortId, &ITarifexCtrl::get_Port},
      {kPathDebugId, &ITarifexCtrl::get_PathDebug}};
  for (const auto& [id, get] : texts) {
    Bstr text;
    if (SUCCEEDED((control->*get)(text.put()))) {
      ::SetDlgItemTextW(m_dialog, id, std::wstring(text.view()).c_str());
    }
  }
  short lang = 0;
  if (SUCCEEDED(control->get_Lang(&lang))) ::SetDlgItemInt(m_dialog, kLangId, lang, TRUE);
  VARIANT_BOOL flag = VARIANT_FALSE;
  if (SUCCEEDED(control->get_Debug(&flag))) {
    ::CheckDlgButton(m_dialog, kDebugId, flag ? BST_CHECKED : BST_UNCHECKED);
  }
  if (SUCCEEDED(control->get_BtnNoSeleccionar(&flag))) {
    ::CheckDlgButton(m_dialog, kNoneOfferedId, flag ? BST_CHECKED : BST_UNCHECKED);
  }
  m_filling = false;
  m_dirty = false;
}

void CTarifexPropPage::SetDirty() {
  if (m_filling || m_dirty) return;
  m_dirty = true;
  if (m_site) m_site->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

INT_PTR CALLBACK CTarifexPropPage::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return FALSE;
  }
  auto* page = reinterpret_cast<CTarifexPropPage*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (page == nullptr || message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wparam);
  const int code = HIWORD(wparam);
  const bool text_changed =
      code == EN_CHANGE && std::find(std::begin(kTextIds), std::end(kTextIds), id) != std::end(kTextIds);
  const bool box_clicked = code == BN_CLICKED && (id == kDebugId || id == kNoneOfferedId);
  if (text_changed || box_clicked) page->SetDirty();
  return FALSE;
}

}  // namespace korvex::tarifex
