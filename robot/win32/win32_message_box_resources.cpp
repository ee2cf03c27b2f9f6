#include "robot/win32/win32_message_box_resources.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"

namespace korvex::win32 {

Win32MessageBoxResources::~Win32MessageBoxResources() {
  if (m_user32 != nullptr) ::FreeLibrary(m_user32);
}

IconHandle Win32MessageBoxResources::LoadSystemIcon(int id) {
  return FromHicon(::LoadIconW(nullptr, MAKEINTRESOURCEW(id)));
}

bool Win32MessageBoxResources::LoadMB_GetString() {
  std::call_once(m_once, [this] {
    m_user32 = ::LoadLibraryW(L"user32.dll");
    if (m_user32 == nullptr) return;
    m_getString = reinterpret_cast<MbGetString>(
        reinterpret_cast<void*>(::GetProcAddress(m_user32, "MB_GetString")));
    if (m_getString == nullptr) {
      ::FreeLibrary(m_user32);
      m_user32 = nullptr;
    }
  });
  return m_getString != nullptr;
}

std::optional<Text> Win32MessageBoxResources::MB_GetString(unsigned index) {
  if (!LoadMB_GetString()) return std::nullopt;
  const LPCWSTR text = m_getString(index);
  if (text == nullptr) return std::nullopt;
  return FromWide(text, ::wcslen(text));
}

}  // namespace korvex::win32
