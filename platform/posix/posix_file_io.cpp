// The POSIX half of the file helpers: a file replaced in one step, a new
// file that never takes another's place, the program's folder.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/file_io.h"

namespace korvex {

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool ReplaceFileSafely(const Text& path, std::string_view bytes) {
  const std::string target = ToUtf8(path);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = ToUtf8(TemporaryPathBeside(path, attempt));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;  // another one's temporary file
      return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
  }
  return false;
}

void* OutputFile::OpenNew_(const Text& path, bool* exists) {
  const int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *exists = errno == EEXIST;
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return file;
}

Text ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return program.parent_path().u16string();
}

}  // namespace korvex
