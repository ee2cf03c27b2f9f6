// The query handlers: each question of the tariff control becomes the window
// key of the control's own dialog for that question, the key is looked up in
// the active profile on the user-interface thread, and the stored answer list
// is turned into the response when it has one of the shapes that make sense
// for that dialog.  Every failure (a missing parameter, extra bytes, nothing
// stored, an answer list of another shape) is a handler returning false: the
// server then closes the connection without a response.
//
// The keys are those that the key writer (robot/key/window_key.h) writes
// for the control's dialogs captured live: every text field is escaped as a
// whole ("<>Mensaje al declarante", "<>&S\xed").  A stored answer learned from
// one of those dialogs is therefore found again through this service.  The
// keys of the data-entry and option dialogs are built from the dialogs' one
// definition (tarifex/question_dialogs.h), which the control's dialogs are
// built from too.
#pragma once

#include <atomic>
#include <functional>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"
#include "protocol/buffer.h"
#include "robot/query/message_box_resources.h"
#include "robot/query/ui_thread_port.h"

namespace korvex::query {

// What the handlers reach outside their connection; the main frame sets it
// before it starts the service.
struct QueryContext {
  UiThreadPort* ui = nullptr;
  // Null: every icon value is -1 and the buttons carry the default texts.
  MessageBoxResources* resources = nullptr;
};

// --- the control's dialogs as window keys ----------------------------------------

inline constexpr std::u16string_view kMessageCaption = u"Mensaje al declarante";
inline constexpr std::u16string_view kYesNoCaption = u"Pregunta del tarifex";
inline constexpr std::u16string_view kDefaultAccept = u"Aceptar";  // button 1 (IDOK)
inline constexpr std::u16string_view kDefaultYes = u"&Sí";         // button 6 (IDYES)
inline constexpr std::u16string_view kDefaultNo = u"&No";          // button 7 (IDNO)

// The message box: button, icon, text.
Text MessageKey(TextView accept_text, std::int32_t icon, TextView text);
// The yes/no question: two buttons, icon, text.
Text YesNoKey(TextView yes_text, TextView no_text, std::int32_t icon, TextView text);
// The data-entry dialog asking for the value named value_name.
Text DataInputKey(TextView value_name);
// The option dialog offering the options in order.
Text OptionsKey(const std::vector<Text>& options);

// --- judging stored answer lists --------------------------------------------------
//
// A stored answer list is read with the answer reader (robot/key/
// answer_text.h), as the robot reads every stored answer; one that does not
// read, or has another shape than the dialog's answers can have, is no
// answer.

// The message is acknowledged only by pressing its button:
// "3|class CPressButton|class CNullInteraction|class CNullInteraction|".
bool IsAcknowledgedMessage(TextView answers);
// kIdYes or kIdNo for the two lists that press exactly one of the buttons.
std::optional<std::int32_t> YesNoAnswer(TextView answers);

struct ValueAnswer {
  Text value;
  bool acknowledged = false;  // "Validar lo ingresado" pressed; false: "Terminar el tratamiento"
  friend bool operator==(const ValueAnswer&, const ValueAnswer&) = default;
};
std::optional<ValueAnswer> DataInputAnswer(TextView answers);

// kSelectNone, kCancelTreatment or the selected option 0..count-1.
std::optional<std::int32_t> OptionsAnswer(TextView answers, std::int32_t count);

// --- the handlers -----------------------------------------------------------------

// One per connection: the handlers, the lookup on the user-interface thread
// and the cache of button texts, which lives as long as the connection.
class QueryConnection {
 public:
  using CBuffer = protocol::CBuffer;

  // stopping: set once the service has begun to stop; from then on no lookup
  // is made.  clock signs the responses.
  QueryConnection(const QueryContext& context, const std::atomic<bool>* stopping, Clock& clock);
  virtual ~QueryConnection() = default;
  QueryConnection(const QueryConnection&) = delete;
  QueryConnection& operator=(const QueryConnection&) = delete;

  // Each decodes its request (positioned after the query number,
  // protocol/messages.h), looks the question's key up, and encodes and signs
  // the response; true when the response is complete.
  bool MensajeAlDespachante(CBuffer& request, CBuffer& response);
  bool PreguntaSiNo(CBuffer& request, CBuffer& response);
  bool PreguntaTexto(CBuffer& request, CBuffer& response);
  bool PreguntaOpciones(CBuffer& request, CBuffer& response);

  // Hands the key to the user-interface thread and waits.  True with the
  // stored answer list; false with the error text ("Error#1" when the send
  // failed, or what the user-interface thread said).
  bool ProcessRemoteQuery(std::int32_t item, const Text& key, Text& response, Text& error);

  // The system's text of a message-box button (MB_GetString, looked up once
  // per connection), or default_text when the system has none.
  Text GetButtonText(int id, TextView default_text);

  // The value a key records for the icon of a message box of style uType:
  // the shared system icon of its icon bits, or -1.
  std::int32_t IconValue(std::uint32_t uType);

 private:
  enum class Lookup { kNotTried, kAbsent, kPresent };

  bool FindAnswer(const char* handler, std::int32_t item, const Text& key, Text& answers);
  // Encodes and signs the response.
  template <class Response>
  bool Respond(CBuffer& out, const char* handler, const Response& response);

  QueryContext m_context;
  const std::atomic<bool>* m_stopping;
  Clock& m_clock;
  std::vector<std::pair<int, Text>> m_buttonTexts;  // in insertion order
  Lookup m_lookup = Lookup::kNotTried;
};

}  // namespace korvex::query
