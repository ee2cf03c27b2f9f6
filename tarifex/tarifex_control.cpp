// The run of the tariff engine and its command table.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "tarifex/control_strings.h"
#include "tarifex/tarifex_control.h"

namespace korvex::tarifex {

namespace {

inline constexpr std::string_view kRunDone = "TXT_OK";
inline constexpr std::string_view kStartEvaluation = "EA:*";
inline constexpr std::string_view kEndRecord = "END:*";
inline constexpr std::string_view kNoData = "NOP:*";

// A host text that holds one of the record's separators would cut the
// record short on the engine's side; the separator becomes a blank.
std::string WithoutSeparators(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == kFieldSeparator || c == kEndOfLine || c == kEndOfBlock) c = ' ';
  }
  return out;
}

std::string LineRecord(std::string_view name, std::string_view text) {
  std::string record(name);
  record += "(EOB=";
  record += kEndOfBlock;
  record += ",MOD=L,IFS=";
  record += kFieldSeparator;
  record += ",EOL=";
  record += kEndOfLine;
  record += "):";
  record += WithoutSeparators(text);
  record += kEndOfLine;
  return record;
}

// Whether the robot answered a consulting command.
bool TraceRobot(const char* command, bool answered) {
  if (answered) {
    KORVEX_TRACE("CTarifexCtrl::Dispatch%s() === TENGO RESPUESTA DEL ROBOT; NO MUESTRO EL DIÁLOGO",
                 command);
  } else {
    KORVEX_TRACE("CTarifexCtrl::Dispatch%s() === NO TENGO RESPUESTA DEL ROBOT; PREGUNTO AL USUARIO",
                 command);
  }
  return answered;
}

std::string CString(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// A number as the trace files read it: optional blanks and sign, then
// digits and nothing else.
bool ReadNumber(std::string_view text, long* number) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return false;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  if (i >= text.size() || i + 9 < text.size()) return false;  // at most 9 digits
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  *number = negative ? -value : value;
  return true;
}

std::string JoinFields(const CommandRecord& command, std::size_t line, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += " - ";
    out += command.Field(line, i);
  }
  return out;
}

}  // namespace

std::string DebugRecord(bool debug) { return LineRecord("DBG", debug ? "1" : "0"); }

std::string BenefitsRecord(std::string_view benefit_codes) {
  return LineRecord("UBENEF", benefit_codes);
}

std::string DataObjectRecord(std::string_view name, HostCollection* data) {
  const std::int32_t count = data != nullptr ? data->GetCount() : 0;
  std::string record(name);
  record += "(IFS=";
  record += kFieldSeparator;
  record += ",MOD=B,EOB=";
  record += kEndOfBlock;
  record += ",EOL=";
  record += kEndOfLine;
  record += "):";
  bool any = false;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::shared_ptr<HostVariable> variable = data->GetItem(i);
    if (variable == nullptr) continue;
    const std::string value = variable->GetValue();
    record += WithoutSeparators(variable->GetName());
    record += kFieldSeparator;
    record += value.empty() ? std::string("*") : WithoutSeparators(value);
    record += kEndOfLine;
    any = true;
  }
  if (!any) return std::string(kNoData);
  record.back() = kEndOfBlock;
  return record;
}

struct TarifexControl::Command {
  std::string_view name;
  bool (TarifexControl::*handler)(const CommandRecord&);
};

const TarifexControl::Command TarifexControl::kCommands[] = {
    {"AOPT", &TarifexControl::DispatchAOPT},   {"TXT", &TarifexControl::DispatchTXT},
    {"COM", &TarifexControl::DispatchCOM},     {"END", &TarifexControl::DispatchEND},
    {"UPOS", &TarifexControl::DispatchUPOS},   {"ULST", &TarifexControl::DispatchULST},
    {"URGL", &TarifexControl::DispatchURGL},   {"UCONT", &TarifexControl::DispatchUCONT},
    {"UCOM", &TarifexControl::DispatchUCOM},   {"USUF", &TarifexControl::DispatchUSUF},
    {"DMSG", &TarifexControl::DispatchDMSG},   {"IMSG", &TarifexControl::DispatchIMSG},
    {"STOP", &TarifexControl::DispatchSTOP},   {"IERROR", &TarifexControl::DispatchIERROR},
    {"NTAX", &TarifexControl::DispatchNTAX},   {"UDOC", &TarifexControl::DispatchUDOC},
    {"MDES", &TarifexControl::DispatchMDES},   {"URGD", &TarifexControl::DispatchURGD},
    {"AEEM", &TarifexControl::DispatchAEEM},   {"APLM", &TarifexControl::DispatchAPLM},
    {"CUPO", &TarifexControl::DispatchCUPO},   {"AEDS", &TarifexControl::DispatchAEDS},
};

