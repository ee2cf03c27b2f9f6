// Whole-file reads and writes with UTF-16 paths, on every platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace korvex {

// The separator the file system joins folder and file names with.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// Reads the whole file as bytes; false when it cannot be opened or read, or
// when it holds more than max_bytes (then *too_large is set, if given, and
// no more than that was read).
bool ReadWholeFile(const Text& path, std::string* bytes,
                   std::size_t max_bytes = static_cast<std::size_t>(-1),
                   bool* too_large = nullptr);
// Creates or truncates the file and writes the bytes; false on any failure
// (the file may then hold part of them).
bool WriteWholeFile(const Text& path, std::string_view bytes);

// Puts the bytes in the file's place without ever leaving it half written:
// they go to a new temporary file beside it, and only when every write, the
// flush to the disk and the close succeeded does that file replace the
// target in one step.  On any failure the target is left as it was (or
// absent, if it was) and the temporary file is removed.
bool ReplaceFileSafely(const Text& path, std::string_view bytes);

// The name of temporary file number `attempt` beside path: same folder, the
// file's name with a suffix unlikely to be in use.
Text TemporaryPathBeside(const Text& path, unsigned attempt);

// Creates a folder and its missing parents; false when it does not exist
// afterwards.
bool CreateFolders(const Text& path);

// The folder of the running program's file, without a trailing separator;
// empty when it cannot be read.
Text ProgramFolder();

// A file open for writing, created or truncated, that other programs may
// read and write meanwhile.  Once a write fails the file stays failed and
// takes nothing more, like a C++ stream.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Open(const Text& path);
  // Creates the file only when no file of that name exists: never writes
  // over another.
  enum class NewFile { kOpened, kExists, kFailed };
  NewFile OpenNew(const Text& path);
  bool IsOpen() const { return m_file != nullptr; }
  bool Failed() const { return m_failed; }
  void Write(std::string_view bytes);
  void Flush();
  // Closes the file; false when it was not open or a write or the close
  // failed.
  bool Close();

 private:
  static void* Open_(const Text& path);
  // The per-system half of OpenNew: a std::FILE* open for writing, or null
  // with *exists set when the name is taken.
  static void* OpenNew_(const Text& path, bool* exists);
  void* m_file = nullptr;  // std::FILE*
  bool m_failed = false;
};

}  // namespace korvex
