#include "platform/file_io.h"

#include <cstdio>
#include <memory>

namespace korvex {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const Text& path, bool write) {
#ifdef _WIN32
  const std::wstring wide(path.begin(), path.end());
  return File(_wfopen(wide.c_str(), write ? L"wb" : L"rb"));
#else
  return File(std::fopen(ToUtf8(path).c_str(), write ? "wb" : "rb"));
#endif
}

}  // namespace

bool ReadWholeFile(const Text& path, std::string* bytes) {
  File f = Open(path, false);
  if (!f) return false;
  bytes->clear();
  char buffer[64 * 1024];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes->append(buffer, n);
  return std::ferror(f.get()) == 0;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  File f = Open(path, true);
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  const bool flushed = std::fflush(f.get()) == 0;
  return written && flushed && std::fclose(f.release()) == 0;
}

}  // namespace korvex
