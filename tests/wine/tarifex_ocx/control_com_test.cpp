// TARIFEX.OCX as a host meets it: registered by regsvr32, created by its
// ProgID, called through IDispatch by name, its properties saved with a
// form and loaded again, its data components set, placed in a window.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/wine/desktop_user.h"
#include "tests/wine/tarifex_ocx/ocx_test_support.h"
#include "tools/dossa/control_site.h"

namespace korvex::wine_test {
namespace {

using com::Bstr;
using com::ComPtr;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::wstring kControl = com::GuidText(CLSID_TarifexCtrl);
const std::wstring kPage = com::GuidText(CLSID_TarifexPropPage);
const std::wstring kLibrary = com::GuidText(LIBID_TARIFEXLib);
const std::wstring kInterface = com::GuidText(IID_ITarifexCtrl);
// The longest text a saved form of the control holds.
constexpr std::size_t kLongestText = 32767;

// --- the registry ---------------------------------------------------------------------------

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(handle);
  return true;
}

// A REG_SZ value under HKEY_CLASSES_ROOT; "<missing>" when it is not there.
std::wstring ValueOf(const std::wstring& key, const wchar_t* name) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return L"<missing>";
  }
  return data;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

TEST(TarifexRegistrationWine, RegistersTheControlAndUnregisteringRemovesEveryKey) {
  const std::wstring path = ControlPath();
  const std::wstring control = L"CLSID\\" + kControl;
  const std::wstring page = L"CLSID\\" + kPage;
  const struct {
    std::wstring key;
    const wchar_t* name;
    std::wstring expected;
  } values[] = {
      {control, nullptr, L"TARIFEX Control"},
      {control + L"\\ProgID", nullptr, L"TARIFEX.TarifexCtrl.1"},
      {control + L"\\InprocServer32", nullptr, Lower(path)},
      {control + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {control + L"\\Control", nullptr, L""},
      {control + L"\\ToolboxBitmap32", nullptr, Lower(path) + L", 1"},
      {control + L"\\MiscStatus", nullptr, L"0"},
      {control + L"\\MiscStatus\\1", nullptr, L"131473"},
      {control + L"\\TypeLib", nullptr, kLibrary},
      {control + L"\\Version", nullptr, L"1.0"},
      {L"TARIFEX.TarifexCtrl.1\\CLSID", nullptr, kControl},
      {page + L"\\InprocServer32", nullptr, Lower(path)},
      {page + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {L"TARIFEX.TarifexPropPage.1\\CLSID", nullptr, kPage},
      {L"TypeLib\\" + kLibrary + L"\\1.0\\0\\" + (sizeof(void*) == 8 ? L"win64" : L"win32"),
       nullptr, Lower(path)},
  };
  for (const auto& v : values) {
    std::wstring found = ValueOf(v.key, v.name);
    if (v.expected == Lower(v.expected) && v.expected.find(L'\\') != std::wstring::npos) {
      found = Lower(found);  // paths compare without case
    }
    EXPECT_EQ(found, v.expected) << v.key << " " << (v.name ? v.name : L"(default)");
  }
  EXPECT_TRUE(KeyExists(L"Interface\\" + kInterface));

  ASSERT_EQ(Regsvr32(path, true), 0);
  for (const std::wstring& root :
       {control, page, std::wstring(L"TARIFEX.TarifexCtrl.1"),
        std::wstring(L"TARIFEX.TarifexPropPage.1"), L"TypeLib\\" + kLibrary,
        L"Interface\\" + kInterface}) {
    EXPECT_FALSE(KeyExists(root)) << root << " is still there";
  }
  CLSID clsid;
  EXPECT_NE(::CLSIDFromProgID(L"TARIFEX.TarifexCtrl.1", &clsid), S_OK);
  ASSERT_EQ(Regsvr32(path, false), 0);  // for the other tests
}

// --- created and called by name ---------------------------------------------------------------

ComPtr<IDispatch> NewControl() {
  CLSID clsid{};
  EXPECT_EQ(::CLSIDFromProgID(L"TARIFEX.TarifexCtrl.1", &clsid), S_OK);
  EXPECT_TRUE(::IsEqualCLSID(clsid, CLSID_TarifexCtrl));
  ComPtr<IDispatch> control;
  EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               control.put_void()),
            S_OK);
  return control;
}

