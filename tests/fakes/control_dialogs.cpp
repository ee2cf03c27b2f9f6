#include "tests/fakes/control_dialogs.h"

#include "tarifex/ansi.h"
#include "tarifex/control_strings.h"
#include "tarifex/question_dialogs.h"

namespace korvex::testing {

namespace {

using tarifex::ChildRole;
using tarifex::DialogChild;

constexpr std::int16_t kSpanish = 0;

Text ControlText(int id) { return tarifex::FromAnsi(tarifex::LoadControlString(id, kSpanish)); }

template <std::size_t N>
ControlDialog Lay(FakeDesktop& desk, tarifex::DialogText caption,
                  const DialogChild (&children)[N], TextView name,
                  const std::vector<Text>& options, bool none_offered, Hwnd owner) {
  ControlDialog laid;
  laid.dialog = desk.AddTopLevel({.text = ControlText(caption.id)}, owner);
  for (const DialogChild& child : children) {
    WindowProps props{.class_name = Text(tarifex::WindowClassOf(child.kind))};
    if (child.role == ChildRole::kPrompt) {
      props.text = tarifex::FromAnsi(tarifex::FormatControlText(
          tarifex::LoadControlString(child.text.id, kSpanish), {tarifex::ToAnsi(name)}));
    } else if (child.text.id != 0) {
      props.text = ControlText(child.text.id);
    }
    if (child.role == ChildRole::kList) props.items = options;
    if (child.role == ChildRole::kNone) props.enabled = none_offered;
    laid.children.push_back(desk.AddChild(laid.dialog, props));
  }
  return laid;
}

}  // namespace

ControlDialog AddControlDataInput(FakeDesktop& desk, TextView name, Hwnd owner) {
  return Lay(desk, tarifex::data_input::kCaption, tarifex::data_input::kChildren, name, {}, true,
             owner);
}

ControlDialog AddControlOptions(FakeDesktop& desk, const std::vector<Text>& options,
                                bool none_offered, Hwnd owner) {
  return Lay(desk, tarifex::options::kCaption, tarifex::options::kChildren, {}, options,
             none_offered, owner);
}

}  // namespace korvex::testing
