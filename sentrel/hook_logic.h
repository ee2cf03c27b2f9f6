// The decisions of the window hook that Sentrel.dll installs into the host
// program, as portable logic: window events go in, the notifications to post
// to the robot's main frame come out.  The DLL feeds this from its
// WH_CALLWNDPROCRET procedure; the native tests feed it sequences of events.
//
// This code runs inside someone else's program on every message its
// user-interface thread processes, so it allocates nothing, calls no library
// and keeps its whole state in a few integers.  It includes nothing but
// <cstdint>, which lets the DLL link without any C or C++ runtime.  The
// notifications it posts are those of sentrel/notifications.h, and the
// captions it recognises (compared without regard to case) those of
// sentrel/host_windows.h.
#pragma once

#include <cstdint>

#include "sentrel/host_windows.h"
#include "sentrel/notifications.h"

namespace korvex::sentrel {

// A window handle as a number; 0 is "no window".
using WindowId = std::uintptr_t;

// The window messages the hook looks at (Win32 values).
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmShowWindow = 0x0018;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;

// Window styles of the creation parameters (Win32 values).
inline constexpr std::uint32_t kWsPopup = 0x80000000u;
inline constexpr std::uint32_t kWsChild = 0x40000000u;

// The part of the creation parameters (CREATESTRUCTW) the hook reads.
struct CreationParams {
  WindowId parent = 0;            // parent of a child window, owner of a top-level one
  std::uint32_t style = 0;
  const char16_t* caption = nullptr;  // null: no caption given
};

// One PostMessageW to the robot's window.
struct Post {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
  friend bool operator==(const Post&, const Post&) = default;
};

// The posts that one processed message produces, in order.  A message never
// produces more than two (a notification of its own and a readiness post).
struct Posts {
  Post items[2];
  int count = 0;

  void Add(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    if (count < 2) items[count++] = Post{message, wparam, lparam};
  }
};

// Hands the posts, in order, to post(robot window, post).  Nothing is posted
// while no robot window is registered: PostMessageW to no window would post
// to the thread that calls it, the host's own user-interface thread.
template <class PostFn>
void DeliverPosts(const Posts& posts, WindowId robot_window, PostFn&& post) {
  if (robot_window == 0) return;
  for (int i = 0; i < posts.count; ++i) post(robot_window, posts.items[i]);
}

// Case-insensitive equality of two null-terminated UTF-16 texts: ASCII and
// Latin-1 letters compare without case ("VALIDACIÓN" equals "validación"),
// every other code unit compares exactly.
bool EqualsIgnoringCase(const char16_t* a, const char16_t* b);

// The per-process state of the hook and its decisions.  All values start at
// 0, so a static instance needs no constructor to run.
class HookLogic {
 public:
  // Process attach: every value back to 0.
  void Reset();

  // One message the host's window procedure has processed.  creation is the
  // decoded lParam of WM_CREATE (null when there is none, which is treated as
  // a window without caption); it is ignored for other messages.
  Posts OnMessage(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                  const CreationParams* creation);

  WindowId validation_window() const { return m_validationWnd; }
  WindowId validate_button() const { return m_validateButton; }
  WindowId tracked_dialog() const { return m_trackedDialog; }
  WindowId pending_window() const { return m_pendingWnd; }

 private:
  void CheckCreation(WindowId window, const CreationParams* creation, Posts& posts);
  void OnDestroy(WindowId window, Posts& posts);
  void CheckReadiness(WindowId window, std::uint32_t message, Posts& posts);
  void Await(WindowId window, std::uint32_t message, std::intptr_t lparam);

  WindowId m_validationWnd = 0;
  WindowId m_validateButton = 0;
  WindowId m_trackedDialog = 0;
  WindowId m_pendingWnd = 0;
  std::uint32_t m_pendingMessage = 0;
  std::intptr_t m_pendingLParam = 0;
  std::uint32_t m_seenMask = 0;  // bit 0 WM_INITDIALOG seen, bit 1 WM_SHOWWINDOW seen
};

}  // namespace korvex::sentrel
