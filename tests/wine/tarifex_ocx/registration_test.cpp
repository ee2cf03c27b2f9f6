// TARIFEX.OCX's registration beside another copy of it: registering or
// unregistering one file touches only what that file registered.  The
// program's environment has registered the control beside the test
// (ControlPath()); a copy elsewhere plays an older installation's file
// moved aside, or a second copy a broker put on the machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/tarifex_ocx/ocx_test_support.h"

namespace korvex::wine_test {
namespace {

using com::ComPtr;

const std::wstring kControlKey = L"CLSID\\" + com::GuidText(CLSID_TarifexCtrl);
const std::wstring kPageKey = L"CLSID\\" + com::GuidText(CLSID_TarifexPropPage);
const std::wstring kProgId = L"TARIFEX.TarifexCtrl.1";
const std::wstring kTypeLibKey = L"TypeLib\\" + com::GuidText(LIBID_TARIFEXLib) + L"\\1.0\\0\\" +
                                 (sizeof(void*) == 8 ? L"win64" : L"win32");

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(handle);
  return true;
}

// A key's default value, lower case (paths compare without case);
// "<missing>" when there is none.
std::wstring DefaultOf(const std::wstring& key) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  std::wstring text = data;
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

// A copy of TARIFEX.OCX in a folder of its own, removed afterwards.
class ControlCopy {
 public:
  ControlCopy() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_folder = std::wstring(temp) + L"korvex-ocx-copy-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(m_folder.c_str(), nullptr);
    m_path = m_folder + L"\\TARIFEX.OCX";
    m_copied = ::CopyFileW(ControlPath().c_str(), m_path.c_str(), FALSE) != FALSE;
  }
  ~ControlCopy() {
    ::DeleteFileW(m_path.c_str());
    ::RemoveDirectoryW(m_folder.c_str());
  }
  bool copied() const { return m_copied; }
  const std::wstring& path() const { return m_path; }

 private:
  std::wstring m_folder;
  std::wstring m_path;
  bool m_copied = false;
};

// The installed control's registration is whole and a host can create the
// control by its ProgID.
void ExpectTheInstalledRegistration() {
  EXPECT_EQ(DefaultOf(kControlKey + L"\\InprocServer32"), Lower(ControlPath()));
  EXPECT_EQ(DefaultOf(kPageKey + L"\\InprocServer32"), Lower(ControlPath()));
  EXPECT_EQ(DefaultOf(kProgId + L"\\CLSID"), Lower(com::GuidText(CLSID_TarifexCtrl)));
  EXPECT_EQ(DefaultOf(kTypeLibKey), Lower(ControlPath()));
  EXPECT_TRUE(KeyExists(L"Interface\\" + com::GuidText(IID_ITarifexCtrl)));
  CLSID clsid{};
  ASSERT_EQ(::CLSIDFromProgID(kProgId.c_str(), &clsid), S_OK);
  ComPtr<IDispatch> control;
  EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               control.put_void()),
            S_OK);
}

TEST(TarifexRegistrationWine, UnregisteringAnotherCopyLeavesTheInstalledRegistration) {
  ControlCopy copy;
  ASSERT_TRUE(copy.copied());
  // Nothing of the registry names the copy: there is nothing of its own to
  // remove, and that is no failure.
  EXPECT_EQ(Regsvr32(copy.path(), true), 0);
  ExpectTheInstalledRegistration();
}

TEST(TarifexRegistrationWine, AFailedRegistrationLeavesTheEarlierOneWorking) {
  ControlCopy copy;
  ASSERT_TRUE(copy.copied());
  // An earlier registration of the installed file, written in keys a
  // registration cannot add to: the registry refuses a lasting subkey under
  // a volatile key, so the copy's registration fails half-way, after it has
  // written over the server's path.
  ASSERT_EQ(Regsvr32(ControlPath(), true), 0);
  const auto create = [](const std::wstring& path, const std::wstring& value,
                         const wchar_t* name = nullptr) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  };
  create(kControlKey, L"TARIFEX Control");
  create(kControlKey + L"\\ProgID", kProgId);
  create(kControlKey + L"\\InprocServer32", ControlPath());
  create(kControlKey + L"\\InprocServer32", L"Apartment", L"ThreadingModel");
  create(kProgId, L"TARIFEX Control");
  create(kProgId + L"\\CLSID", com::GuidText(CLSID_TarifexCtrl));
  HKEY probe = nullptr;
  const LSTATUS refused =
      ::RegCreateKeyExW(HKEY_CLASSES_ROOT, (kControlKey + L"\\Control").c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &probe, nullptr);
  if (refused == ERROR_SUCCESS) {
    ::RegCloseKey(probe);
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kControlKey.c_str());
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId.c_str());
    ASSERT_EQ(Regsvr32(ControlPath(), false), 0);
    GTEST_SKIP() << "this registry takes lasting subkeys under volatile keys";
  }

  EXPECT_NE(Regsvr32(copy.path(), false), 0);
  // The server's path, written over before the failure, is the installed
  // file's again; nothing of the copy's registration stays.
  EXPECT_EQ(DefaultOf(kControlKey + L"\\InprocServer32"), Lower(ControlPath()));
  EXPECT_EQ(DefaultOf(kProgId + L"\\CLSID"), Lower(com::GuidText(CLSID_TarifexCtrl)));
  EXPECT_FALSE(KeyExists(kControlKey + L"\\Control"));
  EXPECT_FALSE(KeyExists(kPageKey));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + com::GuidText(LIBID_TARIFEXLib)));
  CLSID clsid{};
  ASSERT_EQ(::CLSIDFromProgID(kProgId.c_str(), &clsid), S_OK);
  ComPtr<IDispatch> control;
  EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               control.put_void()),
            S_OK);
  control.reset();

  // The installed file registered whole again, for the other tests.
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kControlKey.c_str());
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId.c_str());
  ASSERT_EQ(Regsvr32(ControlPath(), false), 0);
  ExpectTheInstalledRegistration();
}

}  // namespace
}  // namespace korvex::wine_test
