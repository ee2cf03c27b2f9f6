#include "tools/dossa/report.h"

#include <cstdio>

namespace korvex::dossa {

bool Report::Open(const std::wstring& path) {
  if (path.empty()) return true;
  m_file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return m_file != INVALID_HANDLE_VALUE;
}

Report::~Report() {
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
}

Report& Report::Begin(std::string_view event) {
  m_line.assign(event);
  return *this;
}

Report& Report::Field(std::string_view key, long long value) {
  m_line += ' ';
  m_line += key;
  m_line += '=';
  m_line += std::to_string(value);
  return *this;
}

Report& Report::Word(std::string_view key, std::string_view word) {
  m_line += ' ';
  m_line += key;
  m_line += '=';
  m_line += word;
  return *this;
}

Report& Report::Field(std::string_view key, std::wstring_view text) {
  m_line += ' ';
  m_line += key;
  m_line += "=\"";
  std::wstring escaped;
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      escaped += L'\\';
      escaped += c;
    } else if (c == L'\n') {
      escaped += L"\\n";
    } else if (c == L'\r') {
      escaped += L"\\r";
    } else {
      escaped += c;
    }
  }
  if (!escaped.empty()) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, escaped.data(), static_cast<int>(escaped.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, escaped.data(), static_cast<int>(escaped.size()), utf8.data(),
                        size, nullptr, nullptr);
    m_line += utf8;
  }
  m_line += '"';
  return *this;
}

Report& Report::Hex(std::string_view key, ULONG_PTR value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  m_line += ' ';
  m_line += key;
  m_line += '=';
  m_line += buffer;
  return *this;
}

void Report::End() {
  m_line += '\n';
  Write(m_line);
  m_line.clear();
}

void Report::Write(const std::string& bytes) {
  DWORD written = 0;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) {
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  if (m_file != INVALID_HANDLE_VALUE) {
    WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

Report& Log() {
  static Report report;
  return report;
}

}  // namespace korvex::dossa
