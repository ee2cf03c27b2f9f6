// The notification-area icon of the robot: its image and tooltip, its
// balloons, and its return after the shell restarts ("TaskbarCreated").  The
// clicks arrive at the notify window (the main frame) as its callback
// message; the frame decides what they do.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <map>

#include "robot/watcher/frame_ports.h"
#include "robot/win32/window.h"

namespace korvex::win32 {

class CTrayIcon final : public TrayPort {
 public:
  // The identifier is also the number of the tray's menu (132).
  explicit CTrayIcon(UINT id);
  ~CTrayIcon() override;
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  UINT Id() const { return m_data.uID; }
  void SetNotificationWnd(HWND window, UINT callback_message);
  // NIM_ADD when no icon is shown, else NIM_MODIFY; a null icon removes it
  // (NIM_DELETE).  The tooltip is cut to 127 characters.  A failed call
  // leaves no icon recorded, so that the next one adds it again.
  bool SetIcon(HICON icon, const std::wstring& tooltip);
  void Remove() { SetIcon(nullptr, {}); }
  bool Shown() const { return m_data.hIcon != nullptr; }
  const std::wstring& Tooltip() const { return m_tooltip; }
  // The shell came back: the icon as it was.
  void OnTaskbarCreated();

  // --- TrayPort ---------------------------------------------------------------------
  void SetIcon(int icon, TextView tooltip) override;
  void ShowBalloon(TextView text, TextView title, std::uint32_t timeout_ms,
                   BalloonIcon icon) override;
  void HideBalloon() override;

 private:
  HICON LoadTrayIcon(int id);

  NOTIFYICONDATAW m_data{};
  std::wstring m_tooltip;
  std::map<int, UniqueIcon> m_icons;
};

}  // namespace korvex::win32
