#include "robot/query/query_handlers.h"

#include <memory>
#include <optional>

#include "platform/trace.h"
#include "protocol/messages.h"
#include "protocol/protocol.h"
#include "robot/capture/dossa_window.h"
#include "robot/capture/interaction.h"
#include "robot/capture/meta_window.h"
#include "robot/capture/question_windows.h"
#include "robot/capture/recognition_error.h"
#include "robot/key/answer_text.h"
#include "robot/key/window_key.h"
#include "tarifex/question_dialogs.h"

namespace korvex::query {

namespace {

using protocol::CBuffer;

std::string Utf8(TextView text) { return ToUtf8(text); }

// A dialog of the class built from its parts, the children in order, with a
// CNullInteraction answering each.
template <class Dialog, class... Child>
std::unique_ptr<Dialog> Build(TextView caption, Child... children) {
  auto root = std::make_unique<CDialogWindow>();
  OwnedAnswers answers;
  const auto add = [&](std::unique_ptr<CMetaWindow> child) {
    root->AddChild(std::move(child));
    answers.push_back(std::make_unique<CNullInteraction>());
  };
  (add(std::move(children)), ...);
  return std::make_unique<Dialog>(Text(caption), std::move(root), std::move(answers));
}

std::unique_ptr<CMetaWindow> Button(TextView text) {
  return std::make_unique<CMetaButtonEx>(Text(text), 1);
}
std::unique_ptr<CMetaWindow> Static(TextView text) {
  return std::make_unique<CTextWindowEx>(Text(text));
}
std::unique_ptr<CMetaWindow> Icon(std::int32_t icon) {
  return std::make_unique<CIconWindowEx>(icon);
}

// One of the control's question dialogs as the control lays it out
// (tarifex/question_dialogs.h): the children in the definition's order with
// their Spanish texts, the prompt asking for value_name, the options in the
// list, a CNullInteraction answering each, and every role recorded.
template <class Dialog, std::size_t N>
std::unique_ptr<Dialog> BuildQuestion(tarifex::DialogText caption,
                                      const tarifex::DialogChild (&children)[N],
                                      TextView value_name, const std::vector<Text>& options) {
  auto root = std::make_unique<CDialogWindow>();
  OwnedAnswers answers;
  for (const tarifex::DialogChild& child : children) {
    switch (child.kind) {
      case tarifex::ChildKind::kEdit:
        root->AddChild(std::make_unique<CMetaEditEx>(Text()));
        break;
      case tarifex::ChildKind::kButton:
        root->AddChild(Button(child.text.spanish));
        break;
      case tarifex::ChildKind::kStatic:
        root->AddChild(Static(child.role == tarifex::ChildRole::kPrompt
                                  ? tarifex::data_input::PromptFor(value_name)
                                  : Text(child.text.spanish)));
        break;
      case tarifex::ChildKind::kListBox: {
        auto list = std::make_unique<CMetaListEx>();
        for (const Text& option : options) list->AddItem(option);
        root->AddChild(std::move(list));
        break;
      }
    }
    answers.push_back(std::make_unique<CNullInteraction>());
  }
  auto dialog =
      std::make_unique<Dialog>(Text(caption.spanish), std::move(root), std::move(answers));
  for (std::size_t i = 0; i < N; ++i) {
    SetRole(*dialog, children[i].role, static_cast<std::int32_t>(i));
  }
  return dialog;
}

// A stored answer list read with the answer reader, judged entry by entry
// from the front.  An answer list the reader refuses has no shape at all.
class Entries {
 public:
  explicit Entries(TextView answers) {
    try {
      m_entries = ReadAnswers(answers);
      m_read = true;
    } catch (const RecognitionError&) {
      KORVEX_TRACE("ProcessRemoteQuery(): lista de respuestas ilegible: '%s'", Utf8(answers).c_str());
    }
  }
  // Whether the list was read and holds exactly count entries.
  bool HasCount(std::size_t count) const { return m_read && m_entries.size() == count; }

