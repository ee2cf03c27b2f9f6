// "Configuración": the robot's settings (log folder and separator, the
// alarm, the mascot), with the folder and sound-file choosers it opens.
// It reads the settings when it opens and writes them on OK only.
#pragma once

#include <windows.h>

#include "platform/text.h"
#include "robot/tray/management_forms.h"
#include "robot/win32/window.h"

namespace korvex {
class RegionalSettings;
class Settings;
}

namespace korvex::win32 {

class CConfigDialog final : public Dialog {
 public:
  CConfigDialog(Settings& settings, RegionalSettings& regional);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void ApplyEnabling();
  void OnSeparatorBox();
  // Puts the correction of a minute field in place of what was typed.
  void CorrectMinutes(int edit, std::optional<Text> (*correct)(TextView));
  ConfigForm ReadForm() const;
  bool Checked(int id) const;
  void Check(int id, bool checked);
  void Save();

  Settings& m_settings;
  RegionalSettings& m_regional;
  bool m_correcting = false;
};

// The shell's folder browser ("Seleccione un directorio por favor..."),
// file-system folders only, owned by owner, with the initial folder
// selected when it opens: the chosen folder, or an empty text when
// cancelled.
Text ChooseFolder(HWND owner, const Text& initial);

// An open-file dialog for the alarm's sound ("Archivos WAV (*.wav)"), owned
// by owner: the chosen file, or an empty text when cancelled.
Text ChooseSoundFile(HWND owner);

}  // namespace korvex::win32
