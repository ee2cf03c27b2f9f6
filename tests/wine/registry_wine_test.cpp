// The profile store against Wine's real registry: what one run stores, the
// next run finds, and reg.exe shows the same values.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/win32/win32_registry.h"
#include "robot/profiles/profile_repository.h"

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

Text Key(const std::string& caption) {
  return FromUtf8("class CDynWindow|<>" + caption +
                  "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|2|"
                  "class CMetaButton|<>Aceptar|1|class CMetaButton|<>Cancelar|1|");
}
const Text kPress = u"2|class CPressButton|class CNullInteraction|";
// A one-button box and its answer: the pairs of the large store.
Text OneButtonKey(const std::string& caption) {
  return FromUtf8("class CDynWindow|<>" + caption +
                  "|4294967295|4294967295|4294967295|4294967295|4294967295|4294967295|1|"
                  "class CMetaButton|<>Aceptar|1|");
}
const Text kPressOne = u"1|class CPressButton|";
const Text kCancel = u"2|class CNullInteraction|class CPressButton|";

// What reg.exe prints for a key of the store (the same tool as `wine reg`).
std::string RegQuery(const std::string& profile) {
  const std::string command =
      "reg query \"HKCU\\Software\\Norvane\\KORVEX\\Store\\" + profile + "\" 2>&1";
  std::string out;
  if (FILE* pipe = _popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    _pclose(pipe);
  }
  return out;
}

void DeleteStore() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Store");
}

class RegistryWineTest : public ::testing::Test {
 protected:
  void SetUp() override { DeleteStore(); }
  void TearDown() override { DeleteStore(); }
  Win32Registry registry;
};

TEST_F(RegistryWineTest, AnswersStoredInOneRunAreFoundInTheNext) {
  {
    CProfileRepository repo(registry);
    CProfile& a = repo.CreateProfile(u"Aduana Norte");
    CProfile& b = repo.CreateProfile(u"Señal");
    a.SetAnswer(Key("uno"), kPress);
    a.SetAnswer(Key("dos"), kPress);
    a.SetAnswer(Key("dos"), kCancel);
    a.RemoveAnswer(Key("uno"));
    b.SetAnswer(Key("uno"), kCancel);
    b.SetAnswer(Key("tres"), kPress);
  }
  CProfileRepository again(registry);
  ASSERT_EQ(again.GetProfiles().size(), 2u);
  const CProfile* a = again.FindProfile(u"Aduana Norte");
  const CProfile* b = again.FindProfile(u"Señal");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_THAT(a->GetKeys(), ElementsAre(Key("dos")));
  EXPECT_EQ(a->GetAnswer(Key("dos")), kCancel);
  EXPECT_EQ(b->GetAnswer(Key("uno")), kCancel);
  EXPECT_EQ(b->GetAnswer(Key("tres")), kPress);
  EXPECT_EQ(again.GetLastNumber(), 5);

  const std::string shown = RegQuery("Aduana Norte");
  EXPECT_THAT(shown, HasSubstr("key3"));
  EXPECT_THAT(shown, HasSubstr("value3"));
  EXPECT_THAT(shown, HasSubstr("REG_SZ"));
  EXPECT_THAT(shown, HasSubstr("2|class CNullInteraction|class CPressButton|"));
  EXPECT_THAT(shown, Not(HasSubstr("key1")));  // removed
  EXPECT_THAT(shown, Not(HasSubstr("key2")));  // replaced

  again.DeleteProfile(u"Aduana Norte");
  HKEY gone = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Store\\Aduana Norte", 0,
                            KEY_READ | KEY_WOW64_32KEY, &gone),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CProfileRepository(registry).GetProfiles().size(), 1u);
}

TEST_F(RegistryWineTest, StoredDataHasNoTerminatingNul) {
  {
    CProfileRepository repo(registry);
    repo.CreateProfile(u"P").SetAnswer(Key("x"), kPress);
  }
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Store\\P", 0,
                            KEY_READ | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  DWORD type = 0, bytes = 0;
  EXPECT_EQ(::RegQueryValueExW(key, L"value1", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
  ::RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, kPress.size() * 2);
}

// Loading a store of 10 000 pairs in 20 profiles from Wine's registry; the
// time is printed for the record, never asserted.
TEST_F(RegistryWineTest, LoadsALargeStore) {
  HKEY store = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Store", 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &store, nullptr),
            ERROR_SUCCESS);
  int n = 0;
  for (int p = 0; p < 20; ++p) {
    HKEY profile = nullptr;
    const std::wstring name = L"Perfil " + std::to_wstring(p);
    ASSERT_EQ(::RegCreateKeyExW(store, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                nullptr, &profile, nullptr),
              ERROR_SUCCESS);
    for (int i = 0; i < 500; ++i) {
      ++n;
      const Text key = OneButtonKey("Pregunta " + std::to_string(n));
      const std::wstring key_name = L"key" + std::to_wstring(n);
      const std::wstring value_name = L"value" + std::to_wstring(n);
      ::RegSetValueExW(profile, key_name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(key.data()), static_cast<DWORD>(key.size() * 2));
      ::RegSetValueExW(profile, value_name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(kPressOne.data()),
                       static_cast<DWORD>(kPressOne.size() * 2));
    }
    ::RegCloseKey(profile);
  }
  ::RegCloseKey(store);

  const auto start = std::chrono::steady_clock::now();
  CProfileRepository repo(registry);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::size_t pairs = 0;
  for (const CProfile* p : repo.GetProfiles()) pairs += p->GetCount();
  EXPECT_EQ(pairs, 10000u);
  EXPECT_EQ(repo.GetLastNumber(), 10000);
  std::printf("[ figure   ] loading 10000 pairs in 20 profiles from the registry: %.1f ms\n",
              std::chrono::duration<double, std::milli>(elapsed).count());

  // What bounds it: the bare reads of the same keys and values, one system
  // call each (every one a round trip to Wine's server), without the store.
  const auto bare_start = std::chrono::steady_clock::now();
  std::size_t values = 0;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Norvane\\KORVEX\\Store", 0,
                            KEY_READ | KEY_WOW64_32KEY, &store),
            ERROR_SUCCESS);
  wchar_t name[256];
  std::wstring data(4096, L'\0');
  for (DWORD p = 0;; ++p) {
    DWORD name_size = 256;
    if (::RegEnumKeyExW(store, p, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    HKEY profile = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(store, name, 0, KEY_READ | KEY_WOW64_32KEY, &profile),
              ERROR_SUCCESS);
    for (DWORD v = 0;; ++v) {
      DWORD value_size = 256;
      DWORD bytes = static_cast<DWORD>(data.size() * 2);
      DWORD type = 0;
      if (::RegEnumValueW(profile, v, name, &value_size, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS) {
        break;
      }
      ++values;
    }
    ::RegCloseKey(profile);
  }
  ::RegCloseKey(store);
  const auto bare = std::chrono::steady_clock::now() - bare_start;
  EXPECT_EQ(values, 20000u);
  std::printf("[ figure   ] the bare registry reads of the same 20000 values: %.1f ms\n",
              std::chrono::duration<double, std::milli>(bare).count());
}

}  // namespace
}  // namespace korvex