DISPID IdOf(IDispatch* object, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
  return id;
}

// Reads a property by name, as a script host does.
VARIANT Get(IDispatch* object, const wchar_t* name) {
  VARIANT result;
  ::VariantInit(&result);
  DISPPARAMS none{};
  EXPECT_EQ(object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                           &none, &result, nullptr, nullptr),
            S_OK)
      << name;
  return result;
}

HRESULT Put(IDispatch* object, const wchar_t* name, VARIANT value,
            WORD kind = DISPATCH_PROPERTYPUT) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  return object->Invoke(IdOf(object, name), IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                        nullptr, nullptr, nullptr);
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = ::SysAllocString(text);
  return v;
}
VARIANT Text(const std::wstring& text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return v;
}
VARIANT Long(LONG l) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = l;
  return v;
}
VARIANT Bool(bool b) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
VARIANT Short(short s) {
  VARIANT v;
  v.vt = VT_I2;
  v.iVal = s;
  return v;
}
VARIANT Object(IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  return v;
}

// A property's value as text, for tables of expectations.
std::wstring Show(VARIANT v) {
  VARIANT text;
  ::VariantInit(&text);
  std::wstring out = L"<" + std::to_wstring(v.vt) + L">";
  if (v.vt == VT_BOOL) {
    out = v.boolVal ? L"true" : L"false";
  } else if (SUCCEEDED(::VariantChangeType(&text, &v, 0, VT_BSTR))) {
    out = Bstr::View(text.bstrVal);
  }
  ::VariantClear(&text);
  ::VariantClear(&v);
  return out;
}

