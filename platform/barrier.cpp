#include "platform/barrier.h"

#include <atomic>

#include "platform/trace.h"

namespace korvex {

namespace {
std::atomic<BarrierSink> g_sink{nullptr};
}  // namespace

BarrierSink SetBarrierSink(BarrierSink sink) { return g_sink.exchange(sink); }

void ReportStoppedException(const char* where, const char* what) noexcept {
  if (BarrierSink sink = g_sink.load(); sink != nullptr) {
    sink(where, what);
    return;
  }
  KORVEX_TRACE("%s: excepción detenida: %s", where, what);
}

}  // namespace korvex
