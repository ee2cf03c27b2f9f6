// Test doubles of the tariff control's ports: a scripted tariff engine,
// in-memory variable collections, in-memory trace files, a scripted robot
// and a scripted user of the control's dialogs.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tarifex/control_ports.h"
#include "tarifex/engine_port.h"
#include "tarifex/host_data.h"

namespace korvex::testing {

using tarifex::ComponentError;
using tarifex::EngineMessage;
using tarifex::HostCollection;
using tarifex::HostTax;
using tarifex::HostTaxCollection;
using tarifex::HostVariable;

// ---------------------------------------------------------------------------
// The engine

// An engine that hands out scripted records and keeps every record the
// control sent.  Each call is journaled by its ordinal ("193", "142",
// "112", ...), so a test can check the order of a run's calls.
class ScriptedEngine : public tarifex::TariffEngine {
 public:
  // The records the engine sends, in order; after the last one a receive
  // fails.
  void Reply(std::string record) { m_script.push_back(std::move(record)); }
  template <typename... Records>
  void ReplyAll(Records... records) {
    (Reply(std::move(records)), ...);
  }
  // The open fails (returns -1) with these details.
  void FailOpen(std::string cause, std::string error, std::string function, std::int32_t number);
  // The n-th send or receive (1-based) fails.
  void FailSend(int n) { m_failSend = n; }
  void FailReceive(int n) { m_failReceive = n; }

  // Every record sent, in order (a failed send included).
  const std::vector<std::string>& Sent() const { return m_sent; }
  // The ordinals called, in order.
  const std::vector<int>& Calls() const { return m_calls; }
  // The records the control sent once the data was through ("EA:*" and
  // before): its replies to the commands and "END:*".
  std::vector<std::string> SentAfterStart() const;
  // Host and port of the last open.
  const std::string& Host() const { return m_host; }
  const std::string& Port() const { return m_port; }
  // Something the control did that the engine's calls do not allow (a
  // length that does not count the terminating zero, a send of an empty
  // message, a call outside a session); empty when none.
  const std::vector<std::string>& Misuses() const { return m_misuses; }

  void Begin() override;
  void End() override;
  std::int32_t OpenSession(const char* host, const char* port) override;
  void BindSession(std::int32_t session, std::int32_t session_again) override;
  const char* ErrorCause() override;
  const char* ErrorText(const char* cause) override;
  const char* ErrorFunction(const char* error) override;
  std::int32_t ErrorNumber(const char* function) override;
  void ClearMessage(EngineMessage* message) override;
  void PutRecord(EngineMessage* message, const char* text, std::int32_t length) override;
  std::int32_t Send(EngineMessage* message) override;
  std::int32_t Receive(EngineMessage* message) override;
  const char* ReceivedRecord(EngineMessage* message) override;
  void CloseSession() override;

 private:
  static constexpr std::int32_t kSession = 4711;
  std::deque<std::string> m_script;
  std::vector<std::string> m_sent;
  std::vector<int> m_calls;
  std::vector<std::string> m_misuses;
  std::map<const EngineMessage*, std::string> m_contents;
  std::string m_host, m_port;
  bool m_failOpen = false;
  std::string m_cause, m_error, m_function;
  std::int32_t m_number = 0;
  int m_failSend = 0, m_failReceive = 0, m_sends = 0, m_receives = 0;
  bool m_inSession = false;
};

// ---------------------------------------------------------------------------
// The host's data

class MemoryVariable : public HostVariable {
 public:
  MemoryVariable() = default;
  MemoryVariable(std::string name, std::string value, std::string third = {})
      : m_name(std::move(name)), m_value(std::move(value)), m_third(std::move(third)) {}
  // Every later read of the value fails with this description.
  void FailReads(std::string description) { m_failure = std::move(description); }

  std::string GetName() override { return m_name; }
  void SetName(std::string_view name) override { m_name = name; }
  std::string GetValue() override;
  void SetValue(std::string_view value) override { m_value = value; }
  std::string GetThird() override { return m_third; }
  void SetThird(std::string_view third) override {
    m_third = third;
    m_thirdSet = true;
  }
  bool ThirdSet() const { return m_thirdSet; }

 private:
  std::string m_name, m_value, m_third;
  bool m_thirdSet = false;
  std::optional<std::string> m_failure;
};

// A variable as the tests read it back.
struct Var {
  std::string name, value, third;
  friend bool operator==(const Var&, const Var&) = default;
};
void PrintTo(const Var& var, std::ostream* os);

class MemoryCollection : public HostCollection {
 public:
  MemoryCollection() = default;
  MemoryCollection(std::initializer_list<Var> vars);

  std::vector<Var> Vars() const;
  std::vector<std::shared_ptr<HostVariable>>& Items() { return m_items; }

  std::int32_t GetCount() override { return static_cast<std::int32_t>(m_items.size()); }
  std::shared_ptr<HostVariable> GetItem(std::int32_t index) override;
  std::int32_t IndexOf(std::string_view name) override;
  void Add(const std::shared_ptr<HostVariable>& variable) override { m_items.push_back(variable); }
  void Clear() override { m_items.clear(); }

 private:
  std::vector<std::shared_ptr<HostVariable>> m_items;
};

std::shared_ptr<MemoryCollection> Collection(std::initializer_list<Var> vars);

class MemoryTax : public HostTax {
 public:
  std::string GetField(Field field) override { return m_fields[field]; }
  void SetField(Field field, std::string_view text) override { m_fields[field] = text; }