TarifexControl::TarifexControl(const ControlPorts& ports)
    : m_ports(ports), m_results(ports.components, ports.files, ports.ui) {}

void TarifexControl::SetData(Data which, std::shared_ptr<HostCollection> collection) {
  switch (which) {
    case Data::Art: m_data.art = std::move(collection); break;
    case Data::InfCom: m_data.infcom = std::move(collection); break;
    case Data::Gen: m_data.gen = std::move(collection); break;
    case Data::Suf: m_data.suf = std::move(collection); break;
    case Data::MDes: m_data.mdes = std::move(collection); break;
  }
}

std::shared_ptr<HostCollection> TarifexControl::GetData(Data which) const {
  switch (which) {
    case Data::Art: return m_data.art;
    case Data::InfCom: return m_data.infcom;
    case Data::Gen: return m_data.gen;
    case Data::Suf: return m_data.suf;
    case Data::MDes: return m_data.mdes;
  }
  return nullptr;
}

void TarifexControl::AddBenef(std::string_view code) {
  if (!m_benefits.empty()) m_benefits += ' ';
  m_benefits += code;
}

bool TarifexControl::ClearAllData() {
  for (HostCollection* data : {m_data.art.get(), m_data.infcom.get(), m_data.gen.get(),
                               m_data.suf.get(), m_data.mdes.get()}) {
    if (data == nullptr) continue;
    try {
      data->Clear();
    } catch (const ComponentError& e) {
      m_results.ShowComponentError(e.what());
    }
  }
  m_benefits.clear();
  return true;
}

std::string TarifexControl::Text(int id) const { return LoadControlString(id, m_properties.lang); }

// ---------------------------------------------------------------------------
// The run

bool TarifexControl::ExecTarifex(Hwnd window) {
  m_error.clear();
  m_window = window;
  m_outgoing = {};
  m_incoming = {};
  m_sessionOpen = false;
  m_ports.ui.ShowWaitCursor();
  m_ports.engine.Begin();
  // Every way out of the run, an exception of any port included, closes the
  // session and ends the engine; the exception goes on to the caller.
  struct EndOfRun {
    TarifexControl& control;
    ~EndOfRun() { control.EndRun(); }
  } end_of_run{*this};
  const bool done = Run();
  if (done) {
    KORVEX_TRACE("CTarifexCtrl::ExecTarifex() FIN OK");
  } else {
    KORVEX_TRACE("CTarifexCtrl::ExecTarifex() error: %s", m_error.c_str());
  }
  return done;
}

void TarifexControl::EndRun() noexcept {
  // Each step is taken even when one before it fails; nothing leaves here
  // while an exception may be on its way out.
  try {
    CloseSession();
  } catch (...) {
    m_sessionOpen = false;
  }
  try {
    m_ports.engine.End();
  } catch (...) {
  }
  try {
    m_ports.ui.ShowArrowCursor();
  } catch (...) {
  }
}

bool TarifexControl::Run() {
  m_results.Reset(m_properties.path_debug);
  if (!PrepareDeclaration() || !OpenSession()) return false;
  try {
    // Each record is built just before it goes out.
    if (!SendRecord(DebugRecord(m_properties.debug)) ||
        !SendRecord(DataObjectRecord("UD", m_declaration.get())) ||
        !SendRecord(DataObjectRecord("UC", m_data.infcom.get())) ||
        !SendRecord(DataObjectRecord("US", m_data.suf.get())) ||
        !SendRecord(DataObjectRecord("UM", m_data.mdes.get())) ||
        !SendRecord(BenefitsRecord(m_benefits)) || !SendRecord(kStartEvaluation)) {
      return false;
    }
  } catch (const ComponentError& e) {
    m_error = e.what();
    return false;
  }

  std::string record;
  if (!ReceiveRecord(&record)) return false;
  while (record != kRunDone) {
    if (!Dispatch(record)) return false;
    // A dialog may have changed the cursor.
    m_ports.ui.ShowWaitCursor();
    if (!ReceiveRecord(&record)) return false;
  }
  if (!SendRecord(kEndRecord)) return false;
  m_results.AppendSummary(m_properties.path_debug, m_properties.lang);
  if (m_properties.debug) {
    m_ports.ui.MessageBoxA(m_window, Text(ids::kBudgetAvailable), Text(ids::kAttention),
                           mb::kIconInformation);
  }
  m_results.MarkOk();
  return true;
}