  bool IsNull(std::size_t i) const { return Is<CNullInteraction>(i); }
  // A button entry: pressed or not; no value for any other interaction.
  std::optional<bool> Button(std::size_t i) const {
    if (Is<CPressButton>(i)) return true;
    if (IsNull(i)) return false;
    return std::nullopt;
  }
  template <class Interaction>
  const Interaction* As(std::size_t i) const {
    return dynamic_cast<const Interaction*>(m_entries[i].get());
  }

 private:
  template <class Interaction>
  bool Is(std::size_t i) const {
    return As<Interaction>(i) != nullptr;
  }

  OwnedAnswers m_entries;
  bool m_read = false;
};

}  // namespace

// --- keys ---------------------------------------------------------------------------

Text MessageKey(TextView accept_text, std::int32_t icon, TextView text) {
  return WriteKey(
      *Build<CDynWindow>(kMessageCaption, Button(accept_text), Icon(icon), Static(text)));
}

Text YesNoKey(TextView yes_text, TextView no_text, std::int32_t icon, TextView text) {
  return WriteKey(*Build<CDynWindow>(kYesNoCaption, Button(yes_text), Button(no_text), Icon(icon),
                                     Static(text)));
}

Text DataInputKey(TextView value_name) {
  return WriteKey(*BuildQuestion<CDataInputWindow>(
      tarifex::data_input::kCaption, tarifex::data_input::kChildren, value_name, {}));
}

Text OptionsKey(const std::vector<Text>& options) {
  return WriteKey(*BuildQuestion<CItemSelectionWindow>(
      tarifex::options::kCaption, tarifex::options::kChildren, {}, options));
}

// --- answer lists -----------------------------------------------------------------------

namespace {

// The whole list as the answer writer writes it: a press of the button at
// pressed among count children, the others left alone.
Text PressOnly(std::size_t pressed, std::size_t count) {
  OwnedAnswers list;
  for (std::size_t i = 0; i < count; ++i) {
    if (i == pressed) {
      list.push_back(std::make_unique<CPressButton>());
    } else {
      list.push_back(std::make_unique<CNullInteraction>());
    }
  }
  return WriteAnswers(AnswerList(list));
}

}  // namespace

// The message box and the yes/no question accept only the exact lists that
// press one button, in the writer's form.
bool IsAcknowledgedMessage(TextView answers) {
  static const Text kAcknowledged = PressOnly(0, 3);
  return answers == kAcknowledged;
}

std::optional<std::int32_t> YesNoAnswer(TextView answers) {
  static const Text kYes = PressOnly(0, 4);
  static const Text kNo = PressOnly(1, 4);
  if (answers == kYes) return protocol::kIdYes;
  if (answers == kNo) return protocol::kIdNo;
  return std::nullopt;
}

std::optional<ValueAnswer> DataInputAnswer(TextView answers) {
  const Entries e(answers);
  if (!e.HasCount(5)) return std::nullopt;
  ValueAnswer answer;
  if (const auto* typed = e.As<CPutText>(0)) {
    answer.value = typed->GetText();
  } else if (!e.IsNull(0)) {
    return std::nullopt;
  }
  const std::optional<bool> accept = e.Button(1);
  const std::optional<bool> end = e.Button(2);
  if (!accept || !end || *accept == *end) return std::nullopt;
  if (!e.IsNull(3) || !e.IsNull(4)) return std::nullopt;
  answer.acknowledged = *accept;
  return answer;
}

std::optional<std::int32_t> OptionsAnswer(TextView answers, std::int32_t count) {
  const Entries e(answers);
  if (!e.HasCount(4)) return std::nullopt;
  const std::optional<bool> none = e.Button(0);
  const std::optional<bool> cancel = e.Button(1);
  const std::optional<bool> select = e.Button(3);
  if (!none || !cancel || !select) return std::nullopt;
  std::int32_t selected = -1;  // nothing selected
  if (const auto* item = e.As<CItemSelect>(2)) {
    selected = item->GetIndex();
  } else if (!e.IsNull(2)) {
    return std::nullopt;
  }
  if (int{*none} + int{*cancel} + int{*select} != 1) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery respuesta no pulsa exactamente un botón: [%s]",
                 Utf8(answers).c_str());
    return std::nullopt;
  }
  if (*none) return protocol::kSelectNone;
  if (*cancel) return protocol::kCancelTreatment;
  // "Seleccionar la opción marcada" pressed with nothing marked (the robot's
  // own option dialog stores that as -999): the control's dialog then
  // cancels the treatment, and so does this answer.
  if (selected == protocol::kCancelTreatment) return protocol::kCancelTreatment;
  if (selected < 0 || selected >= count) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery respuesta selecciona opción inexistente (%d): [%s]",
                 static_cast<int>(selected), Utf8(answers).c_str());
    return std::nullopt;
  }
  return selected;
}

