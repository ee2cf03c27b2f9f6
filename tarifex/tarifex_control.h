// The tariff control's logic: its properties, the host's data components,
// one run of the tariff engine for an item and the engine's commands.  The
// control's COM shell forwards its dispatch interface here; everything the
// run touches outside the control goes through a port.
//
// A run: the engine is started (193), the result store reset, the
// declaration object prepared, the session opened (142), the item's data
// sent as records (the debug flag, "UD", "UC", "US", "UM", the benefits,
// "EA:*"), then the engine's commands are served one by one until it sends
// "TXT_OK", answered by "END:*".  Commands that need a person ask the robot
// first and show the control's own dialog only without an answer; commands
// that deliver results fill the result collections or the trace files under
// PathDebug.  The session is closed and the engine ended (194) on every way
// out, and the reason of a failure is left in MsgError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/window_system.h"
#include "tarifex/control_ports.h"
#include "tarifex/declaration.h"
#include "tarifex/engine_port.h"
#include "tarifex/engine_record.h"
#include "tarifex/host_data.h"
#include "tarifex/result_store.h"

namespace korvex::tarifex {

// The persistent properties, with the defaults of a new control.
struct ControlProperties {
  std::string host;
  std::string port;
  bool debug = false;
  // The directory prefix of the result trace files, joined to their names
  // as is (so it ends in a backslash).
  std::string path_debug = "C:\\";
  bool btn_no_seleccionar = true;
  std::int16_t lang = 0;  // 1: French texts
};

struct ControlPorts {
  TariffEngine& engine;
  HostComponents& components;
  RobotQuestions& robot;
  ControlUi& ui;
  TraceFiles& files;
};

// The records the control sends, byte for byte.
// "DBG(EOB=<04>,MOD=L,IFS=<02>,EOL=<03>):1<03>" ("0" without Debug).
std::string DebugRecord(bool debug);
// "NAME(IFS=<02>,MOD=B,EOB=<04>,EOL=<03>):" and NAME<02>VALUE<03> per
// variable, the last <03> replaced by <04>; an empty value is sent as "*".
// An unset or empty collection is "NOP:*".  Raises ComponentError.
std::string DataObjectRecord(std::string_view name, HostCollection* data);
// "UBENEF(EOB=<04>,MOD=L,IFS=<02>,EOL=<03>):CODES<03>".
std::string BenefitsRecord(std::string_view benefit_codes);

class TarifexControl {
 public:
  enum class Data { Art, InfCom, Gen, Suf, MDes };

  explicit TarifexControl(const ControlPorts& ports);
  TarifexControl(const TarifexControl&) = delete;
  TarifexControl& operator=(const TarifexControl&) = delete;

  ControlProperties& Properties() { return m_properties; }
  const ControlProperties& Properties() const { return m_properties; }

  // The data components the host sets (null: unset).
  void SetData(Data which, std::shared_ptr<HostCollection> collection);
  std::shared_ptr<HostCollection> GetData(Data which) const;
  // Appends a benefit code: the first as is, the others after one blank.
  void AddBenef(std::string_view code);
  const std::string& Benefits() const { return m_benefits; }
  // Empties the five data components and forgets the benefit codes.
  bool ClearAllData();

  // One run of the engine for the current data; window is the host's window
  // that owns every box and dialog of the run.  False on any failure, with
  // the reason in MsgError().  An exception of a port reaches the caller
  // (the COM method's barrier) after the session is closed and the engine
  // ended.
  bool ExecTarifex(Hwnd window);
  // The error text of the last run.
  const std::string& MsgError() const { return m_error; }
  // The error text saved with the host's form, readable until the next run.
  void RestoreMsgError(std::string error) { m_error = std::move(error); }

  const ResultStore& Results() const { return m_results; }
  // The declaration object built for the last run (null before the first).
  std::shared_ptr<HostCollection> Declaration() const { return m_declaration; }

  // Where the dumps of the data components go ("c:\" unless changed).
  void SetDumpFolder(std::string folder) { m_dumpFolder = std::move(folder); }

 private:
  struct Command;
  static const Command kCommands[];

  bool Run();
  bool PrepareDeclaration();
  bool OpenSession();
  void CloseSession();
  // The end of every run: the session closed, the engine ended (194), the
  // arrow cursor back.
  void EndRun() noexcept;
  bool SendRecord(std::string_view record);
  bool ReceiveRecord(std::string* record);
  bool Dispatch(const std::string& text);
  void InternalError(std::string_view what, std::string_view why);
  std::string Text(int id) const;

  // Commands; each returns false when it ends the run.
  bool DispatchTXT(const CommandRecord& command);
  bool DispatchDMSG(const CommandRecord& command);
  bool DispatchCOM(const CommandRecord& command);
  bool DispatchAOPT(const CommandRecord& command);
  bool DispatchEND(const CommandRecord& command);
  bool DispatchUPOS(const CommandRecord& command);
  bool DispatchULST(const CommandRecord& command);
  bool DispatchURGL(const CommandRecord& command);
  bool DispatchUCONT(const CommandRecord& command);
  bool DispatchUCOM(const CommandRecord& command);
  bool DispatchUSUF(const CommandRecord& command);
  bool DispatchIMSG(const CommandRecord& command);
  bool DispatchSTOP(const CommandRecord& command);
  bool DispatchIERROR(const CommandRecord& command);
  bool DispatchNTAX(const CommandRecord& command);
  bool DispatchUDOC(const CommandRecord& command);
  bool DispatchMDES(const CommandRecord& command);
  bool DispatchURGD(const CommandRecord& command);
  bool DispatchAEEM(const CommandRecord& command);
  bool DispatchAPLM(const CommandRecord& command);
  bool DispatchCUPO(const CommandRecord& command);
  bool DispatchAEDS(const CommandRecord& command);

  // Which fields of a line make a variable.
  struct VariableFields {
    int name = 0;
    int value = 1;       // -1: an empty value
    int third = -1;      // -1: no third field set
    bool empty_third = false;  // sets an empty third field
  };
  void AddVariables(ResultStore::Collection which, const CommandRecord& command,
                    VariableFields fields);
  // Opens PathDebug + name from empty; null (and the error text set) when it
  // cannot be opened.
  std::unique_ptr<TraceFile> OpenTrace(const char* name);

  ControlPorts m_ports;
  ControlProperties m_properties;
  DataComponents m_data;
  std::string m_benefits;
  std::shared_ptr<HostCollection> m_declaration;
  std::string m_dumpFolder{kDefaultDumpFolder};
  ResultStore m_results;

  // The state of a run.
  std::string m_error;
  Hwnd m_window = kNoWindow;
  EngineMessage m_outgoing;
  EngineMessage m_incoming;
  bool m_sessionOpen = false;
};

}  // namespace korvex::tarifex