bool TarifexControl::PrepareDeclaration() {
  if (m_declaration == nullptr) {
    std::int32_t code = 0;
    m_declaration = m_ports.components.CreateCollection(&code);
    if (m_declaration == nullptr) {
      m_error = CreateComponentFailedText(code);
      return false;
    }
  }
  const Preparation preparation{m_ports.components, m_ports.files, m_ports.ui, m_window,
                                m_properties.lang, m_dumpFolder};
  return tarifex::PrepareDeclaration(*m_declaration, m_data, m_benefits, preparation, &m_error);
}

bool TarifexControl::OpenSession() {
  TariffEngine& engine = m_ports.engine;
  const std::int32_t session =
      engine.OpenSession(m_properties.host.c_str(), m_properties.port.c_str());
  if (session == -1) {
    const char* cause = engine.ErrorCause();
    const char* error = engine.ErrorText(cause);
    const char* function = engine.ErrorFunction(error);
    const std::int32_t number = engine.ErrorNumber(function);
    m_error = FormatControlText(Text(ids::kSessionErrorDetails),
                                {Text(ids::kCannotOpenSession), m_properties.host,
                                 static_cast<long long>(number), CString(function),
                                 CString(error), CString(cause)});
    return false;
  }
  engine.BindSession(session, session);
  m_sessionOpen = true;
  return true;
}

void TarifexControl::CloseSession() {
  if (!m_sessionOpen) return;
  m_sessionOpen = false;
  m_ports.engine.ClearMessage(&m_outgoing);
  m_ports.engine.ClearMessage(&m_incoming);
  m_ports.engine.CloseSession();
}

bool TarifexControl::SendRecord(std::string_view record) {
  if (!m_sessionOpen) return false;
  const std::string text(record);  // zero-terminated
  TariffEngine& engine = m_ports.engine;
  engine.ClearMessage(&m_outgoing);
  engine.PutRecord(&m_outgoing, text.c_str(), static_cast<std::int32_t>(text.size() + 1));
  if (engine.Send(&m_outgoing) == 0) {
    m_error = Text(ids::kCannotSend);
    CloseSession();
    return false;
  }
  return true;
}

bool TarifexControl::ReceiveRecord(std::string* record) {
  TariffEngine& engine = m_ports.engine;
  engine.ClearMessage(&m_incoming);
  const char* text = engine.Receive(&m_incoming) != 0 ? engine.ReceivedRecord(&m_incoming) : nullptr;
  if (text == nullptr) {
    m_error = Text(ids::kCannotReceive);
    CloseSession();
    return false;
  }
  *record = text;
  return true;
}

bool TarifexControl::Dispatch(const std::string& text) {
  CommandRecord command;
  const ParseError error = ParseRecord(text, command);
  if (error != ParseError::None) {
    InternalError(LoadControlStringById(ids::kMessageParsing), ParseErrorName(error));
    return false;
  }
  for (const Command& entry : kCommands) {
    if (entry.name == command.Name()) return (this->*entry.handler)(command);
  }
  InternalError(LoadControlStringById(ids::kDispatcher),
                LoadControlStringById(ids::kActionUnknown));
  return false;
}

void TarifexControl::InternalError(std::string_view what, std::string_view why) {
  const std::string text = FormatControlText(Text(ids::kPcError), {what, why});
  KORVEX_TRACE("CTarifexCtrl::InternalError(): %s", text.c_str());
  SendRecord(kCancelMarkerRecord);
  m_ports.ui.MessageBoxA(m_window, text, Text(ids::kInternalErrorCaption), mb::kIconWarning);
  m_error = Text(ids::kCannotContinue);
}

// ---------------------------------------------------------------------------
// The consulting commands: the robot first, the control's dialog without an
// answer.

bool TarifexControl::DispatchTXT(const CommandRecord& command) {
  const std::string text(command.FirstField());
  const std::string caption = Text(ids::kQuestionCaption);
  constexpr std::uint32_t kType = mb::kYesNo | mb::kIconQuestion;
  std::int32_t answer = 0;
  if (!TraceRobot("TXT", m_ports.robot.PreguntaSiNo(m_window, text, caption, kType, answer))) {
    answer = m_ports.ui.MessageBoxA(m_window, text, caption, kType);
  }
  return SendRecord(Text(answer == mb::kIdYes ? ids::kYes : ids::kNo));
}

