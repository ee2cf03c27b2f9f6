#include <cstdio>

#include "tarifex/control_ports.h"

namespace korvex::tarifex {

namespace {

class StdioTraceFile : public TraceFile {
 public:
  explicit StdioTraceFile(std::FILE* file) : m_file(file) {}
  ~StdioTraceFile() override { std::fclose(m_file); }
  StdioTraceFile(const StdioTraceFile&) = delete;
  StdioTraceFile& operator=(const StdioTraceFile&) = delete;

  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), m_file); }

 private:
  std::FILE* m_file;
};

}  // namespace

std::unique_ptr<TraceFile> StdioTraceFiles::Open(const std::string& path, bool append) {
  // Text mode: the Windows runtime writes each "\n" as "\r\n".
  std::FILE* file = std::fopen(path.c_str(), append ? "a" : "w");
  if (file == nullptr) return nullptr;
  return std::make_unique<StdioTraceFile>(file);
}

}  // namespace korvex::tarifex
