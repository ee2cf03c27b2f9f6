#include "platform/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace korvex {

namespace {
std::atomic<TraceSink> g_sink{nullptr};
}  // namespace

TraceSink SetTraceSink(TraceSink sink) { return g_sink.exchange(sink); }

bool TraceEnabled() { return g_sink.load(std::memory_order_relaxed) != nullptr; }

void TraceLine(const char* format, ...) {
  const TraceSink sink = g_sink.load();
  if (sink == nullptr) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  sink(line);
}

}  // namespace korvex
