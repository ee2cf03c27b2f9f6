// Whole-file reads and writes with UTF-16 paths, on every platform.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace korvex {

// Reads the whole file as bytes; false when it cannot be opened or read.
bool ReadWholeFile(const Text& path, std::string* bytes);
// Creates or truncates the file and writes the bytes; false on any failure
// (the file may then hold part of them).
bool WriteWholeFile(const Text& path, std::string_view bytes);

}  // namespace korvex
