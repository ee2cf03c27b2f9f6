#include "tools/dossa/tarifex_host.h"

#include <string>
#include <vector>

#include "tarifex/win32/host_vars_h.h"
#include "tools/dossa/control_site.h"
#include "tools/dossa/dialogs.h"
#include "tools/dossa/report.h"

namespace korvex::dossa {

using com::Bstr;
using com::ComPtr;

// Where the control sits on the validation form, between its buttons.
constexpr RECT kControlPlace = {160, 122, 270, 148};

namespace {

void ReportError(int line, const std::wstring& text, HRESULT hr) {
  Log().Begin("error").Field("line", line).Field("text", text)
      .Hex("hr", static_cast<ULONG_PTR>(static_cast<unsigned long>(hr))).End();
}

// A new collection of the host's component server holding the variables;
// null when the server cannot make one.
ComPtr<IVars> MakeCollection(const std::vector<Variable>& variables, HRESULT* failure) {
  ComPtr<IVars> collection;
  *failure = CoCreateInstance(CLSID_Vars, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IVars, collection.put_void());
  if (FAILED(*failure)) return nullptr;
  for (const Variable& v : variables) {
    ComPtr<IVar> variable;
    *failure = CoCreateInstance(CLSID_Var, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IVar, variable.put_void());
    if (FAILED(*failure)) return nullptr;
    const Bstr name(std::wstring(v.name.begin(), v.name.end()));
    const Bstr value(std::wstring(v.value.begin(), v.value.end()));
    variable->put_Name(name.get());
    variable->put_Value(value.get());
    *failure = collection->Add(variable.get());
    if (FAILED(*failure)) return nullptr;
  }
  return collection;
}

// "NAME=VALUE;NAME=VALUE" of a result collection; empty for none.
std::wstring Contents(IDispatch* result) {
  ComPtr<IVars> collection;
  if (result == nullptr ||
      FAILED(result->QueryInterface(IID_IVars, collection.put_void()))) {
    return {};
  }
  long count = 0;
  collection->get_Count(&count);
  std::wstring text;
  for (long i = 0; i < count; ++i) {
    ComPtr<IVar> variable;
    if (FAILED(collection->get_Item(i, variable.put())) || !variable) continue;
    Bstr name, value;
    variable->get_Name(name.put());
    variable->get_Value(value.put());
    if (!text.empty()) text += L';';
    text += std::wstring(name.view()) + L'=' + std::wstring(value.view());
  }
  return text;
}

// "CODE|KIND|DESCRIPTION|BASE|RATE|AMOUNT;..." of a tax collection.
std::wstring TaxContents(IDispatch* result) {
  ComPtr<ITaxes> taxes;
  if (result == nullptr || FAILED(result->QueryInterface(IID_ITaxes, taxes.put_void()))) {
    return {};
  }
  long count = 0;
  taxes->get_Count(&count);
  std::wstring text;
  for (long i = 0; i < count; ++i) {
    ComPtr<ITax> tax;
    if (FAILED(taxes->get_Item(i, tax.put())) || !tax) continue;
    if (!text.empty()) text += L';';
    const std::pair<HRESULT (STDMETHODCALLTYPE ITax::*)(BSTR*), bool> fields[] = {
        {&ITax::get_Code, false}, {&ITax::get_Kind, true},  {&ITax::get_Description, true},
        {&ITax::get_Base, true},  {&ITax::get_Rate, true},  {&ITax::get_Amount, true}};
    for (const auto& [get, separated] : fields) {
      Bstr field;
      (tax.get()->*get)(field.put());
      if (separated) text += L'|';
      text += field.view();
    }
  }
  return text;
}

struct ResultProperty {
  const char* name;
  HRESULT (STDMETHODCALLTYPE ITarifexCtrl::*get)(IDispatch**);
  bool taxes;
};

const ResultProperty kResults[] = {
    {"RInfCom", &ITarifexCtrl::get_RInfCom, false},
    {"RSuf", &ITarifexCtrl::get_RSuf, false},
    {"RItem", &ITarifexCtrl::get_RItem, false},
    {"RMDes", &ITarifexCtrl::get_RMDes, false},
    {"RRegla", &ITarifexCtrl::get_RRegla, false},
    {"RMsgGral", &ITarifexCtrl::get_RMsgGral, false},
    {"RDocs", &ITarifexCtrl::get_RDocs, false},
    {"RMsgs", &ITarifexCtrl::get_RMsgs, false},
    {"RBnf", &ITarifexCtrl::get_RBnf, true},
    {"RLqa", &ITarifexCtrl::get_RLqa, true},
    {"RModelos", &ITarifexCtrl::get_RModelos, false},
    {"RCupo", &ITarifexCtrl::get_RCupo, false},
    {"RSol", &ITarifexCtrl::get_RSol, false},
};

Bstr Wide(const Text& text) { return Bstr(std::wstring(text.begin(), text.end())); }

}  // namespace

TarifexHost::TarifexHost() = default;

TarifexHost::~TarifexHost() { Destroy(); }

bool TarifexHost::Create(HWND form, const ControlSettings& settings, int line) {
  Destroy();
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(kControlProgId, &clsid);
  if (FAILED(hr)) {
    ReportError(line, L"control: TARIFEX.TarifexCtrl.1 is not registered", hr);
    return false;
  }
  ComPtr<IOleObject> object;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.put_void());
  if (FAILED(hr)) {
    ReportError(line, L"control: the control cannot be created", hr);
    return false;
  }
  ControlSite* site = ControlSite::New(form, kControlPlace);
  // A control that asks for its site first gets it before its properties.
  DWORD status = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &status);
  if (status & OLEMISC_SETCLIENTSITEFIRST) object->SetClientSite(site);
  if (ComPtr<IPersistStreamInit> persist = object.As<IPersistStreamInit>()) persist->InitNew();
  if (!(status & OLEMISC_SETCLIENTSITEFIRST)) object->SetClientSite(site);
  object->SetHostNames(L"Dossa", L"Validación Total de Items");
  RECT place = kControlPlace;
  hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, form, &place);
  ComPtr<ITarifexCtrl> control = object.As<ITarifexCtrl>();
  if (FAILED(hr) || !control) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    site->Release();
    ReportError(line, L"control: in-place activation failed", FAILED(hr) ? hr : E_NOINTERFACE);
    return false;
  }
  if (settings.host) control->put_Host(Wide(*settings.host).get());
  if (settings.port) control->put_Port(Wide(*settings.port).get());
  if (settings.path_debug) control->put_PathDebug(Wide(*settings.path_debug).get());
  if (settings.lang) control->put_Lang(*settings.lang);
  if (settings.debug) control->put_Debug(*settings.debug ? VARIANT_TRUE : VARIANT_FALSE);
  if (settings.none_offered) {
    control->put_BtnNoSeleccionar(*settings.none_offered ? VARIANT_TRUE : VARIANT_FALSE);
  }
  m_object = std::move(object);
  m_control = std::move(control);
  m_site = site;
  HWND window = nullptr;
  if (ComPtr<IOleInPlaceObject> in_place = m_object.As<IOleInPlaceObject>()) {
    in_place->GetWindow(&window);
  }
  Log().Begin("control created").Hex("window", reinterpret_cast<ULONG_PTR>(window)).End();
  return true;
}

