#include "tests/fakes/tarifex_fakes.h"

#include <cstring>
#include <ostream>
#include <stdexcept>

namespace korvex::testing {

// ---------------------------------------------------------------------------
// ScriptedEngine

void ScriptedEngine::FailOpen(std::string cause, std::string error, std::string function,
                              std::int32_t number) {
  m_failOpen = true;
  m_cause = std::move(cause);
  m_error = std::move(error);
  m_function = std::move(function);
  m_number = number;
}

std::vector<std::string> ScriptedEngine::SentAfterStart() const {
  std::vector<std::string> after;
  bool started = false;
  for (const std::string& record : m_sent) {
    if (started) after.push_back(record);
    if (record == "EA:*") started = true;
  }
  return after;
}

void ScriptedEngine::Begin() { m_calls.push_back(193); }
void ScriptedEngine::End() { m_calls.push_back(194); }

std::int32_t ScriptedEngine::OpenSession(const char* host, const char* port) {
  m_calls.push_back(142);
  m_host = host != nullptr ? host : "(null)";
  m_port = port != nullptr ? port : "(null)";
  if (m_failOpen) return -1;
  m_inSession = true;
  return kSession;
}

void ScriptedEngine::BindSession(std::int32_t session, std::int32_t session_again) {
  m_calls.push_back(111);
  if (session != kSession || session_again != kSession) m_misuses.push_back("111 with another session");
}

// The details are the engine's buffers; each call checks it was given the
// previous call's result.
const char* ScriptedEngine::ErrorCause() {
  m_calls.push_back(180);
  return m_cause.c_str();
}
const char* ScriptedEngine::ErrorText(const char* cause) {
  m_calls.push_back(187);
  if (cause != m_cause.c_str()) m_misuses.push_back("187 without 180's result");
  return m_error.c_str();
}
const char* ScriptedEngine::ErrorFunction(const char* error) {
  m_calls.push_back(186);
  if (error != m_error.c_str()) m_misuses.push_back("186 without 187's result");
  return m_function.c_str();
}
std::int32_t ScriptedEngine::ErrorNumber(const char* function) {
  m_calls.push_back(183);
  if (function != m_function.c_str()) m_misuses.push_back("183 without 186's result");
  return m_number;
}

void ScriptedEngine::ClearMessage(EngineMessage* message) {
  m_calls.push_back(112);
  m_contents.erase(message);
  message->bytes = {};
}

void ScriptedEngine::PutRecord(EngineMessage* message, const char* text, std::int32_t length) {
  m_calls.push_back(115);
  if (!m_inSession) m_misuses.push_back("115 outside a session");
  if (text == nullptr || length < 1 || std::strlen(text) + 1 != static_cast<std::size_t>(length)) {
    m_misuses.push_back("115 with a length that is not the text's and its zero");
    return;
  }
  m_contents[message] = std::string(text, static_cast<std::size_t>(length - 1));
  message->bytes[0] = 1;
}

std::int32_t ScriptedEngine::Send(EngineMessage* message) {
  m_calls.push_back(109);
  if (!m_inSession) m_misuses.push_back("109 outside a session");
  const auto it = m_contents.find(message);
  if (it == m_contents.end()) {
    m_misuses.push_back("109 of an empty message");
    return 0;
  }
  m_sent.push_back(it->second);
  return ++m_sends == m_failSend ? 0 : 1;
}

std::int32_t ScriptedEngine::Receive(EngineMessage* message) {
  m_calls.push_back(108);
  if (!m_inSession) m_misuses.push_back("108 outside a session");
  if (++m_receives == m_failReceive || m_script.empty()) return 0;
  m_contents[message] = std::move(m_script.front());
  m_script.pop_front();
  return 1;
}

const char* ScriptedEngine::ReceivedRecord(EngineMessage* message) {
  m_calls.push_back(114);
  const auto it = m_contents.find(message);
  if (it == m_contents.end()) {
    m_misuses.push_back("114 without a received record");
    return nullptr;
  }
  return it->second.c_str();
}

void ScriptedEngine::CloseSession() {
  m_calls.push_back(110);
  if (!m_inSession) m_misuses.push_back("110 outside a session");
  m_inSession = false;
}

// ---------------------------------------------------------------------------
// Host data

std::string MemoryVariable::GetValue() {
  if (m_failure) throw ComponentError(*m_failure);
  return m_value;
}

void PrintTo(const Var& var, std::ostream* os) {
  *os << "{\"" << var.name << "\", \"" << var.value << "\", \"" << var.third << "\"}";
}

MemoryCollection::MemoryCollection(std::initializer_list<Var> vars) {
  for (const Var& var : vars) {
    m_items.push_back(std::make_shared<MemoryVariable>(var.name, var.value, var.third));
  }
}

std::vector<Var> MemoryCollection::Vars() const {
  std::vector<Var> vars;
  for (const auto& item : m_items) {
    vars.push_back({item->GetName(), item->GetValue(), item->GetThird()});
  }
  return vars;
}

std::shared_ptr<HostVariable> MemoryCollection::GetItem(std::int32_t index) {
  if (index < 0 || index >= GetCount()) throw ComponentError("index out of range");
  return m_items[static_cast<std::size_t>(index)];
}

std::int32_t MemoryCollection::IndexOf(std::string_view name) {
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i]->GetName() == name) return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::shared_ptr<MemoryCollection> Collection(std::initializer_list<Var> vars) {
  return std::make_shared<MemoryCollection>(vars);
}