bool TarifexControl::DispatchDMSG(const CommandRecord& command) {
  const std::string text(command.FirstField());
  const std::string caption = Text(ids::kMessageCaption);
  if (!TraceRobot("DMSG", m_ports.robot.MensajeAlDespachante(m_window, text, caption,
                                                             mb::kIconInformation))) {
    m_ports.ui.MessageBoxA(m_window, text, caption, mb::kIconInformation);
  }
  return true;
}

bool TarifexControl::DispatchCOM(const CommandRecord& command) {
  const std::string name(command.FirstField());
  std::string value;
  if (!TraceRobot("COM", m_ports.robot.PreguntaTexto(m_window, name, value))) {
    value = m_ports.ui.AskComplementaryValue(m_window, name, m_properties.lang);
  }
  if (!SendRecord(value)) return false;
  if (value == kCancelMarkerRecord) {
    m_error = Text(ids::kCancelledByUser);
    return false;
  }
  return true;
}

bool TarifexControl::DispatchAOPT(const CommandRecord& command) {
  std::vector<std::string> options;
  for (std::size_t line = 0; line < command.LineCount(); ++line) {
    options.emplace_back(command.Field(line, 1));
  }
  std::int32_t answer = kCancelTreatment;
  if (!TraceRobot("AOPT", m_ports.robot.PreguntaOpciones(m_window, options, answer))) {
    answer = m_ports.ui.AskOption(m_window, options, m_properties.btn_no_seleccionar,
                                  m_properties.lang);
  }
  if (answer == kCancelTreatment) {
    SendRecord(kCancelMarkerRecord);
    m_error = Text(ids::kCancelledByUser);
    return false;
  }
  return SendRecord(std::to_string(answer));
}

// ---------------------------------------------------------------------------
// Results into the collections

void TarifexControl::AddVariables(ResultStore::Collection which, const CommandRecord& command,
                                  VariableFields fields) {
  const std::shared_ptr<HostCollection> collection = m_results.Get(which);
  if (collection == nullptr) return;
  try {
    for (std::size_t line = 0; line < command.LineCount(); ++line) {
      const std::string_view name = command.Field(line, fields.name);
      if (collection->IndexOf(name) != -1) continue;
      std::int32_t code = 0;
      const std::shared_ptr<HostVariable> variable = m_ports.components.CreateVariable(&code);
      if (variable == nullptr) {
        // One box for the command, not one per line.
        m_results.ShowComponentError(CreateComponentFailedText(code));
        return;
      }
      variable->SetName(name);
      variable->SetValue(fields.value >= 0 ? command.Field(line, fields.value) : std::string_view());
      if (fields.third >= 0) {
        variable->SetThird(command.Field(line, fields.third));
      } else if (fields.empty_third) {
        variable->SetThird("");
      }
      collection->Add(variable);
    }
  } catch (const ComponentError& e) {
    m_results.ShowComponentError(e.what());
  }
}

bool TarifexControl::DispatchEND(const CommandRecord&) { return true; }

bool TarifexControl::DispatchUPOS(const CommandRecord& command) {
  AddVariables(ResultStore::kItem, command, {});
  return true;
}

bool TarifexControl::DispatchUCOM(const CommandRecord& command) {
  AddVariables(ResultStore::kInfCom, command, {});
  return true;
}

bool TarifexControl::DispatchUSUF(const CommandRecord& command) {
  AddVariables(ResultStore::kSuf, command, {});
  return true;
}

bool TarifexControl::DispatchUDOC(const CommandRecord& command) {
  AddVariables(ResultStore::kDocs, command, {});
  return true;
}

bool TarifexControl::DispatchURGD(const CommandRecord& command) {
  AddVariables(ResultStore::kRegla, command, {});
  return true;
}

bool TarifexControl::DispatchMDES(const CommandRecord& command) {
  AddVariables(ResultStore::kMDes, command, {.third = 2});
  return true;
}

bool TarifexControl::DispatchAEEM(const CommandRecord& command) {
  AddVariables(ResultStore::kMsgGral, command, {.empty_third = true});
  return true;
}

bool TarifexControl::DispatchAPLM(const CommandRecord& command) {
  AddVariables(ResultStore::kModelos, command, {.empty_third = true});
  return true;
}

bool TarifexControl::DispatchCUPO(const CommandRecord& command) {
  AddVariables(ResultStore::kCupo, command, {.empty_third = true});
  return true;
}

bool TarifexControl::DispatchIMSG(const CommandRecord& command) {
  // The message text is the name; the value stays empty.
  AddVariables(ResultStore::kMsgs, command, {.name = 1, .value = -1});
  return true;
}

bool TarifexControl::DispatchAEDS(const CommandRecord& command) {
  AddVariables(ResultStore::kSol, command, {.name = 0, .value = -1});
  return true;
}

