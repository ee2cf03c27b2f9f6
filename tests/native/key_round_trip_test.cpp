// Round trip of generated dialogs through the key and answer writers and
// readers: the rebuilt dialog holds the very values of the original, and
// writing it again gives the same texts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "robot/key/answer_text.h"
#include "robot/key/text_escape.h"
#include "robot/key/window_key.h"

namespace korvex {
namespace {

// Pieces that texts are made of: the separator, the escape prefix and
// escapes themselves, quotes, the legacy markers, accents, characters above
// 0xFF, control characters and lone surrogates.
const Text kPieces[] = {
    u"|",  u"<>",      u"\\",         u"\\x41", u"\\X20ac", u"\"",   u"'",   u"[BAR]",
    u"[_BAR]", u"&", u" ", u"  ",     u"Aceptar", u"Botón", u"ñÑ",   u"ü",   u"€",
    u"中文", u"\t",    u"\n",         u"\x7f",  u"\xff",    u"<",    u">",   u"x",
    Text(1, u'\0'),    Text(1, char16_t{0xD800}), Text(1, char16_t{0xDFFF}), u"\uffff",
};

class DialogGenerator {
 public:
  explicit DialogGenerator(std::uint32_t seed) : m_rng(seed) {}

  std::unique_ptr<CDossaWindow> Next() {
    auto root = std::make_unique<CDialogWindow>();
    OwnedAnswers answers;
    const int children = Pick(0, 3) == 0 ? Pick(0, 1) : Pick(2, 9);
    std::vector<std::int32_t> buttons, edits, lists, texts;
    for (int i = 0; i < children; ++i) {
      switch (Pick(0, 4)) {
        case 0: {
          const std::int32_t enabled = Pick(0, 5) == 0 ? Pick(-3, 7) : Pick(0, 1);
          root->AddChild(std::make_unique<CMetaButtonEx>(MakeText(), enabled));
          answers.push_back(Pick(0, 2) == 0 ? Answer<CPressButton>() : Null());
          buttons.push_back(i);
          break;
        }
        case 1:
          root->AddChild(std::make_unique<CTextWindowEx>(MakeText()));
          answers.push_back(Null());
          texts.push_back(i);
          break;
        case 2:
          root->AddChild(std::make_unique<CIconWindowEx>(MakeIcon()));
          answers.push_back(Null());
          break;
        case 3:
          root->AddChild(std::make_unique<CMetaEditEx>(MakeText()));
          answers.push_back(Pick(0, 1) == 0 ? std::make_unique<CPutText>(MakeText()) : Null());
          edits.push_back(i);
          break;
        default: {
          auto list = std::make_unique<CMetaListEx>();
          const int items = Pick(0, 3) == 0 ? 0 : Pick(0, 5) == 0 ? Pick(100, 400) : Pick(1, 6);
          for (int k = 0; k < items; ++k) list->AddItem(MakeText());
          root->AddChild(std::move(list));
          if (Pick(0, 1) == 0) {
            // Any index the system stores: inside the items, -1, -999, beyond.
            const std::int32_t index = Pick(0, 3) == 0 ? (Pick(0, 1) == 0 ? -1 : -999)
                                                       : Pick(0, items + 2);
            answers.push_back(std::make_unique<CItemSelect>(index));
          } else {
            answers.push_back(Null());
          }
          lists.push_back(i);
          break;
        }
      }
    }
    std::unique_ptr<CDossaWindow> dialog;
    switch (Pick(0, 2)) {
      case 0:
        dialog = std::make_unique<CDynWindow>(MakeText(), std::move(root), std::move(answers));
        break;
      case 1:
        dialog = std::make_unique<CDataInputWindow>(MakeText(), std::move(root), std::move(answers));
        dialog->SetEditIndex(Role(edits));
        dialog->SetAcceptIndex(Role(buttons));
        dialog->SetCancelIndex(Role(buttons));
        dialog->SetPromptIndex(Role(texts));
        break;
      default:
        dialog = std::make_unique<CItemSelectionWindow>(MakeText(), std::move(root),
                                                        std::move(answers));
        dialog->SetListIndex(Role(lists));
        dialog->SetAcceptIndex(Role(buttons));
        dialog->SetCancelIndex(Role(buttons));
        dialog->SetNoneIndex(Role(buttons));
        break;
    }
    return dialog;
  }