TEST(TarifexControlWine, TheProgIdCreatesTheControlAndTheNamesHaveTheTableOrder) {
  ComPtr<IDispatch> control = NewControl();
  ASSERT_TRUE(control);
  UINT count = 0;
  EXPECT_EQ(control->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  const wchar_t* const members[] = {
      L"Host",     L"Debug",    L"Port",   L"PathDebug", L"BtnNoSeleccionar", L"Lang",
      L"MsgError", L"RInfCom",  L"RSuf",   L"RItem",     L"RMDes",            L"RRegla",
      L"RMsgGral", L"RDocs",    L"RMsgs",  L"RBnf",      L"RLqa",             L"Art",
      L"InfCom",   L"Gen",      L"Suf",    L"MDes",      L"RModelos",         L"RCupo",
      L"RSol",     L"ClearAllData", L"ExecTarifex", L"AddBenef"};
  for (std::size_t i = 0; i < std::size(members); ++i) {
    EXPECT_EQ(IdOf(control.get(), members[i]), static_cast<DISPID>(i + 1)) << members[i];
  }
  EXPECT_EQ(IdOf(control.get(), L"AboutBox"), DISPID_ABOUTBOX);
  EXPECT_EQ(DISPID_ABOUTBOX, -552);
  // Names are found whatever their case, as in Visual Basic.
  EXPECT_EQ(IdOf(control.get(), L"execTARIFEX"), 27);
}

TEST(TarifexControlWine, ANewControlHasTheDefaultsAndAChangeMarksItModified) {
  ComPtr<IDispatch> control = NewControl();
  ASSERT_TRUE(control);
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } defaults[] = {{L"Debug", L"false"},   {L"Lang", L"0"},           {L"BtnNoSeleccionar", L"true"},
                  {L"PathDebug", L"C:\\"}, {L"Host", L""},           {L"Port", L""},
                  {L"MsgError", L""}};
  for (const auto& d : defaults) {
    EXPECT_EQ(Show(Get(control.get(), d.name)), d.value) << d.name;
  }
  ComPtr<IPersistStreamInit> persist = control.As<IPersistStreamInit>();
  ASSERT_TRUE(persist);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(Put(control.get(), L"Lang", Short(1)), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  // MsgError is read-only.
  EXPECT_EQ(Put(control.get(), L"MsgError", Text(L"x")), DISP_E_MEMBERNOTFOUND);
}

// The properties of a control a host has set up.
void SetUpLikeAHost(IDispatch* control) {
  ASSERT_EQ(Put(control, L"Debug", Bool(true)), S_OK);
  ASSERT_EQ(Put(control, L"Host", Text(L"aduana-señor")), S_OK);
  ASSERT_EQ(Put(control, L"Port", Text(L"7070")), S_OK);
  ASSERT_EQ(Put(control, L"PathDebug", Text(L"D:\\trazas\\")), S_OK);
  ASSERT_EQ(Put(control, L"BtnNoSeleccionar", Bool(false)), S_OK);
  ASSERT_EQ(Put(control, L"Lang", Short(1)), S_OK);
}

std::vector<std::wstring> Properties(IDispatch* control) {
  std::vector<std::wstring> out;
  for (const wchar_t* name :
       {L"Debug", L"Host", L"Port", L"PathDebug", L"BtnNoSeleccionar", L"Lang", L"MsgError"}) {
    out.push_back(std::wstring(name) + L"=" + Show(Get(control, name)));
  }
  return out;
}

const std::vector<std::wstring> kSetUp = {L"Debug=true",     L"Host=aduana-señor",
                                          L"Port=7070",      L"PathDebug=D:\\trazas\\",
                                          L"BtnNoSeleccionar=false", L"Lang=1",
                                          L"MsgError="};
const std::vector<std::wstring> kDefaults = {L"Debug=false", L"Host=", L"Port=",
                                             L"PathDebug=C:\\", L"BtnNoSeleccionar=true",
                                             L"Lang=0", L"MsgError="};

ComPtr<IStream> NewStream() {
  ComPtr<IStream> stream;
  EXPECT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
  return stream;
}

void Rewind(IStream* stream) {
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
}

TEST(TarifexControlWine, PropertiesSavedWithTheFormComeBackInANewControl) {
  ComPtr<IDispatch> saved = NewControl();
  ASSERT_TRUE(saved);
  SetUpLikeAHost(saved.get());
  ASSERT_EQ(Properties(saved.get()), kSetUp);

  // A stream, as a form file keeps it.
  ComPtr<IPersistStreamInit> out = saved.As<IPersistStreamInit>();
  ComPtr<IStream> stream = NewStream();
  ASSERT_EQ(out->Save(stream.get(), TRUE), S_OK);
  EXPECT_EQ(out->IsDirty(), S_FALSE);
  ULARGE_INTEGER size{};
  EXPECT_EQ(out->GetSizeMax(&size), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, size.QuadPart);
  Rewind(stream.get());
  ComPtr<IDispatch> loaded = NewControl();
  ComPtr<IPersistStreamInit> in = loaded.As<IPersistStreamInit>();
  ASSERT_EQ(in->Load(stream.get()), S_OK);
  EXPECT_EQ(Properties(loaded.get()), kSetUp);
  EXPECT_EQ(in->IsDirty(), S_FALSE);

  // A property bag, as a text form or a web page keeps it.
  MemoryPropertyBag bag;
  ASSERT_EQ(saved.As<IPersistPropertyBag>()->Save(&bag, TRUE, TRUE), S_OK);
  EXPECT_EQ(Show(bag.values.at(L"_Version")), L"65536");
  EXPECT_EQ(Show(bag.values.at(L"Host")), L"aduana-señor");
  ComPtr<IDispatch> from_bag = NewControl();
  ASSERT_EQ(from_bag.As<IPersistPropertyBag>()->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(Properties(from_bag.get()), kSetUp);

  // A bag that holds only some properties leaves the others at their defaults.
  MemoryPropertyBag partial;
  VARIANT lang = Short(1);
  partial.Write(L"Lang", &lang);
  ComPtr<IDispatch> from_partial = NewControl();
  ASSERT_EQ(from_partial.As<IPersistPropertyBag>()->Load(&partial, nullptr), S_OK);
  std::vector<std::wstring> expected = kDefaults;
  expected[5] = L"Lang=1";
  EXPECT_EQ(Properties(from_partial.get()), expected);
}

TEST(TarifexControlWine, AStreamThatCannotBeReadLeavesThePropertiesAsTheyWere) {
  ComPtr<IDispatch> saved = NewControl();
  SetUpLikeAHost(saved.get());
  ComPtr<IStream> whole = NewStream();
  ASSERT_EQ(saved.As<IPersistStreamInit>()->Save(whole.get(), TRUE), S_OK);
  STATSTG stat{};
  whole->Stat(&stat, STATFLAG_NONAME);
  const auto length = static_cast<ULONG>(stat.cbSize.QuadPart);
  Rewind(whole.get());
  std::vector<BYTE> bytes(length);
  ULONG read = 0;
  whole->Read(bytes.data(), length, &read);
  ASSERT_EQ(read, length);

  std::vector<BYTE> other_version = bytes;
  other_version[2] = 2;  // version 0x20000
  std::vector<BYTE> huge_text = bytes;
  huge_text[16] = 0xFF;  // MsgError's length (at byte 14): 0xFF0000 units
  const struct {
    const char* name;
    std::vector<BYTE> bytes;
    HRESULT expected;
  } cases[] = {
      {"cut after the version", {bytes.begin(), bytes.begin() + 6}, STG_E_READFAULT},
      {"cut in the last text", {bytes.begin(), bytes.end() - 1}, STG_E_READFAULT},
      {"another major version", other_version, STG_E_INVALIDHEADER},
      {"a text longer than any property", huge_text, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IStream> stream = NewStream();
    stream->Write(c.bytes.data(), static_cast<ULONG>(c.bytes.size()), nullptr);
    Rewind(stream.get());
    ComPtr<IDispatch> control = NewControl();
    ComPtr<IPersistStreamInit> persist = control.As<IPersistStreamInit>();
    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(persist->Load(stream.get()), c.expected);
    EXPECT_EQ(Properties(control.get()), kDefaults);
  }
}

// A bag of another version, or one holding a text no property takes, is
// refused before any property changes.
TEST(TarifexControlWine, ABagThatCannotBeLoadedLeavesThePropertiesAsTheyWere) {
  const struct {
    const char* name;
    const wchar_t* property;
    VARIANT value;
    HRESULT expected;
  } cases[] = {
      {"another major version", L"_Version", Long(0x20000), STG_E_INVALIDHEADER},
      {"a text longer than any property", L"PathDebug",
       Text(std::wstring(kLongestText + 1, L'p')), E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPropertyBag bag;
    VARIANT host = Text(L"otro-host");
    VARIANT lang = Short(0);
    VARIANT value = c.value;
    bag.Write(L"Host", &host);
    bag.Write(L"Lang", &lang);
    bag.Write(c.property, &value);
    ::VariantClear(&host);
    ::VariantClear(&value);
    ComPtr<IDispatch> control = NewControl();
    SetUpLikeAHost(control.get());
    EXPECT_EQ(control.As<IPersistPropertyBag>()->Load(&bag, nullptr), c.expected);
    EXPECT_EQ(Properties(control.get()), kSetUp);
  }
}

// --- the data components and the engine ---------------------------------------------------------

using StandInScript = void(WINAPI*)(const char* records, int fail_open);
using StandInReport = const char*(WINAPI*)();

template <class F>
F StandInExport(const char* name) {
  HMODULE engine = ::GetModuleHandleW(L"Mendrel.dll");
  return engine ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(engine, name)))
                : nullptr;
}

bool Exec(IDispatch* control, VARIANT_BOOL* result) {
  ComPtr<ITarifexCtrl> typed;
  control->QueryInterface(IID_ITarifexCtrl, typed.put_void());
  return typed && SUCCEEDED(typed->ExecTarifex(0, result));
}

// What a control takes, its saved form gives back: a text property as long
// as a form loads is saved and loaded whole, a longer one is refused when it
// is set, and the engine's error text of a run, which may be longer, is
// kept up to that length.
TEST(TarifexControlWine, EveryTextTheControlTakesComesBackFromItsSavedForm) {
  const std::wstring longest(kLongestText, L'h');
  ComPtr<IDispatch> saved = NewControl();
  SetUpLikeAHost(saved.get());
  EXPECT_EQ(Put(saved.get(), L"Host", Text(longest)), S_OK);
  // Refused (through IDispatch, as an exception of the method).
  EXPECT_TRUE(FAILED(Put(saved.get(), L"Port", Text(std::wstring(kLongestText + 1, L'7')))));
  EXPECT_TRUE(FAILED(Put(saved.get(), L"PathDebug", Text(std::wstring(100000, L'd')))));
  EXPECT_EQ(saved.As<ITarifexCtrl>()->put_Port(Bstr(std::wstring(kLongestText + 1, L'7')).get()),
            E_INVALIDARG);
  EXPECT_EQ(Show(Get(saved.get(), L"Port")), L"7070");
  EXPECT_EQ(Show(Get(saved.get(), L"PathDebug")), L"D:\\trazas\\");

  // The engine's own message, longer than any property, ends the run.
  const auto script = StandInExport<StandInScript>("MendrelStandInScript");
  ASSERT_NE(script, nullptr);
  const std::string message(40000, 'm');
  const std::string stop = "STOP(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):" + message + "\x03\n";
  ASSERT_EQ(Put(saved.get(), L"Gen",
                Object(MakeVars({{L"DDDTOFICIA", L"20240131"}}).get()), DISPATCH_PROPERTYPUTREF),
            S_OK);
  script((stop + "TXT_OK").c_str(), 0);
  VARIANT_BOOL succeeded = VARIANT_TRUE;
  ASSERT_TRUE(Exec(saved.get(), &succeeded));
  EXPECT_EQ(succeeded, VARIANT_FALSE);
  ASSERT_EQ(Show(Get(saved.get(), L"MsgError")).size(), message.size());
  const std::vector<std::wstring> expected = {
      L"Debug=true", L"Host=" + longest, L"Port=7070", L"PathDebug=D:\\trazas\\",
      L"BtnNoSeleccionar=false", L"Lang=1", L"MsgError=" + std::wstring(kLongestText, L'm')};

  ComPtr<IStream> stream = NewStream();
  ASSERT_EQ(saved.As<IPersistStreamInit>()->Save(stream.get(), TRUE), S_OK);
  ULARGE_INTEGER size{};
  EXPECT_EQ(saved.As<IPersistStreamInit>()->GetSizeMax(&size), S_OK);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, size.QuadPart);
  Rewind(stream.get());
  ComPtr<IDispatch> from_stream = NewControl();
  ASSERT_EQ(from_stream.As<IPersistStreamInit>()->Load(stream.get()), S_OK);
  EXPECT_EQ(Properties(from_stream.get()), expected);

  MemoryPropertyBag bag;
  ASSERT_EQ(saved.As<IPersistPropertyBag>()->Save(&bag, TRUE, TRUE), S_OK);
  ComPtr<IDispatch> from_bag = NewControl();
  ASSERT_EQ(from_bag.As<IPersistPropertyBag>()->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(Properties(from_bag.get()), expected);
}

TEST(TarifexControlWine, AddBenefTwiceSendsTheCodesJoinedByOneBlank) {
  ComPtr<IDispatch> control = NewControl();
  ASSERT_TRUE(control);
  // The control loads the stand-in engine that lies beside it.
  const auto script = StandInExport<StandInScript>("MendrelStandInScript");
  const auto sent = StandInExport<StandInReport>("MendrelStandInSent");
  ASSERT_NE(script, nullptr);
  ASSERT_NE(sent, nullptr);
  ComPtr<IVars> gen = MakeVars({{L"DDDTOFICIA", L"20240131"}});
  ASSERT_EQ(Put(control.get(), L"Gen", Object(gen.get()), DISPATCH_PROPERTYPUTREF), S_OK);

  ComPtr<ITarifexCtrl> typed = control.As<ITarifexCtrl>();
  ASSERT_EQ(typed->AddBenef(Bstr(L"A").get()), S_OK);
  ASSERT_EQ(typed->AddBenef(Bstr(L"B").get()), S_OK);
  script("TXT_OK", 0);
  VARIANT_BOOL succeeded = VARIANT_FALSE;
  ASSERT_TRUE(Exec(control.get(), &succeeded));
  EXPECT_EQ(succeeded, VARIANT_TRUE) << Show(Get(control.get(), L"MsgError"));
  EXPECT_THAT(std::string(sent()), HasSubstr("UBENEF(EOB=\x04,MOD=L,IFS=\x02,EOL=\x03):A B\x03\n"));

  // ClearAllData forgets them; the next item starts anew.
  VARIANT_BOOL cleared = VARIANT_FALSE;
  ASSERT_EQ(typed->ClearAllData(&cleared), S_OK);
  EXPECT_EQ(cleared, VARIANT_TRUE);
  ASSERT_EQ(typed->put_Gen(MakeVars({{L"DDDTOFICIA", L"20240201"}}).get()), S_OK);
  ASSERT_EQ(typed->AddBenef(Bstr(L"C").get()), S_OK);
  script("TXT_OK", 0);
  ASSERT_TRUE(Exec(control.get(), &succeeded));
  EXPECT_THAT(std::string(sent()), HasSubstr("):C\x03\n"));
}

TEST(TarifexControlWine, TheResultsOfARunAreReadThroughTheProperties) {
  ComPtr<IDispatch> control = NewControl();
  const auto script = StandInExport<StandInScript>("MendrelStandInScript");
  ASSERT_NE(script, nullptr);
  ComPtr<ITarifexCtrl> typed = control.As<ITarifexCtrl>();
  ASSERT_EQ(typed->put_Gen(MakeVars({{L"DDDTOFICIA", L"20240131"}}).get()), S_OK);
  script("UCOM(IFS=\x02,MOD=L,EOB=\x04,EOL=\x03):MARCA\x02" "ACME\x03\n"
         "UPOS(IFS=\x02,MOD=B,EOB=\x04,EOL=\x03):NCM\x02" "8471.30.12\x03TASA\x02" "14\x04\n"
         "TXT_OK",
         0);
  VARIANT_BOOL succeeded = VARIANT_FALSE;
  ASSERT_TRUE(Exec(control.get(), &succeeded));
  ASSERT_EQ(succeeded, VARIANT_TRUE) << Show(Get(control.get(), L"MsgError"));
  VARIANT infcom = Get(control.get(), L"RInfCom");
  VARIANT item = Get(control.get(), L"RItem");
  ASSERT_EQ(infcom.vt, VT_DISPATCH);
  EXPECT_THAT(VarsOf(infcom.pdispVal), ElementsAre(L"MARCA=ACME"));
  EXPECT_THAT(VarsOf(item.pdispVal), ElementsAre(L"NCM=8471.30.12", L"TASA=14"));
  ::VariantClear(&infcom);
  ::VariantClear(&item);
}

// Closes each dialog with the caption that this process shows (pressing its
// IDOK button), and keeps the text of its last static.
class DialogCloser {
 public:
  explicit DialogCloser(std::wstring caption = L"ERROR")
      : m_caption(std::move(caption)), m_thread([this] {
          DesktopUser user(::GetCurrentProcessId());
          while (!m_stop) {
            if (HWND box = user.Find(m_caption, L"#32770")) {
              for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
                if (ClassOf(child) == L"Static" && !TextOf(child).empty()) m_text = TextOf(child);
              }
              ++m_boxes;
              user.Press(box, IDOK);
              while (!m_stop && ::IsWindow(box)) ::Sleep(10);
            }
            ::Sleep(10);
          }
        }) {}
  ~DialogCloser() {
    m_stop = true;
    m_thread.join();
  }
  std::wstring Text() {
    Stop();
    return m_text;
  }
  int Boxes() {
    Stop();
    return m_boxes;
  }

 private:
  void Stop() {
    if (!m_stop) {
      m_stop = true;
      m_thread.join();
      m_thread = std::thread([] {});
    }
  }
  const std::wstring m_caption;
  std::atomic<bool> m_stop{false};
  std::wstring m_text;
  std::atomic<int> m_boxes{0};
  std::thread m_thread;
};

TEST(TarifexControlWine, AnObjectWithoutTheCollectionInterfaceGivesTheBoxAndIsNotSet) {
  const struct {
    const wchar_t* property;
    const wchar_t* box;
  } cases[] = {{L"Art", L"Objeto ART no definido IVars"},
               {L"InfCom", L"Objeto COM no definido IVars"},
               {L"Gen", L"Objeto GEN no definido IVars"},
               {L"Suf", L"Objeto SUF no definido IVars"},
               {L"MDes", L"Objeto MARCA no definido IVars"}};
  // A variable is an automation object, but not a collection.
  ComPtr<IDispatch> not_a_collection;
  ASSERT_EQ(::CoCreateInstance(CLSID_Var, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               not_a_collection.put_void()),
            S_OK);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.property)));
    ComPtr<IDispatch> control = NewControl();
    // Reading a component gives its IDispatch.
    ComPtr<IVars> vars = MakeVars({{L"X", L"1"}});
    ASSERT_EQ(Put(control.get(), c.property, Object(vars.get()), DISPATCH_PROPERTYPUTREF), S_OK);
    VARIANT got = Get(control.get(), c.property);
    ASSERT_EQ(got.vt, VT_DISPATCH);
    EXPECT_TRUE(SameObject(got.pdispVal, vars.get()));
    ::VariantClear(&got);

    // The refused object leaves the component as it was.
    DialogCloser watcher;
    EXPECT_EQ(Put(control.get(), c.property, Object(not_a_collection.get())), S_OK);
    EXPECT_EQ(watcher.Text(), c.box);
    got = Get(control.get(), c.property);
    EXPECT_TRUE(SameObject(got.pdispVal, vars.get()));
    ::VariantClear(&got);

    // A new control's component stays unset.
    ComPtr<IDispatch> fresh = NewControl();
    DialogCloser second;
    EXPECT_EQ(Put(fresh.get(), c.property, Object(not_a_collection.get())), S_OK);
    EXPECT_EQ(second.Boxes(), 1);
    got = Get(fresh.get(), c.property);
    EXPECT_EQ(got.vt, VT_DISPATCH);
    EXPECT_EQ(got.pdispVal, nullptr);

    // A null object is ignored, without a box.
    DialogCloser none;
    EXPECT_EQ(Put(control.get(), c.property, Object(nullptr), DISPATCH_PROPERTYPUTREF), S_OK);
    EXPECT_EQ(none.Boxes(), 0);
    got = Get(control.get(), c.property);
    EXPECT_TRUE(SameObject(got.pdispVal, vars.get()));
    ::VariantClear(&got);
  }
}