bool TarifexControl::DispatchNTAX(const CommandRecord& command) {
  // A line: code, kind ("C" for a benefit), description, base, rate, amount.
  try {
    for (std::size_t line = 0; line < command.LineCount(); ++line) {
      const auto which = command.Field(line, 1) == "C" ? ResultStore::kBnf : ResultStore::kLqa;
      const std::shared_ptr<HostTaxCollection> taxes = m_results.GetTaxes(which);
      if (taxes == nullptr) continue;
      std::int32_t code = 0;
      const std::shared_ptr<HostTax> tax = m_ports.components.CreateTax(&code);
      if (tax == nullptr) {
        m_results.ShowComponentError(CreateComponentFailedText(code));
        return true;
      }
      for (int field = 0; field < HostTax::kFieldCount; ++field) {
        tax->SetField(static_cast<HostTax::Field>(field), command.Field(line, field));
      }
      taxes->Add(tax);
    }
  } catch (const ComponentError& e) {
    m_results.ShowComponentError(e.what());
  }
  return true;
}

// ---------------------------------------------------------------------------
// Results into the trace files

std::unique_ptr<TraceFile> TarifexControl::OpenTrace(const char* name) {
  const std::string path = m_properties.path_debug + name;
  std::unique_ptr<TraceFile> file = m_ports.files.Open(path, false);
  if (file == nullptr) m_error = FormatControlText(Text(ids::kCannotOpenTraceFile), {path});
  return file;
}

bool TarifexControl::DispatchULST(const CommandRecord& command) {
  const std::unique_ptr<TraceFile> unused = OpenTrace("listas.trc");
  if (unused == nullptr) return false;
  const std::unique_ptr<TraceFile> used = OpenTrace("listasOk.trc");
  if (used == nullptr) return false;
  unused->Write(Text(ids::kListsNotUsed) + "\n");
  used->Write(Text(ids::kListsUsed) + "\n");
  for (std::size_t line = 0; line < command.LineCount(); ++line) {
    TraceFile& file = command.Field(line, 3) == "NO" ? *unused : *used;
    file.Write(JoinFields(command, line, 4) + "\n");
  }
  return true;
}

bool TarifexControl::DispatchURGL(const CommandRecord& command) {
  const std::unique_ptr<TraceFile> others = OpenTrace("reglas.trc");
  if (others == nullptr) return false;
  const std::unique_ptr<TraceFile> executed = OpenTrace("reglasOk.trc");
  if (executed == nullptr) return false;
  others->Write(Text(ids::kRulesNotExecuted) + "\n" + Text(ids::kRulesColumns) + "\n");
  executed->Write(Text(ids::kRulesExecuted) + "\n" + Text(ids::kRulesOkColumns) + "\n");
  for (std::size_t line = 0; line < command.LineCount(); ++line) {
    long status = -1;
    std::string status_text;
    if (ReadNumber(command.Field(line, 1), &status)) {
      if (status == 0) status_text = Text(ids::kRuleExecuted);
      if (status == 1) status_text = Text(ids::kRuleConditionFalse);
      if (status == 2) status_text = Text(ids::kRuleNotConsidered);
    } else {
      status = -1;
    }
    std::string text(command.Field(line, 0));
    text += " - " + status_text + " - ";
    text += command.Field(line, 2);
    text += '\n';
    (status == 0 ? *executed : *others).Write(text);
  }
  return true;
}

bool TarifexControl::DispatchUCONT(const CommandRecord& command) {
  const std::unique_ptr<TraceFile> concepts = OpenTrace("concept.trc");
  if (concepts == nullptr) return false;
  concepts->Write(Text(ids::kRuleNotConsidered) + "\n");
  for (std::size_t line = 0; line < command.LineCount(); ++line) {
    concepts->Write(JoinFields(command, line, 4) + "\n");
  }
  return true;
}

// ---------------------------------------------------------------------------
// Commands that end the run

bool TarifexControl::DispatchSTOP(const CommandRecord& command) {
  m_error = command.FirstField();
  return false;
}

bool TarifexControl::DispatchIERROR(const CommandRecord& command) {
  const std::string text = FormatControlText(
      Text(ids::kHostError), {command.Field(0, 0), command.Field(0, 1), command.Field(0, 2)});
  m_ports.ui.MessageBoxA(m_window, text, Text(ids::kInternalErrorCaption), mb::kIconWarning);
  m_error = Text(ids::kCannotContinue);
  return false;
}

}  // namespace korvex::tarifex
