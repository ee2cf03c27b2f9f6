#include "robot/watcher/mascot_animation.h"

#include <array>

namespace korvex {

namespace {

// The reflected CRC-32 table of the polynomial 0x04C11DB7.
constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeTable();

}  // namespace

int MascotAnimation::NextCount(std::uint32_t tick_count) {
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t byte = (tick_count >> (8 * i)) & 0xFF;
    m_random = (m_random >> 8) ^ kCrcTable[(m_random ^ byte) & 0xFF];
  }
  return static_cast<int>(m_random % 44) + 6;
}

bool MascotAnimation::Show(std::uint32_t tick_count) {
  m_shown = true;
  if (m_timer) return false;
  m_phase = 0;
  m_countdown = NextCount(tick_count);
  m_timer = true;
  return true;
}

void MascotAnimation::Hide() {
  m_shown = false;
  m_timer = false;
}

bool MascotAnimation::Blink() {
  if (!m_shown) return false;
  m_phase = 1;
  return true;
}

bool MascotAnimation::OnTick(std::uint32_t tick_count) {
  if (!m_shown) return false;
  if (m_phase == 0) {
    if (m_countdown > 0) --m_countdown;
    if (m_countdown > 0) return false;
    m_phase = -1;
    return true;
  }
  if (m_phase == -1 || m_phase == 6) {
    m_phase = 0;
    m_countdown = NextCount(tick_count);
    return true;
  }
  ++m_phase;
  return true;
}

int MascotAnimation::Picture() const {
  if (m_phase == 0) return kRestPicture;
  if (m_phase == -1) return kBlinkPicture;
  return (m_phase % 2 == 1) ? kAnswerPicture : kRestPicture;
}

}  // namespace korvex