 private:
  std::string m_fields[kFieldCount];
};

class MemoryTaxCollection : public HostTaxCollection {
 public:
  // Each tax's six fields.
  std::vector<std::vector<std::string>> Taxes() const;

  std::int32_t GetCount() override { return static_cast<std::int32_t>(m_items.size()); }
  std::shared_ptr<HostTax> GetItem(std::int32_t index) override;
  void Add(const std::shared_ptr<HostTax>& tax) override { m_items.push_back(tax); }
  void Clear() override { m_items.clear(); }

 private:
  std::vector<std::shared_ptr<HostTax>> m_items;
};

// Creates in-memory components; creations can be made to fail.
class MemoryComponents : public tarifex::HostComponents {
 public:
  // After n more variables, every variable creation fails with the code.
  void FailVariablesAfter(int n, std::int32_t code) {
    m_variablesLeft = n;
    m_failCode = code;
  }
  void FailCollections(std::int32_t code) {
    m_collectionsFail = true;
    m_failCode = code;
  }

  std::shared_ptr<HostVariable> CreateVariable(std::int32_t* error) override;
  std::shared_ptr<HostCollection> CreateCollection(std::int32_t* error) override;
  std::shared_ptr<HostTax> CreateTax(std::int32_t* error) override;
  std::shared_ptr<HostTaxCollection> CreateTaxCollection(std::int32_t* error) override;

 private:
  int m_variablesLeft = -1;
  bool m_collectionsFail = false;
  std::int32_t m_failCode = 0;
};

// The contents of a collection the control handed out.
std::vector<Var> VarsOf(const std::shared_ptr<HostCollection>& collection);
std::vector<std::vector<std::string>> TaxesOf(const std::shared_ptr<HostTaxCollection>& taxes);

// ---------------------------------------------------------------------------
// Trace files

class MemoryTraceFiles : public tarifex::TraceFiles {
 public:
  // Files whose path begins so cannot be opened.
  void Deny(std::string prefix) { m_denied.push_back(std::move(prefix)); }
  // The content of a file; nullopt when it was never opened.
  std::optional<std::string> Content(const std::string& path) const;
  const std::map<std::string, std::string>& Files() const { return *m_files; }

  std::unique_ptr<tarifex::TraceFile> Open(const std::string& path, bool append) override;

 private:
  std::shared_ptr<std::map<std::string, std::string>> m_files =
      std::make_shared<std::map<std::string, std::string>>();
  std::vector<std::string> m_denied;
};

// ---------------------------------------------------------------------------
// The robot and the user

// A robot with scripted answers; a question without one gets none.
class ScriptedRobot : public tarifex::RobotQuestions {
 public:
  struct Question {
    std::string operation;  // "MensajeAlDespachante", "PreguntaSiNo", ...
    Hwnd parent = kNoWindow;
    std::string text, caption;
    std::uint32_t type = 0;
    std::vector<std::string> options;
  };

  void Acknowledge() { m_messages.push_back(true); }
  void AnswerYesNo(std::int32_t answer) { m_yesNo.push_back(answer); }
  void AnswerText(std::string value) { m_texts.push_back(std::move(value)); }
  void AnswerOption(std::int32_t answerid) { m_options.push_back(answerid); }
  const std::vector<Question>& Questions() const { return m_questions; }

  bool MensajeAlDespachante(Hwnd parent, std::string_view text, std::string_view caption,
                            std::uint32_t type) override;
  bool PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                    std::uint32_t type, std::int32_t& answer) override;
  bool PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) override;
  bool PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                        std::int32_t& answerid) override;

 private:
  std::deque<bool> m_messages;
  std::deque<std::int32_t> m_yesNo;
  std::deque<std::string> m_texts;
  std::deque<std::int32_t> m_options;
  std::vector<Question> m_questions;
};

// The user in front of the control: answers message boxes and the control's
// dialogs from a script, and remembers what was shown.
class ScriptedControlUser : public tarifex::ControlUi {
 public:
  struct Shown {
    std::string what;  // "MessageBox", "ComplementaryValue", "Option"
    Hwnd owner = kNoWindow;
    std::string text, caption;  // box: text and caption; value dialog: the name
    std::uint32_t type = 0;
    std::vector<std::string> options;
    bool none_enabled = false;
    std::int16_t lang = 0;
  };

  // The button the next message box returns (IDOK when none is scripted).
  void PressInBox(int button) { m_boxes.push_back(button); }
  void TypeValue(std::string value) { m_values.push_back(std::move(value)); }
  void ChooseOption(std::int32_t result) { m_options.push_back(result); }
  void SetFocusWindow(Hwnd window) { m_focus = window; }

  const std::vector<Shown>& ShownList() const { return m_shown; }
  std::vector<Shown> Boxes() const;
  // "wait" or "arrow": the cursor last set.
  const std::string& Cursor() const { return m_cursor; }

  int MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                  std::uint32_t type) override;
  Hwnd GetFocus() override { return m_focus; }
  void ShowWaitCursor() override { m_cursor = "wait"; }
  void ShowArrowCursor() override { m_cursor = "arrow"; }
  std::string AskComplementaryValue(Hwnd owner, std::string_view name,
                                    std::int16_t lang) override;
  std::int32_t AskOption(Hwnd owner, const std::vector<std::string>& options, bool none_enabled,
                         std::int16_t lang) override;

 private:
  std::deque<int> m_boxes;
  std::deque<std::string> m_values;
  std::deque<std::int32_t> m_options;
  std::vector<Shown> m_shown;
  Hwnd m_focus = kNoWindow;
  std::string m_cursor = "arrow";
};

}  // namespace korvex::testing
