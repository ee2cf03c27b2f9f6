// The mascot (CRaravOvedov): a small topmost picture in the lower right
// corner of the work area while a profile is active.  It idles with a blink
// now and then, plays a short animation each time the robot answers by
// itself, offers the tray's menu on a right click and hides on a double
// click.  The window is of the dialog class "#32770", titled "RaravOvedov",
// subclassed by this object.
#pragma once

#include <windows.h>

#include <functional>

#include "robot/watcher/frame_ports.h"
#include "robot/watcher/mascot_animation.h"
#include "robot/win32/window.h"

namespace korvex {
class Settings;
}

namespace korvex::win32 {

class CRaravOvedov final : public MascotPort, private Subclass {
 public:
  // menu_update applies the tray state to the menu before it is shown; the
  // frame receives the menu's commands.
  CRaravOvedov(const Settings& settings, std::function<void(HMENU)> menu_update);
  ~CRaravOvedov() override;

  // Creates the window, hidden.
  bool Create(HWND frame);
  HWND hwnd() const { return Subclass::hwnd(); }

  // --- MascotPort ----------------------------------------------------------------------
  void Show(bool show) override;
  void Blink() override;
  bool Shown() const { return m_animation.Shown(); }
  int Picture() const { return m_animation.Picture(); }

 private:
  static constexpr UINT_PTR kTimerId = 1;

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  RECT Placement() const;
  void Paint();
  void ShowMenu();

  const Settings& m_settings;
  std::function<void(HMENU)> m_menuUpdate;
  HWND m_frame = nullptr;
  UniqueBitmap m_bitmaps[3];  // rest, blink, answer
  SIZE m_size{100, 80};
  MascotAnimation m_animation;
  bool m_timer = false;
};

}  // namespace korvex::win32
