#include "robot/tray/management_forms.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/registry.h"
#include "robot/capture/recognition_error.h"
#include "robot/common/robot_strings.h"
#include "robot/common/settings.h"
#include "robot/journal/csv_stream.h"
#include "robot/key/descriptions.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile.h"

namespace korvex {

// --- lists of profiles ----------------------------------------------------------------------

namespace {

// The letter an upper-case Latin-1 letter is read as, or 0 when it is not
// an accented letter of one.
char16_t BaseLetter(char16_t upper) {
  if (upper >= 0xC0 && upper <= 0xC5) return u'A';
  if (upper == 0xC7) return u'C';
  if (upper >= 0xC8 && upper <= 0xCB) return u'E';
  if (upper >= 0xCC && upper <= 0xCF) return u'I';
  if ((upper >= 0xD2 && upper <= 0xD6) || upper == 0xD8) return u'O';
  if (upper >= 0xD9 && upper <= 0xDC) return u'U';
  if (upper == 0xDD || upper == 0x178) return u'Y';
  return 0;
}

struct CollationKey {
  std::vector<std::uint32_t> letters;  // without case or accents; "Ñ" after "N"
  std::vector<bool> accents;           // which characters carried an accent
};

CollationKey KeyOf(TextView name) {
  CollationKey key;
  key.letters.reserve(name.size());
  key.accents.reserve(name.size());
  for (char16_t c : name) {
    const char16_t upper = RegistryUpcase(c);
    std::uint32_t weight = static_cast<std::uint32_t>(upper) << 2;
    bool accent = false;
    if (upper == 0xD1) {
      weight = (static_cast<std::uint32_t>(u'N') << 2) | 2;  // between "N" and "O"
    } else if (const char16_t base = BaseLetter(upper); base != 0) {
      weight = static_cast<std::uint32_t>(base) << 2;
      accent = true;
    }
    key.letters.push_back(weight);
    key.accents.push_back(accent);
  }
  return key;
}

}  // namespace

bool ProfileNameLess(TextView a, TextView b) {
  const CollationKey ka = KeyOf(a);
  const CollationKey kb = KeyOf(b);
  if (ka.letters != kb.letters) return ka.letters < kb.letters;
  if (ka.accents != kb.accents) return ka.accents < kb.accents;
  return a < b;
}

std::vector<ProfileListEntry> SortedProfileList(const std::vector<CProfile*>& profiles) {
  std::vector<ProfileListEntry> entries;
  entries.reserve(profiles.size());
  for (std::size_t i = 0; i < profiles.size(); ++i) {
    if (profiles[i] != nullptr) entries.push_back({profiles[i]->GetName(), i});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ProfileListEntry& a, const ProfileListEntry& b) {
                     return ProfileNameLess(a.name, b.name);
                   });
  return entries;
}

// --- the answers dialog ----------------------------------------------------------------------

const std::vector<ReportColumn>& AnswerColumns() {
  static const std::vector<ReportColumn> columns = {
      {u"Descripción", 500, false}, {u"Tipo", 150, false}, {u"Respuesta", 260, false}};
  return columns;
}

std::vector<AnswerRow> AnswerRows(const CProfile& profile) {
  const std::vector<Text> keys = profile.GetKeys();
  const std::vector<Text> values = profile.GetValues();
  std::vector<AnswerRow> rows;
  rows.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
    std::unique_ptr<CDossaWindow> dialog;
    try {
      dialog = ReadKey(keys[i], values[i]);
    } catch (const RecognitionError&) {
      continue;  // an entry that does not read back is not listed
    }
    rows.push_back({DescribeQuestion(*dialog), dialog->GetCaption(), DescribeAnswer(*dialog),
                    keys[i]});
  }
  return rows;
}

std::size_t RemoveAnswers(CProfile& profile, const std::vector<Text>& keys) {
  std::size_t removed = 0;
  for (const Text& key : keys) {
    if (!profile.HasAnswer(key)) continue;
    profile.RemoveAnswer(key);
    ++removed;
  }
  return removed;
}

// --- import and export -----------------------------------------------------------------------

Text TransferTitle(TransferMode mode) {
  return LoadRobotString(mode == TransferMode::Import ? str::kSelectToImport
                                                      : str::kSelectToExport);
}

Text TransferNothingChecked(TransferMode mode) {
  return LoadRobotString(mode == TransferMode::Import ? str::kSelectOneToImport
                                                      : str::kSelectOneToExport);
}

