#include "robot/key/window_key.h"

#include <array>

#include "robot/capture/recognition_error.h"
#include "robot/key/answer_text.h"
#include "robot/key/field_stream.h"
#include "robot/key/serializers.h"
#include "robot/key/text_escape.h"

namespace korvex {

namespace {

using DialogFactory = std::unique_ptr<CDossaWindow> (*)(Text, std::unique_ptr<CDialogWindow>,
                                                       OwnedAnswers);

template <class D>
std::unique_ptr<CDossaWindow> MakeDialog(Text caption, std::unique_ptr<CDialogWindow> root,
                                         OwnedAnswers answers) {
  return std::make_unique<D>(std::move(caption), std::move(root), std::move(answers));
}

struct DialogMaker {
  std::u16string_view name;
  DialogFactory make;
};

constexpr std::array<DialogMaker, 3> kDialogClasses{{
    {u"class CDataInputWindow", &MakeDialog<CDataInputWindow>},
    {u"class CItemSelectionWindow", &MakeDialog<CItemSelectionWindow>},
    {u"class CDynWindow", &MakeDialog<CDynWindow>},
}};

// Role indices in key order: list, prompt, edit, accept, cancel, none.
constexpr std::size_t kRoleCount = 6;

[[noreturn]] void Refuse(std::int32_t code, const char* what) { throw RecognitionError(code, what); }

}  // namespace

Text WriteKey(const CDossaWindow& dialog) {
  Text out;
  AppendField(out, dialog.RuntimeClassName());
  AppendEscapedField(out, dialog.GetCaption());
  for (const std::int32_t role : {dialog.GetListIndex(), dialog.GetPromptIndex(),
                                  dialog.GetEditIndex(), dialog.GetAcceptIndex(),
                                  dialog.GetCancelIndex(), dialog.GetNoneIndex()}) {
    AppendUnsignedField(out, static_cast<std::uint32_t>(role));
  }
  const CDialogWindow& root = dialog.GetRoot();
  AppendUnsignedField(out, static_cast<std::uint32_t>(root.GetChildCount()));
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& child = root.GetChild(i);
    SerializerOf(child).Write(child, out);
  }
  return out;
}

std::unique_ptr<CDossaWindow> ReadKey(TextView key, TextView answers_text) {
  FieldReader in(key, recognition_code::kUnknownDialogClass);
  const TextView dialog_class = in.ReadToken();
  OwnedAnswers answers = ReadAnswers(answers_text);
  Text caption = UnescapeText(in.ReadToken());
  std::array<std::int32_t, kRoleCount> roles{};
  for (std::int32_t& role : roles) role = static_cast<std::int32_t>(in.ReadUnsigned());
  const std::uint32_t child_count = in.ReadUnsigned();

  in.SetFailureCode(recognition_code::kUnknownControlClass);
  auto root = std::make_unique<CDialogWindow>();
  for (std::uint32_t i = 0; i < child_count; ++i) {
    // Every record ends with a "|": at most as many records as characters
    // left, then the peek below fails at the end of the key.
    const CMetaSerializerBase* serializer = MetaSerializerRegistry().Lookup(in.PeekToken());
    if (serializer == nullptr) in.Fail("a child record names no registered control class");
    std::unique_ptr<CMetaWindow> child = serializer->Read(in);
    if (child == nullptr) in.Fail("a child record names a class that is never written");
    root->AddChild(std::move(child));
  }

  in.SetFailureCode(recognition_code::kUnknownDialogClass);
  const DialogMaker* kind = nullptr;
  for (const DialogMaker& candidate : kDialogClasses) {
    if (dialog_class == candidate.name) kind = &candidate;
  }
  if (kind == nullptr) in.Fail("the first field names none of the dialog classes");
  if (!in.AtEnd()) in.Fail("text follows the last child record");

  if (answers.size() != root->GetChildCount()) {
    Refuse(recognition_code::kUnknownInteraction,
           "the answer list has another number of entries than the dialog has children");
  }
  for (std::size_t i = 0; i < answers.size(); ++i) {
    if (!SerializerOf(*answers[i]).CanAnswer(root->GetChild(i))) {
      Refuse(recognition_code::kUnknownInteraction,
             "an answer cannot act on the child it belongs to");
    }
  }
  for (const std::int32_t role : roles) {
    if (role < -1 || (role >= 0 && static_cast<std::uint32_t>(role) >= child_count)) {
      in.Fail("a role index names no child");
    }
  }

  std::unique_ptr<CDossaWindow> dialog =
      kind->make(std::move(caption), std::move(root), std::move(answers));
  dialog->SetListIndex(roles[0]);
  dialog->SetPromptIndex(roles[1]);
  dialog->SetEditIndex(roles[2]);
  dialog->SetAcceptIndex(roles[3]);
  dialog->SetCancelIndex(roles[4]);
  dialog->SetNoneIndex(roles[5]);
  return dialog;
}

std::unique_ptr<CDossaWindow> ReadStoredEntry(TextView key, TextView answers) {
  std::unique_ptr<CDossaWindow> dialog = ReadKey(key, answers);
  const CDialogWindow& root = dialog->GetRoot();
  bool has_button = false;
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    if (dynamic_cast<const CMetaButton*>(&root.GetChild(i)) != nullptr) has_button = true;
  }
  std::size_t presses = 0;
  for (const CUserInteraction* answer : dialog->GetAnswers()) {
    if (dynamic_cast<const CPressButton*>(answer) != nullptr) ++presses;
  }
  if (presses != (has_button ? 1u : 0u)) {
    Refuse(recognition_code::kUnknownInteraction,
           "a stored answer does not press exactly one button of its dialog");
  }
  return dialog;
}

bool NormalizeEntry(Text& key, Text& answers) {
  std::unique_ptr<CDossaWindow> dialog;
  try {
    dialog = ReadStoredEntry(key, answers);
  } catch (const RecognitionError&) {
    return false;
  }
  Text new_key = WriteKey(*dialog);
  Text new_answers = WriteAnswers(dialog->GetAnswers());
  key = std::move(new_key);
  answers = std::move(new_answers);
  return true;
}

}  // namespace korvex