  Text MakeText() {
    if (Pick(0, 5) == 0) return {};
    Text text;
    const int pieces = Pick(1, 6);
    for (int i = 0; i < pieces; ++i) text += kPieces[Pick(0, std::size(kPieces) - 1)];
    return text;
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

  std::int32_t MakeIcon() {
    switch (Pick(0, 3)) {
      case 0: return INT32_MIN;
      case 1: return INT32_MAX;
      default: return static_cast<std::int32_t>(m_rng());
    }
  }

  // -1, or one of the candidate children (the role's own kind).
  std::int32_t Role(const std::vector<std::int32_t>& candidates) {
    if (candidates.empty() || Pick(0, 3) == 0) return -1;
    return candidates[static_cast<std::size_t>(Pick(0, static_cast<int>(candidates.size()) - 1))];
  }

  template <class T>
  static std::unique_ptr<CUserInteraction> Answer() { return std::make_unique<T>(); }
  static std::unique_ptr<CUserInteraction> Null() { return std::make_unique<CNullInteraction>(); }

  std::mt19937 m_rng;
};

// Everything a rebuilt dialog must keep, written plainly and independently of
// the key format: classes (without "Ex"), texts as code units, flags, icons,
// items, roles and answers.
std::string Dump(const CDossaWindow& d) {
  std::string out;
  const auto text = [&out](const Text& t) {
    out += "[";
    for (const char16_t c : t) out += std::to_string(static_cast<int>(c)) + ",";
    out += "]";
  };
  out += ToUtf8(d.RuntimeClassName());
  text(d.GetCaption());
  for (const auto role : {d.GetListIndex(), d.GetPromptIndex(), d.GetEditIndex(),
                          d.GetAcceptIndex(), d.GetCancelIndex(), d.GetNoneIndex()}) {
    out += " " + std::to_string(role);
  }
  const CDialogWindow& root = d.GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& c = root.GetChild(i);
    out += "\n kind " + std::to_string(static_cast<int>(c.GetKind()));
    if (const auto* b = dynamic_cast<const CMetaButton*>(&c)) out += " enabled " + std::to_string(b->IsEnabled());
    if (const auto* icon = dynamic_cast<const CIconWindow*>(&c)) {
      out += " icon " + std::to_string(icon->GetIcon());
    } else if (const auto* t = dynamic_cast<const CTextWindow*>(&c)) {
      text(t->GetText());
    }
    if (dynamic_cast<const CMetaEdit*>(&c) != nullptr) text(c.ReadWindowText());
    if (const auto* l = dynamic_cast<const CMetaList*>(&c)) {
      for (int k = 0; k < l->GetItemCount(); ++k) text(l->GetItemText(k));
    }
  }
  for (const CUserInteraction* a : d.GetAnswers()) {
    out += "\n " + ToUtf8(a->RuntimeClassName());
    if (const auto* put = dynamic_cast<const CPutText*>(a)) text(put->GetText());
    if (const auto* sel = dynamic_cast<const CItemSelect*>(a)) out += " " + std::to_string(sel->GetIndex());
  }
  return out;
}

TEST(KeyRoundTrip, GeneratedDialogsSurviveWritingAndReading) {
  constexpr std::uint32_t kSeed = 20240611;
  DialogGenerator generate(kSeed);
  for (int n = 0; n < 600; ++n) {
    SCOPED_TRACE("dialog " + std::to_string(n) + " of seed " + std::to_string(kSeed));
    const auto original = generate.Next();
    const Text key = WriteKey(*original);
    const Text answers = WriteAnswers(original->GetAnswers());

    const auto rebuilt = ReadKey(key, answers);
    EXPECT_EQ(Dump(*rebuilt), Dump(*original));
    EXPECT_EQ(WriteKey(*rebuilt), key);
    EXPECT_EQ(WriteAnswers(rebuilt->GetAnswers()), answers);

    // A written entry the robot could have stored (one press, or none on a
    // dialog without buttons) is already normalized; any other is refused
    // and left as it was.
    const CDialogWindow& root = original->GetRoot();
    bool has_button = false;
    for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
      if (dynamic_cast<const CMetaButton*>(&root.GetChild(i)) != nullptr) has_button = true;
    }
    std::size_t presses = 0;
    for (const CUserInteraction* a : original->GetAnswers()) {
      if (dynamic_cast<const CPressButton*>(a) != nullptr) ++presses;
    }
    Text stored_key = key;
    Text stored_answers = answers;
    ASSERT_EQ(NormalizeEntry(stored_key, stored_answers), presses == (has_button ? 1u : 0u));
    EXPECT_EQ(stored_key, key);
    EXPECT_EQ(stored_answers, answers);
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(KeyRoundTrip, GeneratedTextsSurviveEscaping) {
  DialogGenerator generate(7);
  for (int n = 0; n < 2000; ++n) {
    const Text text = generate.MakeText();
    const Text escaped = EscapeText(text);
    ASSERT_EQ(UnescapeText(escaped), text) << ToUtf8(escaped);
    ASSERT_EQ(escaped.find(u'|'), Text::npos) << ToUtf8(escaped);
  }
}

}  // namespace
}  // namespace korvex
