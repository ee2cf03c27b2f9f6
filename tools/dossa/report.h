// The lines Dossa.exe writes about what happened: to standard output and,
// when a report file is named, to that file, each line written through at
// once so that a test reading either sees it while the program still runs.
//
// A line is one or two event words followed by key=value fields; texts are
// quoted with \" \\ \n escapes and written in UTF-8:
//   ended item=2 n=1 kind=input result=1 button="Validar lo ingresado" text="ACME"
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace korvex::dossa {

class Report {
 public:
  // Opens (and empties) the report file; an empty path writes only to
  // standard output.  Returns false when the file cannot be created.
  bool Open(const std::wstring& path);
  ~Report();

  // Starts a line with its event word; fields follow; End writes it.
  Report& Begin(std::string_view event);
  Report& Field(std::string_view key, long long value);
  Report& Word(std::string_view key, std::string_view word);     // unquoted
  Report& Field(std::string_view key, std::wstring_view text);  // quoted
  Report& Hex(std::string_view key, ULONG_PTR value);           // 0x...
  void End();

 private:
  void Write(const std::string& bytes);

  HANDLE m_file = INVALID_HANDLE_VALUE;
  std::string m_line;
};

// The report of the program; one per process.
Report& Log();

}  // namespace korvex::dossa
