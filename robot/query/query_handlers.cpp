#include "robot/query/query_handlers.h"

#include <limits>
#include <memory>

#include "platform/trace.h"
#include "protocol/protocol.h"
#include "robot/key/text_escape.h"
#include "robot/key/window_key.h"
#include "robot/window/dossa_window.h"
#include "robot/window/interaction.h"
#include "robot/window/meta_window.h"

namespace korvex::query {

namespace {

using protocol::CBuffer;

constexpr std::u16string_view kNull = u"class CNullInteraction";
constexpr std::u16string_view kPress = u"class CPressButton";
constexpr std::u16string_view kPutText = u"class CPutText";
constexpr std::u16string_view kItemSelect = u"class CItemSelect";

constexpr std::u16string_view kAcceptValue = u"Validar lo ingresado";
constexpr std::u16string_view kEndTreatment = u"Terminar el tratamiento";
constexpr std::u16string_view kDataInputNotice =
    u"El tarifex ha detectado el uso de un dato complementario no especificado en el despacho !";
constexpr std::u16string_view kSelectNoneButton = u"No seleccionar ninguna";
constexpr std::u16string_view kCancelButton = u"Cancelar el  tratamiento";  // two blanks
constexpr std::u16string_view kSelectButton = u"Seleccionar la opción marcada";

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

// The fields of a broken-up answer list, taken from the front.
class Fields {
 public:
  explicit Fields(TextView answers) : m_fields(BreakupSerializedResponse(answers)) {}
  const Text* Next() { return m_next < m_fields.size() ? &m_fields[m_next++] : nullptr; }
  bool NextIs(TextView wanted) {
    const Text* f = Next();
    return f != nullptr && *f == wanted;
  }
  // A button field: pressed or not; no value for any other shape.
  std::optional<bool> NextButton() {
    const Text* f = Next();
    if (f == nullptr) return std::nullopt;
    if (*f == kPress) return true;
    if (*f == kNull) return false;
    return std::nullopt;
  }
  bool AtEnd() const { return m_next == m_fields.size(); }

