#include "robot/key/system_icons.h"

#include <mutex>

namespace korvex {

namespace {

std::mutex g_mutex;
SystemIcons g_icons;  // nothing matches until the program sets them

std::optional<std::int32_t> Load(WindowSystem& ws, int id) {
  const IconHandle icon = ws.LoadSystemIcon(id);
  if (icon == 0) return std::nullopt;
  return static_cast<std::int32_t>(icon);
}

}  // namespace

SystemIcons LoadSystemIcons(WindowSystem& ws) {
  SystemIcons icons;
  icons.hand = Load(ws, win::kIdiHand);
  icons.asterisk = Load(ws, win::kIdiAsterisk);
  icons.question = Load(ws, win::kIdiQuestion);
  icons.exclamation = Load(ws, win::kIdiExclamation);
  return icons;
}

SystemIcons GetSystemIcons() {
  std::lock_guard lock(g_mutex);
  return g_icons;
}

SystemIcons SetSystemIcons(const SystemIcons& icons) {
  std::lock_guard lock(g_mutex);
  SystemIcons previous = g_icons;
  g_icons = icons;
  return previous;
}

}  // namespace korvex
