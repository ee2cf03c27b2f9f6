// Each control and each interaction is described by its serializer
// (robot/key/serializers.h); this file joins those descriptions for the
// dialog classes.
#include "robot/key/descriptions.h"

#include "robot/key/serializers.h"

namespace korvex {

// The descriptions of answer i against child i, the empty ones left out,
// joined with ", ".  A dialog whose answers are all empty has an empty answer
// description.
Text DescribeAnswer(const CDossaWindow& dialog) {
  const CDialogWindow& root = dialog.GetRoot();
  const AnswerList answers = dialog.GetAnswers();
  Text out;
  for (std::size_t i = 0; i < answers.size() && i < root.GetChildCount(); ++i) {
    const Text part = DescribeInteraction(answers[i], root.GetChild(i));
    if (part.empty()) continue;
    if (!out.empty()) out += u", ";
    out += part;
  }
  return out;
}

namespace {

// The static texts first, in their order; then the caption as the host showed
// it (not the normalized one); then every other control in its order.  A
// dialog without static texts starts with its caption: "Aviso, Botón Aceptar".
Text DescribeMessage(const CDossaWindow& dialog) {
  const CDialogWindow& root = dialog.GetRoot();
  Text out;
  bool any_text = false;
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& child = root.GetChild(i);
    if (child.GetKind() != WindowKind::Text) continue;
    if (any_text) out += u", ";
    out += DescribeControl(child);
    any_text = true;
  }
  if (any_text) out += u", ";
  out += dialog.GetRawCaption();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& child = root.GetChild(i);
    if (child.GetKind() == WindowKind::Text) continue;
    out += u", ";
    out += DescribeControl(child);
  }
  return out;
}

// The option list, "[Uno, Dos, ]"; empty when the dialog has no list.
Text DescribeOptions(const CDossaWindow& dialog) {
  const CDialogWindow& root = dialog.GetRoot();
  const std::int32_t index = dialog.GetListIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= root.GetChildCount()) return {};
  const CMetaWindow& child = root.GetChild(static_cast<std::size_t>(index));
  if (child.GetKind() != WindowKind::List) return {};
  return DescribeControl(child);
}

}  // namespace

Text DescribeQuestion(const CDossaWindow& dialog) {
  switch (dialog.GetDialogClass()) {
    case DialogClass::Dyn: return DescribeMessage(dialog);
    case DialogClass::DataInput: return dialog.GetPromptText();  // the prompt naming the datum
    case DialogClass::ItemSelection: return DescribeOptions(dialog);
  }
  return {};
}

}  // namespace korvex