std::vector<std::vector<std::string>> MemoryTaxCollection::Taxes() const {
  std::vector<std::vector<std::string>> taxes;
  for (const auto& tax : m_items) {
    std::vector<std::string> fields;
    for (int f = 0; f < HostTax::kFieldCount; ++f) fields.push_back(tax->GetField(HostTax::Field(f)));
    taxes.push_back(std::move(fields));
  }
  return taxes;
}

std::shared_ptr<HostTax> MemoryTaxCollection::GetItem(std::int32_t index) {
  if (index < 0 || index >= GetCount()) throw ComponentError("index out of range");
  return m_items[static_cast<std::size_t>(index)];
}

std::shared_ptr<HostVariable> MemoryComponents::CreateVariable(std::int32_t* error) {
  if (m_variablesLeft == 0) {
    *error = m_failCode;
    return nullptr;
  }
  if (m_variablesLeft > 0) --m_variablesLeft;
  return std::make_shared<MemoryVariable>();
}

std::shared_ptr<HostCollection> MemoryComponents::CreateCollection(std::int32_t* error) {
  if (m_collectionsFail) {
    *error = m_failCode;
    return nullptr;
  }
  return std::make_shared<MemoryCollection>();
}

std::shared_ptr<HostTax> MemoryComponents::CreateTax(std::int32_t*) {
  return std::make_shared<MemoryTax>();
}

std::shared_ptr<HostTaxCollection> MemoryComponents::CreateTaxCollection(std::int32_t* error) {
  if (m_collectionsFail) {
    *error = m_failCode;
    return nullptr;
  }
  return std::make_shared<MemoryTaxCollection>();
}

std::vector<Var> VarsOf(const std::shared_ptr<HostCollection>& collection) {
  const auto* memory = dynamic_cast<const MemoryCollection*>(collection.get());
  if (memory == nullptr) throw std::logic_error("not an in-memory collection");
  return memory->Vars();
}

std::vector<std::vector<std::string>> TaxesOf(const std::shared_ptr<HostTaxCollection>& taxes) {
  const auto* memory = dynamic_cast<const MemoryTaxCollection*>(taxes.get());
  if (memory == nullptr) throw std::logic_error("not an in-memory tax collection");
  return memory->Taxes();
}

// ---------------------------------------------------------------------------
// MemoryTraceFiles

