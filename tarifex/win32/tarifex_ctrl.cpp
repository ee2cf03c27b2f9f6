// CTarifexCtrl: creation, interfaces and the dispatch interface's members.
// The OLE embedding is in ctrl_ole.cpp, the persistence in ctrl_persist.cpp.
#include "tarifex/win32/tarifex_ctrl.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "tarifex/ansi.h"

namespace korvex::tarifex {

namespace {

using com::Bstr;
using com::ComPtr;
using com::Guard;

// The engine library beside the control when it is there; otherwise the
// system's search for it (the host's folder, the system folders, the path).
std::wstring EngineLibrary() {
  std::wstring path = com::ThisModulePath();
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    path.resize(slash + 1);
    path += kEngineLibrary;
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  return kEngineLibrary;
}

std::string Ansi(BSTR text) { return ToAnsi(win32::FromWide(Bstr::View(text))); }

HRESULT ReturnAnsi(const std::string& text, BSTR* out) {
  return com::ReturnString(win32::ToWide(FromAnsi(text)), out);
}

// A method called while it may not be (a run started from within a run).
constexpr HRESULT kIllegalMethodCall = static_cast<HRESULT>(0x8000000EL);  // E_ILLEGAL_METHOD_CALL

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// The box shown when a data component is set to an object that is not a
// variable collection.
const char* RefusedComponentText(TarifexControl::Data which) {
  switch (which) {
    case TarifexControl::Data::Art: return "Objeto ART no definido IVars";
    case TarifexControl::Data::InfCom: return "Objeto COM no definido IVars";
    case TarifexControl::Data::Gen: return "Objeto GEN no definido IVars";
    case TarifexControl::Data::Suf: return "Objeto SUF no definido IVars";
    case TarifexControl::Data::MDes: return "Objeto MARCA no definido IVars";
  }
  return "";
}

}  // namespace

// --- life -------------------------------------------------------------------------------------

CTarifexCtrl::CTarifexCtrl()
    : m_engine(EngineLibrary()),
      m_ui(com::ThisModule()),
      m_events(static_cast<IConnectionPointContainer&>(*this), DIID__DTarifexCtrlEvents) {
  ResetProperties();
}

CTarifexCtrl::~CTarifexCtrl() {
  if (m_window != nullptr) ::DestroyWindow(m_window);
}

HRESULT CTarifexCtrl::Create(REFIID iid, void** out) {
  return Guard([&] { return com::CreateObject<CTarifexCtrl>(iid, out); });
}

STDMETHODIMP CTarifexCtrl::QueryInterface(REFIID iid, void** out) {
  return com::QueryTable(
      iid, out,
      {{IID_ITarifexCtrl, static_cast<ITarifexCtrl*>(this)},
       {IID_IDispatch, static_cast<ITarifexCtrl*>(this)},
       {IID_IOleObject, static_cast<IOleObject*>(this)},
       {IID_IOleWindow, static_cast<IOleInPlaceObject*>(this)},
       {IID_IOleInPlaceObject, static_cast<IOleInPlaceObject*>(this)},
       {IID_IOleInPlaceActiveObject, static_cast<IOleInPlaceActiveObject*>(this)},
       {IID_IOleControl, static_cast<IOleControl*>(this)},
       {IID_IViewObject, static_cast<IViewObject2*>(this)},
       {IID_IViewObject2, static_cast<IViewObject2*>(this)},
       {IID_IPersist, static_cast<IPersistStreamInit*>(this)},
       {IID_IPersistStreamInit, static_cast<IPersistStreamInit*>(this)},
       {IID_IPersistPropertyBag, static_cast<IPersistPropertyBag*>(this)},
       {IID_IPersistStorage, static_cast<IPersistStorage*>(this)},
       {IID_IProvideClassInfo, static_cast<IProvideClassInfo2*>(this)},
       {IID_IProvideClassInfo2, static_cast<IProvideClassInfo2*>(this)},
       {IID_IConnectionPointContainer, static_cast<IConnectionPointContainer*>(this)},
       {IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages*>(this)}});
}

HWND CTarifexCtrl::Owner() const {
  if (m_hostWindow != nullptr && ::IsWindow(m_hostWindow)) return m_hostWindow;
  if (m_window != nullptr) return ::GetParent(m_window);
  return nullptr;
}

void CTarifexCtrl::PropertyChanged() {
  m_dirty = true;
  if (m_window != nullptr) ::InvalidateRect(m_window, nullptr, TRUE);
}

void CTarifexCtrl::ResetProperties() {
  m_control.Properties() = ControlProperties{};
  m_control.RestoreMsgError({});
  // 2 x 1 cm.
  m_extent = {2000, 1000};
  m_dirty = false;
}

// --- properties -------------------------------------------------------------------------------

HRESULT CTarifexCtrl::SetText(std::string& property, BSTR value) {
  return Guard([&] {
    // What the form could not load again is not taken.
    std::string text = Ansi(value);
    if (text.size() > kLongestPropertyText) return E_INVALIDARG;
    property = std::move(text);
    PropertyChanged();
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::get_Host(BSTR* value) {
  return Guard([&] { return ReturnAnsi(m_control.Properties().host, value); });
}
STDMETHODIMP CTarifexCtrl::put_Host(BSTR value) {
  return SetText(m_control.Properties().host, value);
}

STDMETHODIMP CTarifexCtrl::get_Debug(VARIANT_BOOL* value) {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(m_control.Properties().debug);
  return S_OK;
}
STDMETHODIMP CTarifexCtrl::put_Debug(VARIANT_BOOL value) {
  m_control.Properties().debug = value != VARIANT_FALSE;
  PropertyChanged();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::get_Port(BSTR* value) {
  return Guard([&] { return ReturnAnsi(m_control.Properties().port, value); });
}
STDMETHODIMP CTarifexCtrl::put_Port(BSTR value) {
  return SetText(m_control.Properties().port, value);
}

STDMETHODIMP CTarifexCtrl::get_PathDebug(BSTR* value) {
  return Guard([&] { return ReturnAnsi(m_control.Properties().path_debug, value); });
}
STDMETHODIMP CTarifexCtrl::put_PathDebug(BSTR value) {
  return SetText(m_control.Properties().path_debug, value);
}

STDMETHODIMP CTarifexCtrl::get_BtnNoSeleccionar(VARIANT_BOOL* value) {
  if (value == nullptr) return E_POINTER;
  *value = ToVariantBool(m_control.Properties().btn_no_seleccionar);
  return S_OK;
}
STDMETHODIMP CTarifexCtrl::put_BtnNoSeleccionar(VARIANT_BOOL value) {
  m_control.Properties().btn_no_seleccionar = value != VARIANT_FALSE;
  PropertyChanged();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::get_Lang(short* value) {
  if (value == nullptr) return E_POINTER;
  *value = m_control.Properties().lang;
  return S_OK;
}
STDMETHODIMP CTarifexCtrl::put_Lang(short value) {
  m_control.Properties().lang = value;
  PropertyChanged();
  return S_OK;
}

STDMETHODIMP CTarifexCtrl::get_MsgError(BSTR* value) {
  return Guard([&] { return ReturnAnsi(m_control.MsgError(), value); });
}

// --- results and data components -----------------------------------------------------------------

HRESULT CTarifexCtrl::GetResult(ResultStore::Collection which, IDispatch** value) {
  if (value == nullptr) return E_POINTER;
  *value = DispatchOf(m_control.Results().Get(which)).detach();
  return S_OK;
}

HRESULT CTarifexCtrl::GetTaxes(ResultStore::TaxCollection which, IDispatch** value) {
  if (value == nullptr) return E_POINTER;
  *value = DispatchOf(m_control.Results().GetTaxes(which)).detach();
  return S_OK;
}

HRESULT CTarifexCtrl::GetData(Data which, IDispatch** value) {
  if (value == nullptr) return E_POINTER;
  *value = DispatchOf(m_control.GetData(which)).detach();
  return S_OK;
}

HRESULT CTarifexCtrl::SetData(Data which, IDispatch* value) {
  if (value == nullptr) return S_OK;  // a null object is ignored
  return Guard([&] {
    std::shared_ptr<HostCollection> collection = CollectionOf(value);
    if (collection == nullptr) {
      // As hosts have always known it: a box, and the component stays as
      // it was.
      m_ui.MessageBoxA(win32::FromHwnd(Owner()), RefusedComponentText(which), "ERROR", MB_OK);
      return S_OK;
    }
    m_control.SetData(which, std::move(collection));
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::get_RInfCom(IDispatch** v) { return GetResult(ResultStore::kInfCom, v); }
STDMETHODIMP CTarifexCtrl::get_RSuf(IDispatch** v) { return GetResult(ResultStore::kSuf, v); }
STDMETHODIMP CTarifexCtrl::get_RItem(IDispatch** v) { return GetResult(ResultStore::kItem, v); }
STDMETHODIMP CTarifexCtrl::get_RMDes(IDispatch** v) { return GetResult(ResultStore::kMDes, v); }
STDMETHODIMP CTarifexCtrl::get_RRegla(IDispatch** v) { return GetResult(ResultStore::kRegla, v); }
STDMETHODIMP CTarifexCtrl::get_RMsgGral(IDispatch** v) {
  return GetResult(ResultStore::kMsgGral, v);
}
STDMETHODIMP CTarifexCtrl::get_RDocs(IDispatch** v) { return GetResult(ResultStore::kDocs, v); }
STDMETHODIMP CTarifexCtrl::get_RMsgs(IDispatch** v) { return GetResult(ResultStore::kMsgs, v); }
STDMETHODIMP CTarifexCtrl::get_RBnf(IDispatch** v) { return GetTaxes(ResultStore::kBnf, v); }
STDMETHODIMP CTarifexCtrl::get_RLqa(IDispatch** v) { return GetTaxes(ResultStore::kLqa, v); }
STDMETHODIMP CTarifexCtrl::get_RModelos(IDispatch** v) {
  return GetResult(ResultStore::kModelos, v);
}
STDMETHODIMP CTarifexCtrl::get_RCupo(IDispatch** v) { return GetResult(ResultStore::kCupo, v); }
STDMETHODIMP CTarifexCtrl::get_RSol(IDispatch** v) { return GetResult(ResultStore::kSol, v); }

STDMETHODIMP CTarifexCtrl::get_Art(IDispatch** v) { return GetData(Data::Art, v); }
STDMETHODIMP CTarifexCtrl::put_Art(IDispatch* v) { return SetData(Data::Art, v); }
STDMETHODIMP CTarifexCtrl::putref_Art(IDispatch* v) { return SetData(Data::Art, v); }
STDMETHODIMP CTarifexCtrl::get_InfCom(IDispatch** v) { return GetData(Data::InfCom, v); }
STDMETHODIMP CTarifexCtrl::put_InfCom(IDispatch* v) { return SetData(Data::InfCom, v); }
STDMETHODIMP CTarifexCtrl::putref_InfCom(IDispatch* v) { return SetData(Data::InfCom, v); }
STDMETHODIMP CTarifexCtrl::get_Gen(IDispatch** v) { return GetData(Data::Gen, v); }
STDMETHODIMP CTarifexCtrl::put_Gen(IDispatch* v) { return SetData(Data::Gen, v); }
STDMETHODIMP CTarifexCtrl::putref_Gen(IDispatch* v) { return SetData(Data::Gen, v); }
STDMETHODIMP CTarifexCtrl::get_Suf(IDispatch** v) { return GetData(Data::Suf, v); }
STDMETHODIMP CTarifexCtrl::put_Suf(IDispatch* v) { return SetData(Data::Suf, v); }
STDMETHODIMP CTarifexCtrl::putref_Suf(IDispatch* v) { return SetData(Data::Suf, v); }
STDMETHODIMP CTarifexCtrl::get_MDes(IDispatch** v) { return GetData(Data::MDes, v); }
STDMETHODIMP CTarifexCtrl::put_MDes(IDispatch* v) { return SetData(Data::MDes, v); }
STDMETHODIMP CTarifexCtrl::putref_MDes(IDispatch* v) { return SetData(Data::MDes, v); }

// --- methods ------------------------------------------------------------------------------------

STDMETHODIMP CTarifexCtrl::ClearAllData(VARIANT_BOOL* done) {
  return Guard([&] {
    const bool cleared = m_control.ClearAllData();
    if (done != nullptr) *done = ToVariantBool(cleared);
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::ExecTarifex(long window, VARIANT_BOOL* succeeded) {
  if (succeeded != nullptr) *succeeded = VARIANT_FALSE;
  // The run's dialogs dispatch the host's messages; a second run started
  // from one of them would tear the first one's state apart.
  if (m_running) return kIllegalMethodCall;
  return Guard([&] {
    // Window handles are 32-bit values on every Windows; a long carries one.
    m_hostWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(window));
    // The host may release the control from one of the run's dialogs: the
    // object stays alive (and this reference is dropped last) until the run
    // is over.
    ComPtr<ITarifexCtrl> alive(this);
    m_running = true;
    struct Running {
      bool& flag;
      ~Running() { flag = false; }
    } running{m_running};
    const bool done = m_control.ExecTarifex(win32::FromHwnd(m_hostWindow));
    if (succeeded != nullptr) *succeeded = ToVariantBool(done);
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::AddBenef(BSTR code) {
  return Guard([&] {
    m_control.AddBenef(Ansi(code));
    return S_OK;
  });
}

STDMETHODIMP CTarifexCtrl::AboutBox() {
  return Guard([&] {
    ShowAboutBox(com::ThisModule(), Owner(), m_control.Properties().lang);
    return S_OK;
  });
}

}  // namespace korvex::tarifex
