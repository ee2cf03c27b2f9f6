#include "tests/native/query_test_support.h"

#if defined(__linux__)
#include <filesystem>
#endif

namespace korvex::testing {

std::optional<ProcessResources> CountProcessResources() {
#if defined(__linux__)
  const auto count = [](const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
  };
  ProcessResources r;
  r.threads = count("/proc/self/task");
  r.descriptors = count("/proc/self/fd");
  return r;
#else
  return std::nullopt;
#endif
}

}  // namespace korvex::testing
