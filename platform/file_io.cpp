#include "platform/file_io.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace korvex {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenStdFile(const Text& path, bool write) {
#ifdef _WIN32
  const std::wstring wide(path.begin(), path.end());
  return File(_wfopen(wide.c_str(), write ? L"wb" : L"rb"));
#else
  return File(std::fopen(ToUtf8(path).c_str(), write ? "wb" : "rb"));
#endif
}

}  // namespace

void* OutputFile::Open_(const Text& path) { return OpenStdFile(path, true).release(); }

bool ReadWholeFile(const Text& path, std::string* bytes, std::size_t max_bytes,
                   bool* too_large) {
  if (too_large != nullptr) *too_large = false;
  bytes->clear();
  File f = OpenStdFile(path, false);
  if (!f) return false;
  // A file known to be too large is not read at all; one that grows while
  // it is read stops at the bound.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(std::filesystem::path(path), error);
  if (!error && size > max_bytes) {
    if (too_large != nullptr) *too_large = true;
    return false;
  }
  char buffer[64 * 1024];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
    if (n > max_bytes - bytes->size()) {
      bytes->clear();
      bytes->shrink_to_fit();
      if (too_large != nullptr) *too_large = true;
      return false;
    }
    bytes->append(buffer, n);
  }
  return std::ferror(f.get()) == 0;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  File f = OpenStdFile(path, true);
  if (!f) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
  const bool flushed = std::fflush(f.get()) == 0;
  return written && flushed && std::fclose(f.release()) == 0;
}

Text TemporaryPathBeside(const Text& path, unsigned attempt) {
  // The tick count and a process-wide counter keep two programs (or two
  // threads) writing beside the same file apart.
  static std::atomic<unsigned> counter{0};
  const auto ticks = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  char tag[40];
  std::snprintf(tag, sizeof tag, ".%llx%x%x.tmp", ticks & 0xFFFFFFFFFFull, counter++, attempt);
  return path + FromUtf8(tag);
}

bool CreateFolders(const Text& path) {
  std::error_code error;
  const std::filesystem::path folder(path);
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Open(const Text& path) {
  Close();
  m_failed = false;
  m_file = Open_(path);
  return m_file != nullptr;
}

OutputFile::NewFile OutputFile::OpenNew(const Text& path) {
  Close();
  m_failed = false;
  bool exists = false;
  m_file = OpenNew_(path, &exists);
  if (m_file != nullptr) return NewFile::kOpened;
  return exists ? NewFile::kExists : NewFile::kFailed;
}

void OutputFile::Write(std::string_view bytes) {
  if (m_file == nullptr || m_failed) return;
  auto* f = static_cast<std::FILE*>(m_file);
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) m_failed = true;
}

void OutputFile::Flush() {
  if (m_file != nullptr && !m_failed && std::fflush(static_cast<std::FILE*>(m_file)) != 0) {
    m_failed = true;
  }
}

bool OutputFile::Close() {
  if (m_file == nullptr) return false;
  const bool closed = std::fclose(static_cast<std::FILE*>(m_file)) == 0;
  m_file = nullptr;
  return closed && !m_failed;
}

}  // namespace korvex