TEST(TarifexControlWine, AboutBoxShowsTheAboutBox) {
  ComPtr<IDispatch> control = NewControl();
  DialogCloser closer(L"Acerca de TARIFEX");
  DISPPARAMS none{};
  EXPECT_EQ(control->Invoke(DISPID_ABOUTBOX, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                            &none, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_THAT(closer.Text(), HasSubstr(L"TARIFEX.OCX"));
}

// --- on a form ------------------------------------------------------------------------------------

class HostWindow {
 public:
  HostWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvexTestForm";
    ::RegisterClassW(&wc);
    m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Formulario", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~HostWindow() { ::DestroyWindow(m_hwnd); }
  HWND hwnd() const { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

TEST(TarifexControlWine, ItIsActiveInPlaceInTheHostsWindowAndDrawsItsFace) {
  HostWindow form;
  ComPtr<IDispatch> control = NewControl();
  ComPtr<IOleObject> object = control.As<IOleObject>();
  ASSERT_TRUE(object);
  DWORD status = 0;
  EXPECT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 131473u);
  const RECT place = {10, 20, 110, 50};
  dossa::ControlSite* site = dossa::ControlSite::New(form.hwnd(), place);
  ASSERT_EQ(object->SetClientSite(site), S_OK);
  ASSERT_EQ(control.As<IPersistStreamInit>()->InitNew(), S_OK);
  RECT position = place;
  ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, form.hwnd(), &position),
            S_OK);

  ComPtr<IOleInPlaceObject> in_place = control.As<IOleInPlaceObject>();
  HWND window = nullptr;
  ASSERT_EQ(in_place->GetWindow(&window), S_OK);
  EXPECT_EQ(::GetParent(window), form.hwnd());
  EXPECT_EQ(ClassOf(window), L"KorvexTarifexCtrl");
  EXPECT_TRUE(::IsWindowVisible(window));
  RECT rect{};
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 30);
  const RECT moved = {0, 0, 150, 40};
  EXPECT_EQ(in_place->SetObjectRects(&moved, &moved), S_OK);
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 150);

  // The face through IViewObject2, as a form designer prints it.
  ComPtr<IViewObject2> view = control.As<IViewObject2>();
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 100, 30);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  RECT white = {0, 0, 100, 30};
  ::FillRect(memory, &white, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const RECTL bounds = {0, 0, 100, 30};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr,
                       nullptr, 0),
            S_OK);
  int painted = 0;
  for (int x = 0; x < 100; ++x) {
    for (int y = 0; y < 30; ++y) painted += ::GetPixel(memory, x, y) != RGB(255, 255, 255);
  }
  EXPECT_GT(painted, 100 * 30 / 2);  // the box is filled, not left white
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr,
                       nullptr, 0),
            DV_E_DVASPECT);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);

  EXPECT_EQ(in_place->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
  site->Release();
}

