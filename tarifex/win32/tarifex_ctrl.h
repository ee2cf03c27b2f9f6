// CTarifexCtrl: the COM object of TARIFEX.OCX around the control's logic
// (tarifex/tarifex_control.h).  It is what a host's form needs of an
// ActiveX control and nothing more:
//  - ITarifexCtrl, the dispatch interface, answered from the type library;
//  - embedding and in-place activation in a host window (IOleObject,
//    IOleInPlaceObject, IOleInPlaceActiveObject, IOleControl), drawing a
//    small labelled box in the window and through IViewObject2;
//  - the persistent properties in a stream, a storage or a property bag;
//  - IProvideClassInfo2, an (empty) event source, and the property page.
//
// The object lives on its host's thread (apartment model) and is entered
// only from it.  A run (ExecTarifex) runs modal dialogs, during which the
// host's messages are dispatched: a nested ExecTarifex is refused.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/win32/win32_session_system.h"
#include "platform/win32/win32_window_system.h"
#include "tarifex/protorobot_questions.h"
#include "tarifex/robot_client.h"
#include "tarifex/tarifex_control.h"
#include "tarifex/win32/com_host_data.h"
#include "tarifex/win32/com_support.h"
#include "tarifex/win32/control_dialogs.h"
#include "tarifex/win32/event_source.h"
#include "tarifex/win32/mendrel_engine.h"
#include "tarifex/win32/tarifex_h.h"

