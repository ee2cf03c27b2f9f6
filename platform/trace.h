// Diagnostic traces of the query service and of the tariff control's robot
// client.  They name the class and method and say why an exchange ended
// ("ServeClient(): firma inválida"); the program discards them, and a test
// that wants to see why an exchange failed installs a sink.
#pragma once

namespace korvex {

using TraceSink = void (*)(const char* line);

// Installs the process-wide sink (null discards everything) and returns the
// previous one.
TraceSink SetTraceSink(TraceSink sink);
bool TraceEnabled();
// printf-style, UTF-8; the line reaches the sink without a line break.
void TraceLine(const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace korvex

// Evaluates the arguments only when a sink is installed.
#define KORVEX_TRACE(...)                                     \
  do {                                                        \
    if (::korvex::TraceEnabled()) ::korvex::TraceLine(__VA_ARGS__); \
  } while (0)