void TarifexHost::Destroy() {
  if (m_object) {
    m_object->Close(OLECLOSE_NOSAVE);
    m_object->SetClientSite(nullptr);
  }
  m_control.reset();
  m_object.reset();
  if (m_site != nullptr) m_site->Release();
  m_site = nullptr;
}

void TarifexHost::Run(const Item& item, int index, const Dialog& plan, HWND form) {
  Log().Begin("dialog").Field("item", item.number).Field("n", index).Word("kind", "tarifex").End();
  // The line of the outcome is begun only once the run is over: the run
  // reports its dialogs meanwhile.
  const auto ended = [&]() -> Report& {
    return Log().Begin("ended").Field("item", item.number).Field("n", index)
        .Word("kind", "tarifex");
  };
  if (!m_control) {
    ended().Word("result", "no-control").End();
    return;
  }
  const TarifexRun& run = plan.tarifex;
  VARIANT_BOOL done = VARIANT_FALSE;
  m_control->ClearAllData(&done);
  using Put = HRESULT (STDMETHODCALLTYPE ITarifexCtrl::*)(IDispatch*);
  const std::pair<const std::vector<Variable>*, Put> components[] = {
      {&run.gen, &ITarifexCtrl::putref_Gen},
      {&run.art, &ITarifexCtrl::putref_Art},
      {&run.infcom, &ITarifexCtrl::putref_InfCom},
      {&run.suf, &ITarifexCtrl::putref_Suf},
      {&run.mdes, &ITarifexCtrl::putref_MDes}};
  for (const auto& [variables, put] : components) {
    HRESULT failure = S_OK;
    ComPtr<IVars> collection = MakeCollection(*variables, &failure);
    if (!collection) {
      ended().Word("result", "no-components")
          .Hex("hr", static_cast<ULONG_PTR>(static_cast<unsigned long>(failure))).End();
      return;
    }
    (m_control.get()->*put)(collection.get());
  }
  for (const Text& code : run.benefits) m_control->AddBenef(Wide(code).get());

  VARIANT_BOOL succeeded = VARIANT_FALSE;
  HRESULT hr = S_OK;
  const int closed = WatchControlDialogs(item, index, plan.timeout_ms, form, [&] {
    hr = m_control->ExecTarifex(static_cast<long>(reinterpret_cast<LONG_PTR>(form)), &succeeded);
  });

  Bstr error;
  m_control->get_MsgError(error.put());
  std::vector<std::pair<const char*, std::wstring>> results;
  for (const ResultProperty& result : kResults) {
    ComPtr<IDispatch> collection;
    if (FAILED((m_control.get()->*result.get)(collection.put()))) continue;
    std::wstring text =
        result.taxes ? TaxContents(collection.get()) : Contents(collection.get());
    if (!text.empty()) results.emplace_back(result.name, std::move(text));
  }

  Report& r = ended();
  if (FAILED(hr)) {
    r.Word("result", "failed").Hex("hr", static_cast<ULONG_PTR>(static_cast<unsigned long>(hr)));
  } else {
    r.Field("result", succeeded ? 1 : 0);
  }
  r.Field("error", error.view());
  if (closed > 0) r.Field("closed", closed);
  for (const auto& [name, text] : results) r.Field(name, text);
  r.End();
}

}  // namespace korvex::dossa