 private:
  std::vector<Text> m_fields;
  std::size_t m_next = 0;
};

bool IsCSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// A field that holds one whole decimal number and nothing after it (blanks
// before it and a sign are allowed).  Values beyond 32 bits saturate; no
// option has such an index anyway.
std::optional<std::int64_t> WholeNumber(TextView field) {
  std::size_t i = 0;
  while (i < field.size() && IsCSpace(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == u'+' || field[i] == u'-')) negative = field[i++] == u'-';
  const std::size_t digits = i;
  std::int64_t value = 0;
  for (; i < field.size() && field[i] >= u'0' && field[i] <= u'9'; ++i) {
    if (value < (std::int64_t{1} << 40)) value = value * 10 + (field[i] - u'0');
  }
  if (i == digits || i != field.size()) return std::nullopt;
  return negative ? -value : value;
}

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
  const Text prompt = u"Ingrese por favor el valor de " + Text(value_name) + u" :";
  auto dialog = Build<CDataInputWindow>(kDataInputCaption, std::make_unique<CMetaEditEx>(Text()),
                                        Button(kAcceptValue), Button(kEndTreatment),
                                        Static(kDataInputNotice), Static(prompt));
  dialog->SetPromptIndex(4);
  dialog->SetEditIndex(0);
  dialog->SetAcceptIndex(1);
  dialog->SetCancelIndex(2);
  return WriteKey(*dialog);
}

Text OptionsKey(const std::vector<Text>& options) {
  auto list = std::make_unique<CMetaListEx>();
  for (const Text& option : options) list->AddItem(option);
  auto dialog = Build<CItemSelectionWindow>(kItemSelectionCaption, Button(kSelectNoneButton),
                                            Button(kCancelButton), std::move(list),
                                            Button(kSelectButton));
  dialog->SetListIndex(2);
  dialog->SetAcceptIndex(3);
  dialog->SetCancelIndex(1);
  dialog->SetNoneIndex(0);
  return WriteKey(*dialog);
}

// --- answer lists -----------------------------------------------------------------------

std::vector<Text> BreakupSerializedResponse(TextView answers) {
  std::vector<Text> fields;
  std::size_t start = 0;
  for (std::size_t bar = answers.find(u'|'); bar != TextView::npos;
       bar = answers.find(u'|', start)) {
    fields.push_back(UnescapeText(answers.substr(start, bar - start)));
    start = bar + 1;
  }
  if (start < answers.size()) {
    KORVEX_TRACE("BreakupSerializedResponse(): respuesta en formato incorrecto: '%s'",
                 Utf8(answers.substr(start)).c_str());
  }
  return fields;
}

bool IsAcknowledgedMessage(TextView answers) {
  return answers == u"3|class CPressButton|class CNullInteraction|class CNullInteraction|";
}

std::optional<std::int32_t> YesNoAnswer(TextView answers) {
  if (answers ==
      u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
      u"class CNullInteraction|") {
    return protocol::kIdYes;
  }
  if (answers ==
      u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
      u"class CNullInteraction|") {
    return protocol::kIdNo;
  }
  return std::nullopt;
}

std::optional<ValueAnswer> DataInputAnswer(TextView answers) {
  Fields f(answers);
  if (!f.NextIs(u"5")) return std::nullopt;
  ValueAnswer answer;
  const Text* edit = f.Next();
  if (edit == nullptr) return std::nullopt;
  if (*edit == kPutText) {
    const Text* value = f.Next();
    if (value == nullptr) return std::nullopt;
    answer.value = *value;
  } else if (*edit != kNull) {
    return std::nullopt;
  }
  const std::optional<bool> accept = f.NextButton();
  const std::optional<bool> end = f.NextButton();
  if (!accept || !end || *accept == *end) return std::nullopt;
  if (!f.NextIs(kNull) || !f.NextIs(kNull) || !f.AtEnd()) return std::nullopt;
  answer.acknowledged = *accept;
  return answer;
}

std::optional<std::int32_t> OptionsAnswer(TextView answers, std::int32_t count) {
  Fields f(answers);
  if (!f.NextIs(u"4")) return std::nullopt;
  const std::optional<bool> none = f.NextButton();
  const std::optional<bool> cancel = f.NextButton();
  if (!none || !cancel) return std::nullopt;
  std::int64_t selected = -1;  // nothing selected
  const Text* list = f.Next();
  if (list == nullptr) return std::nullopt;
  if (*list == kItemSelect) {
    const Text* index = f.Next();
    if (index == nullptr) return std::nullopt;
    const std::optional<std::int64_t> number = WholeNumber(*index);
    if (!number) return std::nullopt;
    selected = *number;
  } else if (*list != kNull) {
    return std::nullopt;
  }
  const std::optional<bool> select = f.NextButton();
  if (!select || !f.AtEnd()) return std::nullopt;
  if (int{*none} + int{*cancel} + int{*select} != 1) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery respuesta no pulsa exactamente un botón: [%s]",
                 Utf8(answers).c_str());
    return std::nullopt;
  }
  if (*none) return protocol::kSelectNone;
  if (*cancel) return protocol::kCancelTreatment;
  if (selected < 0 || selected >= count) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery respuesta selecciona opción inexistente (%lld): [%s]",
                 static_cast<long long>(selected), Utf8(answers).c_str());
    return std::nullopt;
  }
  return static_cast<std::int32_t>(selected);
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

bool QueryConnection::WriteResponse(CBuffer& response, const char* handler,
                                const std::function<bool(CBuffer&)>& fields) {
  if (!response.AddInteger(protocol::kProtocolId) || !fields(response) ||
      !response.AddSignature(m_clock)) {
    KORVEX_TRACE("%s(): la generación del buffer dio error", handler);
    return false;
  }
  KORVEX_TRACE("%s(): operación exitosa", handler);
  return true;
}

namespace {

// The common reading of the first two handlers' parameters.
struct MessageQuestion {
  std::int32_t item = 0;
  Text text;
  Text caption;
  std::int32_t uType = 0;
};

bool ReadMessageQuestion(CBuffer& request, const char* handler, MessageQuestion& q) {
  const char* missing = nullptr;
  if (!request.GetInteger(q.item)) missing = "item";
  else if (!request.GetString(q.text)) missing = "lpText";
  else if (!request.GetString(q.caption)) missing = "lpCaption";
  else if (!request.GetInteger(q.uType)) missing = "uType";
  if (missing != nullptr) {
    KORVEX_TRACE("%s(): parámetro faltante en la pregunta: '%s'", handler, missing);
    return false;
  }
  KORVEX_TRACE("%s(): '%s', '%s', 0x%08x", handler, Utf8(q.text).c_str(), Utf8(q.caption).c_str(),
               static_cast<unsigned>(q.uType));
  if (!request.ValidaEOM()) {
    KORVEX_TRACE("%s(): el tamaño de la respuesta no era el esperado", handler);
    return false;
  }
  return true;
}

}  // namespace

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
  MessageQuestion q;
  if (!ReadMessageQuestion(request, "MensajeAlDespachante", q)) return false;
  const Text key = MessageKey(GetButtonText(1, kDefaultAccept),
                              IconValue(static_cast<std::uint32_t>(q.uType)), q.text);
  Text answers;
  if (!FindAnswer("MensajeAlDespachante", q.item, key, answers)) return false;
  if (!IsAcknowledgedMessage(answers)) {
    KORVEX_TRACE("MensajeAlDespachante(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return WriteResponse(response, "MensajeAlDespachante",
                       [](CBuffer& out) { return out.AddBool(1); });
}

