// The robot's Spanish string table, by identifier.  The Windows program's
// resource script carries the same texts under the same identifiers.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "platform/text.h"

namespace korvex {

namespace str {
inline constexpr int kEndedWithActions = 103;
inline constexpr int kAutomatic = 104;
inline constexpr int kValidationDetected = 105;
inline constexpr int kManual = 107;
inline constexpr int kRobotActive = 109;
inline constexpr int kProfileActivated = 111;
inline constexpr int kDisconnected = 112;
inline constexpr int kValidationEnded = 113;
inline constexpr int kValidatingItem = 114;
inline constexpr int kNoLogFile = 116;
inline constexpr int kHeaderItem = 119;
inline constexpr int kHeaderAction = 120;
inline constexpr int kHeaderAnswerType = 121;
inline constexpr int kHeaderQuestion = 122;
inline constexpr int kHeaderAnswer = 123;
inline constexpr int kMessage = 124;
inline constexpr int kQuestion = 125;
inline constexpr int kImportFailed = 126;
inline constexpr int kSelectToImport = 127;
inline constexpr int kSelectToExport = 128;
inline constexpr int kSelectOneToImport = 129;
inline constexpr int kSelectOneToExport = 130;
inline constexpr int kImportDone = 131;
inline constexpr int kExportDone = 132;
inline constexpr int kExportFailed = 133;
inline constexpr int kTrayIdleTip = 137;
inline constexpr int kMainFrameCaption = 146;
// The program's own texts, beyond those of the original table.
inline constexpr int kStoreWriteFailed = 150;
inline constexpr int kStoreLoadFailed = 151;
inline constexpr int kStoreTitle = 152;
inline constexpr int kProgramName = 153;
inline constexpr int kConfigSaveFailed = 154;
// The query service, when it does not listen where the tariff control
// looks first.
inline constexpr int kQueryPortTaken = 180;
inline constexpr int kQueryServiceDown = 181;
inline constexpr int kQueryServiceTitle = 182;
// The about box's link: the manual installed beside the program (also the
// link control's identifier).
inline constexpr int kManualFile = 1042;
}  // namespace str

// Every identifier of the table, in increasing order (the resource script
// holds the same texts; a test compares the two).
const std::vector<int>& RobotStringIds();

// The text of a string; empty for an identifier the table does not hold.
Text LoadRobotString(int id);

// One insert of a formatted message: a text or a number.
using MessageArg = std::variant<Text, std::int64_t>;

// Formats a message the way the system's message formatter does with a
// string source: %1 to %99 take the inserts (with an optional printf-style
// specifier between "!" marks, such as %1!04d!), %% gives "%", %n a line
// break, %0 ends the message; an insert that is missing is left as written.
Text FormatMessageText(TextView pattern, const std::vector<MessageArg>& args);

}  // namespace korvex
