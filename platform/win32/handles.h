// Handle conversions between the ports' numbers and the Win32 handle types,
// and an owner for kernel handles.
#pragma once

#include <windows.h>

#include "platform/window_system.h"

namespace korvex::win32 {

inline HWND ToHwnd(Hwnd window) { return reinterpret_cast<HWND>(window); }
inline Hwnd FromHwnd(HWND window) { return reinterpret_cast<Hwnd>(window); }

inline HICON ToHicon(IconHandle icon) { return reinterpret_cast<HICON>(icon); }
inline IconHandle FromHicon(HICON icon) { return reinterpret_cast<IconHandle>(icon); }

// Owns a kernel handle (process, thread, event) and closes it once.  Both
// null and INVALID_HANDLE_VALUE mean "no handle".
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE h = m_handle;
    m_handle = nullptr;
    return h;
  }
  void reset(HANDLE handle = nullptr) {
    if (*this) ::CloseHandle(m_handle);
    m_handle = handle;
  }

 private:
  HANDLE m_handle = nullptr;
};

}  // namespace korvex::win32