bool QueryConnection::PreguntaSiNo(CBuffer& request, CBuffer& response) {
  MessageQuestion q;
  if (!ReadMessageQuestion(request, "PreguntaSiNo", q)) return false;
  // The "no" text is asked for first.
  const Text no = GetButtonText(protocol::kIdNo, kDefaultNo);
  const Text yes = GetButtonText(protocol::kIdYes, kDefaultYes);
  const Text key = YesNoKey(yes, no, IconValue(static_cast<std::uint32_t>(q.uType)), q.text);
  Text answers;
  if (!FindAnswer("PreguntaSiNo", q.item, key, answers)) return false;
  const std::optional<std::int32_t> answer = YesNoAnswer(answers);
  if (!answer) {
    KORVEX_TRACE("PreguntaSiNo(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  KORVEX_TRACE("PreguntaSiNo(): devolviendo '%s'", *answer == protocol::kIdYes ? "SÍ" : "NO");
  return WriteResponse(response, "PreguntaSiNo", [&](CBuffer& out) {
    return out.AddInteger(*answer) && out.AddBool(1);
  });
}

bool QueryConnection::PreguntaTexto(CBuffer& request, CBuffer& response) {
  std::int32_t item = 0;
  Text name;
  const char* missing = nullptr;
  if (!request.GetInteger(item)) missing = "item";
  else if (!request.GetString(name)) missing = "lpText";
  if (missing != nullptr) {
    KORVEX_TRACE("PreguntaTexto(): parámetro faltante en la pregunta: '%s'", missing);
    return false;
  }
  KORVEX_TRACE("PreguntaTexto(): '%s'", Utf8(name).c_str());
  if (!request.ValidaEOM()) {
    KORVEX_TRACE("PreguntaTexto(): el tamaño de la respuesta no era el esperado");
    return false;
  }
  const Text key = DataInputKey(name);
  Text answers;
  if (!FindAnswer("PreguntaTexto", item, key, answers)) return false;
  const std::optional<ValueAnswer> answer = DataInputAnswer(answers);
  if (!answer) {
    KORVEX_TRACE("PreguntaTexto(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return WriteResponse(response, "PreguntaTexto", [&](CBuffer& out) {
    return out.AddString(answer->value) && out.AddBool(answer->acknowledged ? 1 : 0);
  });
}

bool QueryConnection::PreguntaOpciones(CBuffer& request, CBuffer& response) {
  std::int32_t item = 0;
  std::int32_t count = 0;
  const char* missing = nullptr;
  if (!request.GetInteger(item)) missing = "item";
  else if (!request.GetInteger(count)) missing = "count";
  if (missing != nullptr) {
    KORVEX_TRACE("PreguntaOpciones(): parámetro faltante en la pregunta: '%s'", missing);
    return false;
  }
  if (count < 0 || count > protocol::kMaxOptions) {
    KORVEX_TRACE("PreguntaOpciones(): parámetro 'count' fuera de rango (0-%d): %d",
                 protocol::kMaxOptions, count);
    return false;
  }
  std::vector<Text> options(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    if (!request.GetString(options[static_cast<std::size_t>(i)])) {
      KORVEX_TRACE("PreguntaOpciones(): parámetro faltante en la pregunta: elements[%d]", i);
      return false;
    }
  }
  if (!request.ValidaEOM()) {
    KORVEX_TRACE("PreguntaOpciones(): el tamaño de la respuesta no era el esperado");
    return false;
  }
  KORVEX_TRACE("PreguntaOpciones(): %d elementos", count);
  const Text key = OptionsKey(options);
  Text answers;
  if (!FindAnswer("PreguntaOpciones", item, key, answers)) return false;
  const std::optional<std::int32_t> answer = OptionsAnswer(answers, count);
  if (!answer) {
    KORVEX_TRACE("PreguntaOpciones(): ProcessRemoteQuery devolvió una respuesta inesperada: [%s]",
                 Utf8(answers).c_str());
    return false;
  }
  return WriteResponse(response, "PreguntaOpciones",
                       [&](CBuffer& out) { return out.AddInteger(*answer); });
}

}  // namespace korvex::query
