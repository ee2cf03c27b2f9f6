// The script of the stand-in tariff engine (Mendrel.dll in
// tools/tarifex_standins/mendrel): the records the engine sends in one run,
// in order, in the line format of tools/common/script_lines.h.
//
//   open-fails                  the session cannot be opened (142 gives -1)
//   txt TEXT [as=NAME]          a yes/no question (TXT)
//   dmsg TEXT                   a message for the declarant (DMSG)
//   com NAME [as=NAME]          asks for the complementary value NAME (COM)
//   aopt OPTION... [as=NAME]    a choice among the options (AOPT; field 0 of
//                               each line is its number from 1, field 1 its
//                               text)
//   stop TEXT                   the engine stops the run with TEXT (STOP)
//   record NAME [LINE]...       any record; each LINE is its fields joined
//                               by "|"; without lines "NAME:*"
//
// After the last record the engine sends "TXT_OK".  A question with
// as=NAME makes the engine, once the control has replied, send the reply
// back as a complementary datum (a "UCOM" record NAME=reply), so that it
// ends in the control's RInfCom collection where the host can read it.
// Texts are UTF-8 in the file and the engine's 8-bit strings (Windows-1252)
// in the records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/common/script_lines.h"

namespace korvex::standins {

struct EngineStep {
  std::string record;   // as the engine sends it
  std::string echo_as;  // a question's as=NAME; empty: no echo
};

struct EngineScript {
  bool open_fails = false;
  std::vector<EngineStep> steps;  // the last one is "TXT_OK"
};

inline constexpr std::string_view kRunDone = "TXT_OK";

// Reads a script.  Throws tools::ScriptError for the first line that cannot
// be read.
EngineScript ParseEngineScript(std::string_view utf8);

// The record that gives a question's reply back: "UCOM" with the line
// NAME<IFS>reply (a separator in the reply becomes a blank).
std::string EchoRecord(std::string_view name, std::string_view reply);

// A record as a readable line: the separators and the cancel marker as
// <02>, <03>, <04>, <FE>, other bytes as Windows-1252 characters in UTF-8.
std::string ShowRecord(std::string_view record);

}  // namespace korvex::standins
