// The one exception barrier of every boundary the system does not own: a
// window procedure, a hook procedure, a thread's entry.  A C++ exception
// must never unwind through the window system's frames (or end the process
// from a thread's entry), so each boundary runs its work through Barrier,
// which gives back a fixed result instead and reports what it stopped to
// the process's barrier sink (the trace, unless a test installs one).
#pragma once

#include <exception>
#include <type_traits>
#include <utility>

namespace korvex {

// Told where the barrier stood and what it stopped: the exception's what()
// for standard exceptions, "unknown exception" for anything else.
using BarrierSink = void (*)(const char* where, const char* what);
// Installs the process-wide sink and returns the previous one (null: the
// trace).
BarrierSink SetBarrierSink(BarrierSink sink);
void ReportStoppedException(const char* where, const char* what) noexcept;

// Runs work(); when it throws, reports the exception and returns fallback.
template <typename Work, typename Result = std::invoke_result_t<Work>>
Result Barrier(const char* where, Result fallback, Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (const std::exception& e) {
    ReportStoppedException(where, e.what());
  } catch (...) {
    ReportStoppedException(where, "unknown exception");
  }
  return fallback;
}

// For work without a result.
template <typename Work>
void Barrier(const char* where, Work&& work) noexcept {
  try {
    std::forward<Work>(work)();
  } catch (const std::exception& e) {
    ReportStoppedException(where, e.what());
  } catch (...) {
    ReportStoppedException(where, "unknown exception");
  }
}

}  // namespace korvex
