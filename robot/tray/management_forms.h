// What the robot's management dialogs show and how they read what the user
// typed, apart from the windows that show it: the order of profile names in
// their lists, the rows and columns of the answers dialog, the texts of the
// import/export selection, the configuration form with the corrections of
// its minute fields, and the about box's version text.  The Win32 dialogs
// (robot/win32) put these into their controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "robot/journal/report_rows.h"

namespace korvex {

class CProfile;
class RegionalSettings;
class Settings;

// --- lists of profiles ----------------------------------------------------------------------

// A profile's line in a list: its name and its index in the list the dialog
// was given (the item data of the line, so that choosing a line never
// depends on comparing names again).
struct ProfileListEntry {
  Text name;
  std::size_t index = 0;
  friend bool operator==(const ProfileListEntry&, const ProfileListEntry&) = default;
};

// The profiles as the user reads them in a sorted list: letters without
// regard to case or accents (the Spanish "ñ" after "n"), then accented after
// plain, then by code units, so that the order is the same on every machine.
std::vector<ProfileListEntry> SortedProfileList(const std::vector<CProfile*>& profiles);

// Whether a comes before b in that order.
bool ProfileNameLess(TextView a, TextView b);

// --- "Respuestas almacenadas en los perfiles" ------------------------------------------------

// "Descripción" (500), "Tipo" (150), "Respuesta" (260).
const std::vector<ReportColumn>& AnswerColumns();

// One stored answer of a profile: the question's description, the
// dialog's caption, the description of the stored answer, and the key it is
// stored under.
struct AnswerRow {
  Text description;
  Text caption;
  Text answer;
  Text key;
  friend bool operator==(const AnswerRow&, const AnswerRow&) = default;
};

// Every answer of the profile whose key and answer list read back into a
// dialog, in the profile's order; the others are left out.
std::vector<AnswerRow> AnswerRows(const CProfile& profile);

// Removes the answers stored under the keys; returns how many were there.
std::size_t RemoveAnswers(CProfile& profile, const std::vector<Text>& keys);

// --- import and export ------------------------------------------------------------------------

enum class TransferMode { Export = 0, Import = 1 };

// The selection dialog's title: "Seleccione los perfiles a importar" or
// "... a exportar" (strings 127, 128).
Text TransferTitle(TransferMode mode);
// Its warning when no row is checked: strings 129, 130.
Text TransferNothingChecked(TransferMode mode);
// Its one column.
inline constexpr char16_t kTransferColumn[] = u"Nombre del perfil";

// --- "Configuración" --------------------------------------------------------------------------

// The configuration dialog's values, as its controls hold them.
struct ConfigForm {
  Text log_dir;            // 1021
  bool own_separator = false;  // 1038
  Text separator;          // 1039
  bool use_alarm = false;  // 1024
  Text alarm_time;         // 1026, minutes
  bool must_loop = false;  // 1027
  Text loop_time;          // 1029, minutes
  Text wav_file;           // 1023
  bool show_mascot = true;  // 1031
  friend bool operator==(const ConfigForm&, const ConfigForm&) = default;
};

// The form as the settings stand (their defaults where absent); the minute
// values are clamped to 0-10 and 1-10.
ConfigForm LoadConfigForm(const Settings& settings);

// Writes every value of the form; false when the registry refused one
// (those written stay written).
bool SaveConfigForm(Settings& settings, const ConfigForm& form);

// The corrections of the minute fields as the user types: the text to put
// in place of the typed one, or nothing when it stands.  An integer and
// nothing after it stands when in range; anything else, or a value below
// the range, becomes the lowest value; above it, 10.
inline constexpr int kMaxMinutes = 10;
inline constexpr int kMinAlarmTime = 0;
inline constexpr int kMinLoopTime = 1;
std::optional<Text> CorrectedAlarmTime(TextView typed);
std::optional<Text> CorrectedLoopTime(TextView typed);

// Which alarm controls are enabled: the time (1026 and its up-down), the
// repetition box (1027), the sound chooser (1030) with the alarm on; the
// repetition period (1029 and its up-down) with the alarm and the
// repetitions on.
struct ConfigEnabling {
  bool alarm_time = false;
  bool must_loop = false;
  bool sound_button = false;
  bool loop_time = false;
  friend bool operator==(const ConfigEnabling&, const ConfigEnabling&) = default;
};
ConfigEnabling EnablingFor(bool use_alarm, bool must_loop);

// The separator the journal uses now, as the one-character text the
// separator box shows when it is checked.
Text SeparatorInForce(const Settings& settings, RegionalSettings& regional);

// --- the about box -------------------------------------------------------------------------------

// "Versión 1.2", "Versión 1.2.1" (third part non-zero, or a fourth one),
// "Versión 1.2.0.4": the product version's parts as the about box shows
// them.
Text VersionText(std::uint16_t major, std::uint16_t minor, std::uint16_t patch,
                 std::uint16_t build);

}  // namespace korvex