// --- the configuration dialog ----------------------------------------------------------------

namespace {

Text Decimal(long long n) { return FromUtf8(std::to_string(n)); }

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// The typed text read the way "%d%c" reads it with exactly one conversion:
// blanks, a sign, digits, and nothing after them.  A number too large for
// an int is as far out of range as it looks, so it saturates.
std::optional<long long> ReadWholeInteger(TextView text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const std::size_t digits = i;
  long long value = 0;
  constexpr long long kLimit = std::numeric_limits<int>::max();
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min(value * 10 + (text[i] - u'0'), kLimit + 1);
  }
  if (i == digits || i != text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<Text> Corrected(TextView typed, int lowest) {
  const std::optional<long long> value = ReadWholeInteger(typed);
  if (!value || *value < lowest) return Decimal(lowest);
  if (*value > kMaxMinutes) return Decimal(kMaxMinutes);
  return std::nullopt;
}

// The value a minute field holds once corrected.
std::uint32_t MinutesOf(TextView text, int lowest) {
  if (const std::optional<Text> corrected = Corrected(text, lowest)) {
    return static_cast<std::uint32_t>(*ReadWholeInteger(*corrected));
  }
  return static_cast<std::uint32_t>(*ReadWholeInteger(text));
}

std::uint32_t Clamp(std::uint32_t value, std::uint32_t lowest) {
  return std::clamp<std::uint32_t>(value, lowest, kMaxMinutes);
}

}  // namespace

std::optional<Text> CorrectedAlarmTime(TextView typed) { return Corrected(typed, kMinAlarmTime); }

std::optional<Text> CorrectedLoopTime(TextView typed) { return Corrected(typed, kMinLoopTime); }

ConfigForm LoadConfigForm(const Settings& settings) {
  ConfigForm form;
  form.log_dir = settings.LogDir();
  const Text separator = settings.LogSeparator();
  form.own_separator = separator != kNoSeparator;
  // The box holds one character: a longer stored value shows what is used.
  form.separator = form.own_separator ? separator.substr(0, 1) : Text();
  form.use_alarm = settings.UseAlarm();
  form.must_loop = settings.AlarmMustLoop();
  // A REG_DWORD written by hand may read as a huge number; the range decides.
  form.alarm_time = Decimal(Clamp(settings.AlarmTime(), kMinAlarmTime));
  form.loop_time = Decimal(Clamp(settings.AlarmLoopTime(), kMinLoopTime));
  form.wav_file = settings.WavFile();
  form.show_mascot = settings.ShowMascot();
  return form;
}

bool SaveConfigForm(Settings& settings, const ConfigForm& form) {
  bool ok = true;
  ok = settings.SetString(u"LogDir", form.log_dir) && ok;
  ok = settings.SetString(u"WavFile", form.wav_file) && ok;
  ok = settings.SetInt(u"AlarmTime", MinutesOf(form.alarm_time, kMinAlarmTime)) && ok;
  ok = settings.SetInt(u"AlarmLoopTime", MinutesOf(form.loop_time, kMinLoopTime)) && ok;
  ok = settings.SetInt(u"UseAlarm", form.use_alarm ? 1 : 0) && ok;
  ok = settings.SetInt(u"AlarmMustLoop", form.must_loop ? 1 : 0) && ok;
  ok = settings.SetInt(u"ShowMascot", form.show_mascot ? 1 : 0) && ok;
  ok = settings.SetString(u"LogSeparator",
                          form.own_separator ? TextView(form.separator) : kNoSeparator) &&
       ok;
  return ok;
}

ConfigEnabling EnablingFor(bool use_alarm, bool must_loop) {
  return {use_alarm, use_alarm, use_alarm, use_alarm && must_loop};
}

Text SeparatorInForce(const Settings& settings, RegionalSettings& regional) {
  return Text(1, GetLogSeparator(settings, regional));
}

// --- the about box ------------------------------------------------------------------------------

Text VersionText(std::uint16_t major, std::uint16_t minor, std::uint16_t patch,
                 std::uint16_t build) {
  Text text = u"Versión " + Decimal(major) + u"." + Decimal(minor);
  if (patch != 0 || build != 0) text += u"." + Decimal(patch);
  if (build != 0) text += u"." + Decimal(build);
  return text;
}

}  // namespace korvex
