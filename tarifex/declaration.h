// The declaration object the control builds from the host's data before each
// run and sends to the engine as the "UD" record, and the trace dumps of the
// data components.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/window_system.h"
#include "tarifex/control_ports.h"
#include "tarifex/host_data.h"

namespace korvex::tarifex {

// The five data components the host sets; any of them may be unset (null).
struct DataComponents {
  std::shared_ptr<HostCollection> art;
  std::shared_ptr<HostCollection> infcom;
  std::shared_ptr<HostCollection> gen;
  std::shared_ptr<HostCollection> suf;
  std::shared_ptr<HostCollection> mdes;
};

inline constexpr std::string_view kCreateVariableFailed = "Error al crear una instancia de IVar";

// The folder the dumps go to, joined to the file names as is: "c:\art.trc",
// "c:\dec.trc", "c:\com.trc", "c:\suf.trc", "c:\marca.trc", "c:\ven.trc".
inline constexpr std::string_view kDefaultDumpFolder = "c:\\";

struct Preparation {
  HostComponents& components;
  TraceFiles& files;
  ControlUi& ui;
  Hwnd window = kNoWindow;  // owner of the boxes of dump errors
  std::int16_t lang = 0;
  std::string dump_folder{kDefaultDumpFolder};
};

// Prepares the declaration object:
//  1. empties it and copies every variable of Gen, then of Art, into it;
//  2. without a variable "CODBENEF", adds one per word of the benefit text;
//  3. dumps Art, the declaration, InfCom, Suf and MDes to the dump files,
//     and the benefit text to "ven.trc" (a component error while dumping is
//     shown in a box captioned "DEBUG"; a dump that cannot be written is
//     skipped);
//  4. with a variable "IESPNCE" (the tariff position), adds IESPCAP,
//     IESPPART, IESPSUBP and IESPNCM derived from it;
//  5. requires a variable "DDDTOFICIA" (the date of the declaration).
// False with *error set when it fails: a variable that cannot be created, a
// component error, or no date.
bool PrepareDeclaration(HostCollection& declaration, const DataComponents& data,
                        std::string_view benefits, const Preparation& preparation,
                        std::string* error);

// Writes every variable of the collection as one line: a tab, then
// "NAME = VALUE", or "NAME = VALUE (THIRD)" when the third field is set.
// Raises ComponentError.
void WriteVariables(TraceFile& file, HostCollection& collection);

}  // namespace korvex::tarifex