// --- the handlers --------------------------------------------------------------------------

QueryConnection::QueryConnection(const QueryContext& context, const std::atomic<bool>* stopping,
                         Clock& clock)
    : m_context(context), m_stopping(stopping), m_clock(clock) {}

Text QueryConnection::GetButtonText(int id, TextView default_text) {
  for (const auto& [cached_id, text] : m_buttonTexts) {
    if (cached_id == id) return text;
  }
  if (m_lookup == Lookup::kNotTried && m_buttonTexts.empty()) {
    const bool found = m_context.resources != nullptr && m_context.resources->LoadMB_GetString();
    if (!found) KORVEX_TRACE("GetButtonText(): no encuentro MB_GetString() en USER32.DLL");
    m_lookup = found ? Lookup::kPresent : Lookup::kAbsent;
  }
  std::optional<Text> text;
  if (m_lookup == Lookup::kPresent) {
    text = m_context.resources->MB_GetString(static_cast<unsigned>(id - 1));
    if (!text) {
      KORVEX_TRACE("GetButtonText(%d): botón no encontrado; usando default [%s]", id,
                   Utf8(default_text).c_str());
    }
  } else {
    KORVEX_TRACE("GetButtonText(%d): no tengo MB_GetString(); usando default [%s]", id,
                 Utf8(default_text).c_str());
  }
  m_buttonTexts.emplace_back(id, text ? std::move(*text) : Text(default_text));
  return m_buttonTexts.back().second;
}

std::int32_t QueryConnection::IconValue(std::uint32_t uType) {
  int id = 0;
  switch (uType & 0x70u) {
    case 0x10: id = win::kIdiHand; break;
    case 0x20: id = win::kIdiQuestion; break;
    case 0x30: id = win::kIdiExclamation; break;
    case 0x40: id = win::kIdiAsterisk; break;
    default: return -1;
  }
  if (m_context.resources == nullptr) return -1;
  const IconHandle icon = m_context.resources->LoadSystemIcon(id);
  return icon == 0 ? -1 : static_cast<std::int32_t>(icon);
}

bool QueryConnection::ProcessRemoteQuery(std::int32_t item, const Text& key, Text& response,
                                     Text& error) {
  const auto stopping = [this] { return m_stopping != nullptr && m_stopping->load(); };
  if (stopping()) {
    error = kErrorStopping;
    return false;
  }
  RemoteQueryRecord record;
  record.item = item;
  record.key = key;
  if (m_context.ui == nullptr || m_context.ui->SendRemoteQuery(record) == 0) {
    error = kErrorNotDelivered;
    return false;
  }
  // An answer that arrives once the service is stopping is not sent.
  if (stopping()) {
    error = kErrorStopping;
    return false;
  }
  if (record.found == 0) {
    error = std::move(record.error);
    return false;
  }
  response = std::move(record.response);
  return true;
}

