// The tariff control's string table.  Identifiers 2000 and above have a
// Spanish text and, 1000 higher, a French one; the control's Lang property
// picks the block (1: French, anything else: Spanish).  Identifiers below
// 2000 are the names of internal errors and are the same in both languages.
//
// Texts are the control's 8-bit strings (Windows-1252).  Patterns take
// printf-style inserts (%s, %d, %ld) filled by FormatControlText.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "tarifex/question_dialogs.h"

namespace korvex::tarifex {

namespace ids {
// Names of internal errors.
inline constexpr int kDispatcher = 1006;
inline constexpr int kActionUnknown = 1007;
inline constexpr int kAllocationFailure = 1011;
inline constexpr int kMessageParsing = 1027;
// 1028 to 1034: the record parser's errors (ParseError's values).

inline constexpr int kBudgetAvailable = 2050;
inline constexpr int kAttention = 2051;
inline constexpr int kDateMissing = 2052;
inline constexpr int kCannotOpenSession = 2053;
inline constexpr int kCannotSend = 2054;
inline constexpr int kCannotReceive = 2055;
inline constexpr int kQuestionCaption = 2056;
inline constexpr int kMessageCaption = 2057;
inline constexpr int kCancelledByUser = 2058;
inline constexpr int kHostError = 2059;
inline constexpr int kInternalErrorCaption = 2060;
inline constexpr int kCannotContinue = 2061;
inline constexpr int kPcError = 2062;
inline constexpr int kCannotOpenTraceFile = 2065;
inline constexpr int kBenefitsTrace = 2068;
inline constexpr int kSessionErrorDetails = 2069;
inline constexpr int kListsUsed = 2070;
inline constexpr int kListsNotUsed = 2071;
inline constexpr int kRulesNotExecuted = 2072;
inline constexpr int kRulesColumns = 2073;
inline constexpr int kRulesExecuted = 2074;
inline constexpr int kRulesOkColumns = 2075;
inline constexpr int kRuleExecuted = 2076;
inline constexpr int kRuleConditionFalse = 2077;
inline constexpr int kRuleNotConsidered = 2078;
inline constexpr int kYes = 2080;
inline constexpr int kNo = 2081;
// Section headers of the run summary in "tarifex.trc", one per result
// collection.
inline constexpr int kSummaryComplementaryData = 2087;
inline constexpr int kSummarySuffixes = 2088;
inline constexpr int kSummaryDocuments = 2089;
inline constexpr int kSummaryPositions = 2090;
inline constexpr int kSummaryGeneralMessages = 2091;
inline constexpr int kSummaryMarks = 2092;
inline constexpr int kSummaryRules = 2093;
inline constexpr int kSummaryMessages = 2094;
inline constexpr int kSummaryModels = 2095;
inline constexpr int kSummaryQuotas = 2096;
inline constexpr int kSummaryRequests = 2097;
inline constexpr int kSummaryBenefits = 2098;
inline constexpr int kSummaryLiquidation = 2099;
// The question dialogs' texts, whose Spanish texts are those of their one
// definition (tarifex/question_dialogs.h).  The data-entry dialog "Ingreso
// de dato complementario": caption, the explanation, the prompt ("%s": the
// value's name) and its two buttons.
inline constexpr int kDataInputCaption = data_input::kCaption.id;
inline constexpr int kDataInputNotice = data_input::kNotice.id;
inline constexpr int kDataInputPrompt = data_input::kPrompt.id;
inline constexpr int kAcceptValue = data_input::kAccept.id;
inline constexpr int kEndTreatment = data_input::kEnd.id;
// The option dialog "Seleccion de una opcion" and its three buttons.
inline constexpr int kOptionsCaption = options::kCaption.id;
inline constexpr int kSelectOptionButton = options::kSelect.id;
inline constexpr int kSelectNoneButton = options::kSelectNone.id;
inline constexpr int kCancelTreatmentButton = options::kCancel.id;
// The about box.
inline constexpr int kAboutCaption = 2110;
inline constexpr int kAboutText = 2111;
inline constexpr int kAboutClose = 2112;
}  // namespace ids

inline constexpr int kFrenchOffset = 1000;
inline constexpr std::int16_t kLangFrench = 1;

// The text of an identifier exactly as stored (no language shift); empty
// when the table has none.
std::string LoadControlStringById(int id);
// The text of an identifier in the language of Lang.
std::string LoadControlString(int id, std::int16_t lang);

// One insert: a text or a number.
using TextArg = std::variant<std::string_view, long long>;

// Fills a printf-style pattern: %s takes a text, %d, %i and %ld a number (a
// text given for a number, or a number for a text, is written as it is), %c
// a text's first character, %% gives "%".  Missing inserts are empty; any
// other "%" is copied.  Inserts are never read as patterns, so engine texts
// are safe to pass.
std::string FormatControlText(std::string_view pattern, std::initializer_list<TextArg> args);

}  // namespace korvex::tarifex
