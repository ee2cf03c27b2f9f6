// The window the tariff control would ask from: a total-validation window
// with its progress frame showing an item number.  kvxtool asks the robot
// through the control's own client, which first checks that it runs inside
// such a window; this stand-in is the only window that client sees.
#pragma once

#include "platform/window_system.h"

namespace korvex::kvxtool {

class StandInValidationWindow final : public WindowSystem {
 public:
  static constexpr Hwnd kValidation = 0x10;
  static constexpr Hwnd kProgress = 0x20;

  explicit StandInValidationWindow(int item) : m_item(item) {}

  Text GetWindowTextW(Hwnd window) override {
    if (window == kValidation) return u"Validación Total de Items";
    if (window == kProgress) return u"Declaración - Validando Item: " + FromUtf8(std::to_string(m_item));
    return {};
  }
  Text GetWindowTextW(Hwnd window, int buffer_chars) override {
    Text text = GetWindowTextW(window);
    if (buffer_chars > 0 && text.size() >= static_cast<std::size_t>(buffer_chars)) {
      text.resize(static_cast<std::size_t>(buffer_chars - 1));
    }
    return text;
  }
  std::int32_t GetWindowLongW(Hwnd window, int) override {
    return (window == kValidation || window == kProgress) ? 0x10000000 : 0;  // WS_VISIBLE
  }
  Hwnd FindWindowExW(Hwnd parent, Hwnd child_after, TextView class_name) override {
    const bool frame_class = EqualsIgnoringAsciiCase(class_name, u"ThunderRT6Frame");
    return (parent == kValidation && child_after == kNoWindow && frame_class) ? kProgress
                                                                               : kNoWindow;
  }
  bool IsWindow(Hwnd window) override { return window == kValidation || window == kProgress; }

  // Nothing else exists.
  bool SetWindowTextW(Hwnd, TextView) override { return false; }
  bool SendSetText(Hwnd, TextView) override { return false; }
  Hwnd GetWindow(Hwnd, std::uint32_t) override { return kNoWindow; }
  Text GetClassNameW(Hwnd, int) override { return {}; }
  int GetDlgCtrlID(Hwnd) override { return 0; }
  bool IsWindowEnabled(Hwnd) override { return false; }
  ThreadProcessIds GetWindowThreadProcessId(Hwnd) override { return {}; }
  Text GetProcessModuleBaseName(std::uint32_t) override { return u"<unknown>"; }
  std::optional<Rect> GetWindowRect(Hwnd) override { return std::nullopt; }
  std::optional<Rect> GetClientRect(Hwnd) override { return std::nullopt; }
  int GetSystemMetrics(int) override { return 0; }
  bool SetForegroundWindow(Hwnd) override { return false; }
  Hwnd SetActiveWindow(Hwnd) override { return kNoWindow; }
  bool SendNotifyClick(Hwnd) override { return false; }
  IconHandle SendGetIcon(Hwnd) override { return 0; }
  IconHandle SendSetIcon(Hwnd, IconHandle) override { return 0; }
  IconHandle LoadSystemIcon(int) override { return 0; }
  int SendListSetCurSel(Hwnd, int) override { return win::kLbErr; }
  int SendListGetCurSel(Hwnd) override { return win::kLbErr; }
  int SendListSetTopIndex(Hwnd, int) override { return win::kLbErr; }
  int SendListGetTopIndex(Hwnd) override { return win::kLbErr; }
  int SendListFindString(Hwnd, int, TextView) override { return win::kLbErr; }
  int SendListGetCount(Hwnd) override { return 0; }
  Text SendListGetText(Hwnd, int) override { return {}; }
  Hwnd CreateChildControl(TextView, TextView, std::uint32_t, const Rect&, Hwnd, int) override {
    return kNoWindow;
  }
  bool DestroyWindow(Hwnd) override { return false; }
  std::uintptr_t SendGetFont(Hwnd) override { return 0; }
  void SendSetFont(Hwnd, std::uintptr_t) override {}
  bool PostMessageW(Hwnd, std::uint32_t, std::uintptr_t, std::intptr_t) override { return false; }
  std::intptr_t SendMessageW(Hwnd, std::uint32_t, std::uintptr_t, std::intptr_t) override {
    return 0;
  }

 private:
  int m_item;
};

}  // namespace korvex::kvxtool