TEST(TarifexControlWine, ItDescribesItsClassEventsAndPropertyPage) {
  ComPtr<IDispatch> control = NewControl();
  ComPtr<IProvideClassInfo2> info = control.As<IProvideClassInfo2>();
  ASSERT_TRUE(info);
  GUID events{};
  ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_TRUE(::IsEqualIID(events, DIID__DTarifexCtrlEvents));
  ComPtr<ITypeInfo> type;
  ASSERT_EQ(info->GetClassInfo(type.put()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(type->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(::IsEqualCLSID(attributes->guid, CLSID_TarifexCtrl));
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  type->ReleaseTypeAttr(attributes);

  // The empty event source takes a host's sink and lets it go again.
  ComPtr<IConnectionPointContainer> container = control.As<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__DTarifexCtrlEvents, point.put()), S_OK);
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_IPropertyNotifySink, none.put()),
            CONNECT_E_NOCONNECTION);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  IConnectionPoint* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(listed[0], point.get());
  listed[0]->Release();
  ComPtr<IDispatch> sink = NewControl();  // any IDispatch serves as a sink
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);

  // The property page edits the control's properties.
  CAUUID pages{};
  ASSERT_EQ(control.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_TRUE(::IsEqualCLSID(pages.pElems[0], CLSID_TarifexPropPage));
  ::CoTaskMemFree(pages.pElems);
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(::CoCreateInstance(CLSID_TarifexPropPage, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPropertyPage, page.put_void()),
            S_OK);
  IUnknown* objects[] = {control.get()};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  HostWindow frame;
  const RECT area = {0, 0, 300, 200};
  ASSERT_EQ(page->Activate(frame.hwnd(), &area, TRUE), S_OK);
  HWND dialog = ::GetWindow(frame.hwnd(), GW_CHILD);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(::GetDlgItem(dialog, 103)), L"C:\\");  // PathDebug
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  ::SetDlgItemTextW(dialog, 101, L"motor.aduana");  // Host
  EXPECT_EQ(page->IsPageDirty(), S_OK);
  ASSERT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(Show(Get(control.get(), L"Host")), L"motor.aduana");
  EXPECT_EQ(page->Deactivate(), S_OK);
  EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
}

}  // namespace
}  // namespace korvex::wine_test
