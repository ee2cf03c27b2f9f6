#include "robot/key/serializers.h"

#include <algorithm>

#include "robot/key/answer_text.h"
#include "robot/key/system_icons.h"
#include "robot/key/text_escape.h"

namespace korvex {

// --- CMetaButtonSerializer ----------------------------------------------------------

void CMetaButtonSerializer::WriteFields(const CMetaButton& button, Text& out) const {
  AppendEscapedField(out, button.GetText());
  // A live button answers IsWindowEnabled at writing time, a rebuilt one its
  // stored flag.
  AppendSignedField(out, button.IsEnabled());
}

void CMetaButtonSerializer::DescribeFields(const CMetaButton& button, Text& out) const {
  out += u"Botón ";
  out += WithoutAccelerators(button.GetText());
}

std::unique_ptr<CMetaWindow> CMetaButtonSerializer::ReadFields(FieldReader& in) const {
  Text text = UnescapeText(in.ReadToken());
  // An empty flag field counts as enabled.
  const std::int32_t enabled = in.ReadOptionalSigned().value_or(1);
  return std::make_unique<CMetaButtonEx>(std::move(text), enabled);
}

// --- CMetaTextSerializer ------------------------------------------------------------

void CMetaTextSerializer::WriteFields(const CTextWindow& text, Text& out) const {
  AppendEscapedField(out, text.GetText());
}

void CMetaTextSerializer::DescribeFields(const CTextWindow& text, Text& out) const {
  out += text.GetText();
}

std::unique_ptr<CMetaWindow> CMetaTextSerializer::ReadFields(FieldReader& in) const {
  return std::make_unique<CTextWindowEx>(UnescapeText(in.ReadToken()));
}

// --- CMetaEditSerializer ------------------------------------------------------------

void CMetaEditSerializer::WriteFields(const CMetaEdit& edit, Text& out) const {
  AppendEscapedField(out, edit.ReadWindowText());
}

void CMetaEditSerializer::DescribeFields(const CMetaEdit& edit, Text& out) const {
  const Text text = edit.ReadWindowText();
  out += u"Campo ";
  if (text.empty()) {
    out += u"vacio";
  } else {
    out += u"con texto ";
    out += text;
  }
}

std::unique_ptr<CMetaWindow> CMetaEditSerializer::ReadFields(FieldReader& in) const {
  return std::make_unique<CMetaEditEx>(UnescapeText(in.ReadToken()));
}

// --- CMetaListSerializer ------------------------------------------------------------

namespace {

// A live list box whose window is gone answers LB_ERR (-1) for its count.
int ItemCountOf(const CMetaList& list) { return std::max(list.GetItemCount(), 0); }

}  // namespace

void CMetaListSerializer::WriteFields(const CMetaList& list, Text& out) const {
  const int count = ItemCountOf(list);
  AppendUnsignedField(out, static_cast<std::uint32_t>(count));
  for (int i = 0; i < count; ++i) AppendEscapedField(out, list.GetItemText(i));
}

void CMetaListSerializer::DescribeFields(const CMetaList& list, Text& out) const {
  out += u"[";
  const int count = ItemCountOf(list);
  for (int i = 0; i < count; ++i) {
    out += list.GetItemText(i);
    out += u", ";
  }
  out += u"]";
}

std::unique_ptr<CMetaWindow> CMetaListSerializer::ReadFields(FieldReader& in) const {
  // Every item takes at least its "|", so a count larger than what is left of
  // the text fails at the end of the text, after no more reads than that.
  const std::uint32_t count = in.ReadUnsigned();
  if (count > in.Remaining()) in.Fail("a list box has more items than the text can hold");
  auto list = std::make_unique<CMetaListEx>();
  for (std::uint32_t i = 0; i < count; ++i) list->AddItem(UnescapeText(in.ReadToken()));
  return list;
}

// --- CMetaIconSerializer ------------------------------------------------------------

void CMetaIconSerializer::WriteFields(const CIconWindow& icon, Text& out) const {
  AppendSignedField(out, icon.GetIcon());
}

void CMetaIconSerializer::DescribeFields(const CIconWindow& icon, Text& out) const {
  const std::int32_t value = icon.GetIcon();
  const SystemIcons system = GetSystemIcons();
  out += u"ícono";
  if (value == system.hand) {
    out += u" de error";
  } else if (value == system.asterisk) {
    out += u" de información";
  } else if (value == system.question) {
    out += u" de pregunta";
  } else if (value == system.exclamation) {
    out += u" de alarma";
  }
}

std::unique_ptr<CMetaWindow> CMetaIconSerializer::ReadFields(FieldReader& in) const {
  return std::make_unique<CIconWindowEx>(in.ReadSigned());
}

// --- interaction serializers ------------------------------------------------------

std::unique_ptr<CUserInteraction> CNullInteractionSerializer::ReadFields(FieldReader&) const {
  return std::make_unique<CNullInteraction>();
}

bool CPressButtonSerializer::CanAnswer(const CMetaWindow& target) const {
  return dynamic_cast<const CMetaButton*>(&target) != nullptr;
}

void CPressButtonSerializer::DescribeFields(const CPressButton&, const CMetaWindow& target,
                                            Text& out) const {
  if (const auto* button = dynamic_cast<const CMetaButton*>(&target)) {
    out += u"Presionar ";
    out += WithoutAccelerators(button->GetText());
  }
}

std::unique_ptr<CUserInteraction> CPressButtonSerializer::ReadFields(FieldReader&) const {
  return std::make_unique<CPressButton>();
}

bool CPutTextSerializer::CanAnswer(const CMetaWindow& target) const {
  return dynamic_cast<const CMetaEdit*>(&target) != nullptr;
}

void CPutTextSerializer::WriteFields(const CPutText& put, Text& out) const {
  AppendEscapedField(out, put.GetText());
}

void CPutTextSerializer::DescribeFields(const CPutText& put, const CMetaWindow& target,
                                        Text& out) const {
  if (!CanAnswer(target)) return;
  out += u"Ingresar ' ";
  out += put.GetText();
  out += u"'";
}

std::unique_ptr<CUserInteraction> CPutTextSerializer::ReadFields(FieldReader& in) const {
  Text text = UnescapeText(in.ReadToken());
  if (text.size() > kLongestTypedText) in.Fail("a typed text is longer than an edit takes");
  return std::make_unique<CPutText>(std::move(text));
}

bool CItemSelectSerializer::CanAnswer(const CMetaWindow& target) const {
  return dynamic_cast<const CMetaList*>(&target) != nullptr;
}

void CItemSelectSerializer::WriteFields(const CItemSelect& select, Text& out) const {
  // Written unsigned: -1 is 4294967295, -999 is 4294966297.
  AppendUnsignedField(out, static_cast<std::uint32_t>(select.GetIndex()));
}

void CItemSelectSerializer::DescribeFields(const CItemSelect& select, const CMetaWindow& target,
                                           Text& out) const {
  const auto* list = dynamic_cast<const CMetaList*>(&target);
  if (list == nullptr) return;
  // A negative selection marks nothing: -999 is stored when "Seleccionar la
  // opción marcada" was pressed with no option marked (an empty list, say),
  // -1 clears the selection.  Both are answers the user gave.
  if (select.GetIndex() < 0) {
    out += u"Ninguna opción marcada";
    return;
  }
  out += u"Seleccionar '";
  out += list->GetItemText(select.GetIndex());
  out += u"'";
}

std::unique_ptr<CUserInteraction> CItemSelectSerializer::ReadFields(FieldReader& in) const {
  auto select = std::make_unique<CItemSelect>(0);
  select->SetIndex(static_cast<std::int32_t>(in.ReadUnsigned()));
  return select;
}

// --- registries -------------------------------------------------------------------------

const CStringToSafePtrMap<CMetaSerializerBase>& MetaSerializerRegistry() {
  static const CStringToSafePtrMap<CMetaSerializerBase> registry = [] {
    CStringToSafePtrMap<CMetaSerializerBase> map;
    const auto add = [&map](std::shared_ptr<const CMetaSerializerBase> serializer) {
      const Text name(serializer->ClassName());
      map.SetAt(name, serializer);       // the live class
      map.SetAt(name + u"Ex", serializer);  // its rebuilt variant
    };
    add(std::make_shared<CMetaButtonSerializer>());
    add(std::make_shared<CMetaTextSerializer>());
    add(std::make_shared<CMetaListSerializer>());
    add(std::make_shared<CMetaEditSerializer>());
    add(std::make_shared<CMetaIconSerializer>());
    return map;
  }();
  return registry;
}

const CStringToSafePtrMap<CInteractionSerializerBase>& InteractionSerializerRegistry() {
  static const CStringToSafePtrMap<CInteractionSerializerBase> registry = [] {
    CStringToSafePtrMap<CInteractionSerializerBase> map;
    const auto add = [&map](std::shared_ptr<const CInteractionSerializerBase> serializer) {
      Text name(serializer->ClassName());
      map.SetAt(std::move(name), std::move(serializer));
    };
    add(std::make_shared<CNullInteractionSerializer>());
    add(std::make_shared<CPressButtonSerializer>());
    add(std::make_shared<CPutTextSerializer>());
    add(std::make_shared<CItemSelectSerializer>());
    return map;
  }();
  return registry;
}

const CMetaSerializerBase& SerializerOf(const CMetaWindow& control) {
  const CMetaSerializerBase* serializer =
      MetaSerializerRegistry().Lookup(control.RuntimeClassName());
  if (serializer == nullptr) {
    throw std::invalid_argument("no serializer for " + ToUtf8(control.RuntimeClassName()));
  }
  return *serializer;
}

const CInteractionSerializerBase& SerializerOf(const CUserInteraction& interaction) {
  const CInteractionSerializerBase* serializer =
      InteractionSerializerRegistry().Lookup(interaction.RuntimeClassName());
  if (serializer == nullptr) {
    throw std::invalid_argument("no serializer for " + ToUtf8(interaction.RuntimeClassName()));
  }
  return *serializer;
}

Text DescribeControl(const CMetaWindow& control) {
  Text out;
  SerializerOf(control).Describe(control, out);
  return out;
}

Text DescribeInteraction(const CUserInteraction& interaction, const CMetaWindow& target) {
  Text out;
  SerializerOf(interaction).Describe(interaction, target, out);
  return out;
}

}  // namespace korvex