namespace korvex::tarifex {

// What the control's registration and IOleObject::GetMiscStatus say:
// OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT
// | OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE.
inline constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                                     OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                                     OLEMISC_RECOMPOSEONRESIZE;
// The version of the saved properties.
inline constexpr DWORD kPropertiesVersion = 0x10000;
// The longest text property a saved form holds, in characters: what a form
// is trusted to load.  A longer Host, Port or PathDebug is refused when set.
inline constexpr std::size_t kLongestPropertyText = 32767;
// The name of the stream inside a storage.
inline constexpr wchar_t kContentsStream[] = L"Contents";

class CTarifexCtrl final : public com::TypeLibDispatch<ITarifexCtrl>,
                           public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IOleControl,
                           public IViewObject2,
                           public IPersistStreamInit,
                           public IPersistPropertyBag,
                           public IPersistStorage,
                           public IProvideClassInfo2,
                           public IConnectionPointContainer,
                           public ISpecifyPropertyPages,
                           private com::ObjectBase<CTarifexCtrl> {
 public:
  // The class factory's creation function.
  static HRESULT Create(REFIID iid, void** out);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

  // ITarifexCtrl
  STDMETHODIMP get_Host(BSTR* value) override;
  STDMETHODIMP put_Host(BSTR value) override;
  STDMETHODIMP get_Debug(VARIANT_BOOL* value) override;
  STDMETHODIMP put_Debug(VARIANT_BOOL value) override;
  STDMETHODIMP get_Port(BSTR* value) override;
  STDMETHODIMP put_Port(BSTR value) override;
  STDMETHODIMP get_PathDebug(BSTR* value) override;
  STDMETHODIMP put_PathDebug(BSTR value) override;
  STDMETHODIMP get_BtnNoSeleccionar(VARIANT_BOOL* value) override;
  STDMETHODIMP put_BtnNoSeleccionar(VARIANT_BOOL value) override;
  STDMETHODIMP get_Lang(short* value) override;
  STDMETHODIMP put_Lang(short value) override;
  STDMETHODIMP get_MsgError(BSTR* value) override;
  STDMETHODIMP get_RInfCom(IDispatch** value) override;
  STDMETHODIMP get_RSuf(IDispatch** value) override;
  STDMETHODIMP get_RItem(IDispatch** value) override;
  STDMETHODIMP get_RMDes(IDispatch** value) override;
  STDMETHODIMP get_RRegla(IDispatch** value) override;
  STDMETHODIMP get_RMsgGral(IDispatch** value) override;
  STDMETHODIMP get_RDocs(IDispatch** value) override;
  STDMETHODIMP get_RMsgs(IDispatch** value) override;
  STDMETHODIMP get_RBnf(IDispatch** value) override;
  STDMETHODIMP get_RLqa(IDispatch** value) override;
  STDMETHODIMP get_Art(IDispatch** value) override;
  STDMETHODIMP put_Art(IDispatch* value) override;
  STDMETHODIMP putref_Art(IDispatch* value) override;
  STDMETHODIMP get_InfCom(IDispatch** value) override;
  STDMETHODIMP put_InfCom(IDispatch* value) override;
  STDMETHODIMP putref_InfCom(IDispatch* value) override;
  STDMETHODIMP get_Gen(IDispatch** value) override;
  STDMETHODIMP put_Gen(IDispatch* value) override;
  STDMETHODIMP putref_Gen(IDispatch* value) override;
  STDMETHODIMP get_Suf(IDispatch** value) override;
  STDMETHODIMP put_Suf(IDispatch* value) override;
  STDMETHODIMP putref_Suf(IDispatch* value) override;
  STDMETHODIMP get_MDes(IDispatch** value) override;
  STDMETHODIMP put_MDes(IDispatch* value) override;
  STDMETHODIMP putref_MDes(IDispatch* value) override;
  STDMETHODIMP get_RModelos(IDispatch** value) override;
  STDMETHODIMP get_RCupo(IDispatch** value) override;
  STDMETHODIMP get_RSol(IDispatch** value) override;
  STDMETHODIMP ClearAllData(VARIANT_BOOL* done) override;
  STDMETHODIMP ExecTarifex(long window, VARIANT_BOOL* succeeded) override;
  STDMETHODIMP AddBenef(BSTR code) override;
  STDMETHODIMP AboutBox() override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) override;
  STDMETHODIMP SetHostNames(LPCOLESTR container_app, LPCOLESTR container_object) override;
  STDMETHODIMP Close(DWORD save_option) override;
  STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
  STDMETHODIMP DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT position) override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
  STDMETHODIMP Update() override;
  STDMETHODIMP IsUpToDate() override;
  STDMETHODIMP GetUserClassID(CLSID* clsid) override;
  STDMETHODIMP GetUserType(DWORD form, LPOLESTR* user_type) override;
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
  STDMETHODIMP Unadvise(DWORD connection) override;
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
  STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow (of IOleInPlaceObject and IOleInPlaceActiveObject)
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  // IOleInPlaceObject
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
  STDMETHODIMP ReactivateAndUndo() override;
  // IOleInPlaceActiveObject
  STDMETHODIMP TranslateAccelerator(LPMSG message) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;

  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
  STDMETHODIMP OnMnemonic(MSG* message) override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
  STDMETHODIMP FreezeEvents(BOOL freeze) override;

  // IViewObject2
  STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target,
                    HDC target_dc, HDC dc, LPCRECTL bounds, LPCRECTL window_bounds,
                    BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR cont_argument) override;
  STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* target,
                           HDC target_dc, LOGPALETTE** colors) override;
  STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) override;
  STDMETHODIMP Unfreeze(DWORD freeze) override;
  STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;

  // IPersist (of the three below)
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IPersistStreamInit
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clear_dirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;
  // IPersistPropertyBag
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;
  // IPersistStorage
  STDMETHODIMP InitNew(IStorage* storage) override;
  STDMETHODIMP Load(IStorage* storage) override;
  STDMETHODIMP Save(IStorage* storage, BOOL same_as_load) override;
  STDMETHODIMP SaveCompleted(IStorage* storage) override;
  STDMETHODIMP HandsOffStorage() override;

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // ISpecifyPropertyPages
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // Paints the control's face: a framed box with its name.
  static void Paint(HDC dc, const RECT& bounds);

 private:
  template <class T, class... Args>
  friend HRESULT com::CreateObject(REFIID iid, void** out, Args&&... args);
  friend com::ObjectBase<CTarifexCtrl>;
  CTarifexCtrl();
  ~CTarifexCtrl();

  using Data = TarifexControl::Data;
  HRESULT GetResult(ResultStore::Collection which, IDispatch** value);
  HRESULT GetTaxes(ResultStore::TaxCollection which, IDispatch** value);
  HRESULT GetData(Data which, IDispatch** value);
  HRESULT SetData(Data which, IDispatch* value);
  HRESULT SetText(std::string& property, BSTR value);
  // The window that owns the control's boxes outside a run.
  HWND Owner() const;
  void PropertyChanged();
  void ResetProperties();

  // In-place activation.
  HRESULT ActivateInPlace(bool ui_active);
  HWND CreateControlWindow(HWND parent, const RECT& position);

  // --- the control's ports and logic ---
  MendrelEngine m_engine;
  ComHostComponents m_components;
  Win32WindowSystem m_windows;
  Win32SessionSystem m_sessions;
  // Asks the robot of the host's session (no port given).
  CProtorobot m_robot{m_windows, {.sessions = &m_sessions}};
  ProtorobotQuestions m_questions{m_robot};
  Win32ControlUi m_ui;
  StdioTraceFiles m_files;
  TarifexControl m_control{{m_engine, m_components, m_questions, m_ui, m_files}};
  bool m_running = false;
  HWND m_hostWindow = nullptr;  // the window of the last run

  // --- OLE state ---
  bool m_dirty = false;
  SIZEL m_extent;  // HIMETRIC
  com::ComPtr<IOleClientSite> m_site;
  com::ComPtr<IOleAdviseHolder> m_adviseHolder;
  com::ComPtr<IAdviseSink> m_viewSink;
  DWORD m_viewAspects = 0;
  DWORD m_viewFlags = 0;
  com::ComPtr<IOleInPlaceSite> m_inPlaceSite;
  com::ComPtr<IOleInPlaceFrame> m_frame;
  com::ComPtr<IOleInPlaceUIWindow> m_document;
  bool m_uiActive = false;
  HWND m_window = nullptr;
  com::EventSource m_events;
};

}  // namespace korvex::tarifex