template <class Response>
bool QueryConnection::Respond(CBuffer& out, const char* handler, const Response& response) {
  if (!protocol::EncodeResponse(response, m_clock, out)) {
    KORVEX_TRACE("%s(): la generación del buffer dio error", handler);
    return false;
  }
  KORVEX_TRACE("%s(): operación exitosa", handler);
  return true;
}

// The lookup step shared by the four handlers.
bool QueryConnection::FindAnswer(const char* handler, std::int32_t item, const Text& key,
                             Text& answers) {
  KORVEX_TRACE("%s(): Llamando a ProcessRemoteQuery() con key: %s", handler, Utf8(key).c_str());
  Text error;
  if (!ProcessRemoteQuery(item, key, answers, error)) {
    KORVEX_TRACE("%s(): ProcessRemoteQuery no tuvo éxito: %s", handler, Utf8(error).c_str());
    return false;
  }
  return true;
}

bool QueryConnection::MensajeAlDespachante(CBuffer& request, CBuffer& response) {
  protocol::MensajeAlDespachanteRequest q;
  if (!protocol::DecodeRequest(request, q)) return false;
  const Text key = MessageKey(GetButtonText(1, kDefaultAccept),
                              IconValue(static_cast<std::uint32_t>(q.type)), q.text);
  Text answers;
  if (!FindAnswer("MensajeAlDespachante", q.item, key, answers)) return false;
  if (!IsAcknowledgedMessage(answers)) {
    KORVEX_TRACE("MensajeAlDespachante(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return Respond(response, "MensajeAlDespachante",
                 protocol::MensajeAlDespachanteResponse{.acknowledged = 1});
}

bool QueryConnection::PreguntaSiNo(CBuffer& request, CBuffer& response) {
  protocol::PreguntaSiNoRequest q;
  if (!protocol::DecodeRequest(request, q)) return false;
  // The "no" text is asked for first.
  const Text no = GetButtonText(protocol::kIdNo, kDefaultNo);
  const Text yes = GetButtonText(protocol::kIdYes, kDefaultYes);
  const Text key = YesNoKey(yes, no, IconValue(static_cast<std::uint32_t>(q.type)), q.text);
  Text answers;
  if (!FindAnswer("PreguntaSiNo", q.item, key, answers)) return false;
  const std::optional<std::int32_t> answer = YesNoAnswer(answers);
  if (!answer) {
    KORVEX_TRACE("PreguntaSiNo(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  KORVEX_TRACE("PreguntaSiNo(): devolviendo '%s'", *answer == protocol::kIdYes ? "SÍ" : "NO");
  return Respond(response, "PreguntaSiNo",
                 protocol::PreguntaSiNoResponse{.answer = *answer, .acknowledged = 1});
}

bool QueryConnection::PreguntaTexto(CBuffer& request, CBuffer& response) {
  protocol::PreguntaTextoRequest q;
  if (!protocol::DecodeRequest(request, q)) return false;
  const Text key = DataInputKey(q.name);
  Text answers;
  if (!FindAnswer("PreguntaTexto", q.item, key, answers)) return false;
  std::optional<ValueAnswer> answer = DataInputAnswer(answers);
  if (!answer) {
    KORVEX_TRACE("PreguntaTexto(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return Respond(response, "PreguntaTexto",
                 protocol::PreguntaTextoResponse{.value = std::move(answer->value),
                                                 .acknowledged = answer->acknowledged ? 1 : 0});
}

bool QueryConnection::PreguntaOpciones(CBuffer& request, CBuffer& response) {
  protocol::PreguntaOpcionesRequest q;
  if (!protocol::DecodeRequest(request, q)) return false;
  const Text key = OptionsKey(q.options);
  Text answers;
  if (!FindAnswer("PreguntaOpciones", q.item, key, answers)) return false;
  const std::optional<std::int32_t> answer =
      OptionsAnswer(answers, static_cast<std::int32_t>(q.options.size()));
  if (!answer) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return Respond(response, "PreguntaOpciones",
                 protocol::PreguntaOpcionesResponse{.answerid = *answer});
}

}  // namespace korvex::query