namespace {

class MemoryTraceFile : public tarifex::TraceFile {
 public:
  MemoryTraceFile(std::shared_ptr<std::map<std::string, std::string>> files, std::string path)
      : m_files(std::move(files)), m_path(std::move(path)) {}
  void Write(std::string_view text) override { (*m_files)[m_path] += text; }

 private:
  std::shared_ptr<std::map<std::string, std::string>> m_files;
  std::string m_path;
};

}  // namespace

std::optional<std::string> MemoryTraceFiles::Content(const std::string& path) const {
  const auto it = m_files->find(path);
  if (it == m_files->end()) return std::nullopt;
  return it->second;
}

std::unique_ptr<tarifex::TraceFile> MemoryTraceFiles::Open(const std::string& path, bool append) {
  for (const std::string& prefix : m_denied) {
    if (path.compare(0, prefix.size(), prefix) == 0) return nullptr;
  }
  std::string& content = (*m_files)[path];
  if (!append) content.clear();
  return std::make_unique<MemoryTraceFile>(m_files, path);
}

// ---------------------------------------------------------------------------
// ScriptedRobot

bool ScriptedRobot::MensajeAlDespachante(Hwnd parent, std::string_view text,
                                         std::string_view caption, std::uint32_t type) {
  m_questions.push_back({"MensajeAlDespachante", parent, std::string(text), std::string(caption), type});
  if (m_messages.empty()) return false;
  const bool acknowledged = m_messages.front();
  m_messages.pop_front();
  return acknowledged;
}

bool ScriptedRobot::PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                                 std::uint32_t type, std::int32_t& answer) {
  m_questions.push_back({"PreguntaSiNo", parent, std::string(text), std::string(caption), type});
  if (m_yesNo.empty()) return false;
  answer = m_yesNo.front();
  m_yesNo.pop_front();
  return true;
}

bool ScriptedRobot::PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) {
  m_questions.push_back({"PreguntaTexto", parent, std::string(name)});
  if (m_texts.empty()) {
    // The robot hands back what it received even when it has no answer.
    value = "(no answer)";
    return false;
  }
  value = std::move(m_texts.front());
  m_texts.pop_front();
  return true;
}

bool ScriptedRobot::PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                                     std::int32_t& answerid) {
  Question question{"PreguntaOpciones", parent};
  question.options = options;
  m_questions.push_back(std::move(question));
  if (m_options.empty()) return false;
  answerid = m_options.front();
  m_options.pop_front();
  return true;
}

// ---------------------------------------------------------------------------
// ScriptedControlUser

std::vector<ScriptedControlUser::Shown> ScriptedControlUser::Boxes() const {
  std::vector<Shown> boxes;
  for (const Shown& shown : m_shown) {
    if (shown.what == "MessageBox") boxes.push_back(shown);
  }
  return boxes;
}

int ScriptedControlUser::MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                                     std::uint32_t type) {
  m_shown.push_back({"MessageBox", owner, std::string(text), std::string(caption), type});
  if (m_boxes.empty()) return 1;  // IDOK
  const int button = m_boxes.front();
  m_boxes.pop_front();
  return button;
}

std::string ScriptedControlUser::AskComplementaryValue(Hwnd owner, std::string_view name,
                                                       std::int16_t lang) {
  Shown shown{"ComplementaryValue", owner, std::string(name)};
  shown.lang = lang;
  m_shown.push_back(std::move(shown));
  if (m_values.empty()) throw std::logic_error("ScriptedControlUser: no value scripted");
  std::string value = std::move(m_values.front());
  m_values.pop_front();
  return value;
}

std::int32_t ScriptedControlUser::AskOption(Hwnd owner, const std::vector<std::string>& options,
                                            bool none_enabled, std::int16_t lang) {
  Shown shown{"Option", owner};
  shown.options = options;
  shown.none_enabled = none_enabled;
  shown.lang = lang;
  m_shown.push_back(std::move(shown));
  if (m_options.empty()) throw std::logic_error("ScriptedControlUser: no option scripted");
  const std::int32_t result = m_options.front();
  m_options.pop_front();
  return result;
}

}  // namespace korvex::testing
