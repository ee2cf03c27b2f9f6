// The Win32 half of the file helpers: a file replaced in one step, a new
// file that never takes another's place, the program's folder.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/win32/wide_text.h"

namespace korvex {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool ReplaceFileSafely(const Text& path, std::string_view bytes) {
  const std::wstring target = win32::ToWide(path);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temporary = win32::ToWide(TemporaryPathBeside(path, attempt));
    HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;  // another one's temporary file
      return false;
    }
    bool ok = WriteAll(file, bytes) && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file) && ok;
    if (ok && ::MoveFileExW(temporary.c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return false;
}

void* OutputFile::OpenNew_(const Text& path, bool* exists) {
  // Others may read and write the file meanwhile, as with the runtime's own
  // open.
  const HANDLE handle = ::CreateFileW(win32::ToWide(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    *exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return nullptr;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd == -1) {
    ::CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, "wb");
  if (file == nullptr) ::_close(fd);
  return file;
}

Text ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return win32::FromWide(path.substr(0, slash));
}

}  // namespace korvex
