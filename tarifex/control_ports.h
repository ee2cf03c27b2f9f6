// The ports of the tariff control's run besides the engine and the host's
// data: the robot's answers, the control's own dialogs and the system's
// message box, and the trace files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_system.h"
#include "protocol/protocol.h"

namespace korvex::tarifex {

// The robot client's four questions, named after its operations.  Each is
// given the host window of the run; false means the robot has no answer (for
// whatever reason) and the control asks the user itself.  The adapter over
// the control's CProtorobot is tarifex/protorobot_questions.h.
class RobotQuestions {
 public:
  virtual ~RobotQuestions() = default;
  // True when the robot acknowledged the message: it is not shown.
  virtual bool MensajeAlDespachante(Hwnd parent, std::string_view text, std::string_view caption,
                                    std::uint32_t type) = 0;
  // True with answer 6 (yes) or 7 (no).
  virtual bool PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                            std::uint32_t type, std::int32_t& answer) = 0;
  // True with the value of the named datum (the cancel marker cancels).
  virtual bool PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) = 0;
  // options: the option texts in order.  True with -999 (cancel the
  // treatment), -1 (select none) or an index.
  virtual bool PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                                std::int32_t& answerid) = 0;
};

// MessageBoxA's types and results, with the Win32 values; the results
// IDYES and IDNO are the robot's answers to the yes/no question too.
namespace mb {
inline constexpr std::uint32_t kOk = 0x00;
inline constexpr std::uint32_t kYesNo = 0x04;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;
using protocol::kIdNo;
using protocol::kIdYes;
}  // namespace mb

// The option dialog's results besides an index: the protocol's answers of
// the choice among options, which the robot answers with too.
using protocol::kCancelTreatment;
using protocol::kSelectNone;

// What the control shows on the host's desktop.
class ControlUi {
 public:
  virtual ~ControlUi() = default;
  // MessageBoxA: the button pressed (IDYES, IDNO, IDOK, ...).
  virtual int MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                          std::uint32_t type) = 0;
  // GetFocus: the window that has the keyboard focus, kNoWindow for none.
  virtual Hwnd GetFocus() = 0;
  // SetCursor(LoadCursor(nullptr, IDC_WAIT)) and the same with IDC_ARROW.
  virtual void ShowWaitCursor() = 0;
  virtual void ShowArrowCursor() = 0;

  // The data-entry dialog "Ingreso de dato complementario" asking for the
  // named value, modal over owner, in the language of lang: the text entered
  // ("Validar lo ingresado") or the cancel marker ("Terminar el
  // tratamiento").
  virtual std::string AskComplementaryValue(Hwnd owner, std::string_view name,
                                            std::int16_t lang) = 0;
  // The option dialog "Seleccion de una opcion" listing the option texts,
  // modal over owner: the index of the chosen option, kSelectNone ("No
  // seleccionar ninguna", offered only when none_enabled) or
  // kCancelTreatment (also when closed or with nothing selected).
  virtual std::int32_t AskOption(Hwnd owner, const std::vector<std::string>& options,
                                 bool none_enabled, std::int16_t lang) = 0;
};

// A trace file open for writing.  Lines end in "\n"; the Windows runtime
// writes them as "\r\n".
class TraceFile {
 public:
  virtual ~TraceFile() = default;
  virtual void Write(std::string_view text) = 0;
};

// Opens trace files by their path in the control's code page, as fopen does:
// from empty ("w") or for appending ("a").  Null when the file cannot be
// opened.
class TraceFiles {
 public:
  virtual ~TraceFiles() = default;
  virtual std::unique_ptr<TraceFile> Open(const std::string& path, bool append) = 0;
};

// The trace files of the C runtime (fopen in text mode).
class StdioTraceFiles : public TraceFiles {
 public:
  std::unique_ptr<TraceFile> Open(const std::string& path, bool append) override;
};

}  // namespace korvex::tarifex
