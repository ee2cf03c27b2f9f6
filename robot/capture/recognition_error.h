// The failures of capture and of reading stored keys and answers: a signed
// 32-bit code raised as an error of its own type, so that whoever handles a
// dialog or a stored entry can tell them from every other failure.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace korvex {

namespace recognition_code {
inline constexpr std::int32_t kWrongCaption = 115;           // question capture on another caption
inline constexpr std::int32_t kErrorIcon = 123579;           // the dialog shows the system error icon
inline constexpr std::int32_t kUnsupportedControl = 715911;  // a child that is neither button nor static
inline constexpr std::int32_t kUnknownControlClass = 713111;  // key: child token names no class
inline constexpr std::int32_t kUnknownDialogClass = 975321;   // key: first token names no dialog class
inline constexpr std::int32_t kUnknownInteraction = 111317;   // answers: token names no interaction
}  // namespace recognition_code

class RecognitionError : public std::runtime_error {
 public:
  RecognitionError(std::int32_t code, const char* what) : std::runtime_error(what), m_code(code) {}
  std::int32_t code() const noexcept { return m_code; }

 private:
  std::int32_t m_code;
};

}  // namespace korvex
