#include "robot/watcher/tray_state.h"

namespace korvex {

bool IsCommandEnabled(int state, TrayCommand command) {
  // Rows: states 1 to 8; columns: the commands in menu order.
  static constexpr bool kTable[8][10] = {
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // 1 busy
      {0, 1, 0, 0, 0, 1, 0, 1, 1, 1},  // 2 no profiles
      {0, 0, 0, 0, 0, 0, 0, 0, 1, 1},  // 3 running, no profile
      {0, 0, 0, 0, 0, 0, 1, 0, 0, 0},  // 4 running with a profile
      {1, 1, 1, 1, 1, 1, 0, 0, 1, 1},  // 5 validation window, no profile
      {0, 0, 0, 0, 0, 0, 1, 0, 0, 0},  // 6 profile with records
      {1, 1, 0, 1, 1, 1, 1, 0, 1, 1},  // 7 profile without records
      {0, 1, 1, 1, 1, 1, 0, 1, 1, 1},  // 8 no validation window
  };
  if (state < 1 || state > 8) return false;
  return kTable[state - 1][static_cast<int>(command)];
}

}  // namespace korvex
