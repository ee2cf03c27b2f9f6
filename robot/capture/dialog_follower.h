// The dialog follower keeps the host dialog under the ask-the-user copy of it
// while the user answers.  Capture arms it on the dialog's handle and the
// dialog object disarms it when it goes away.
#pragma once

#include "platform/window_system.h"

namespace korvex {

class DialogFollower {
 public:
  virtual ~DialogFollower() = default;
  virtual void Arm(Hwnd dialog) = 0;
  virtual void Disarm() = 0;
};

}  // namespace korvex
