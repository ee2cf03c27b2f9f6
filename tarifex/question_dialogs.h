// The tariff control's two question dialogs, the data entry "Ingreso de
// dato complementario" and the option choice "Seleccion de una opcion", as
// the control shows them and the robot recognises them: their captions, the
// texts of their children, the children's window order and what each child
// does.  Everything that shows or reads these dialogs takes them from here:
//   - the control's string table, whose Spanish texts of the dialogs are
//     these (tarifex/control_strings.h; the French ones are the table's);
//   - the control's dialog templates, children in this order
//     (tarifex/win32/control_dialogs.h), which Dossa.exe shows too;
//   - the robot's capture of the live dialogs, which tells the roles by
//     these texts, and the robot's query handlers, which build the window
//     key of a question from these children (robot/query/query_handlers.h).
// A text changed here changes the control, Dossa.exe and the robot's keys
// together; answers learned under the old text are no longer found.
//
// Freestanding: it includes only the standard library, so the layers of both
// deliverables may include it (as sentrel/notifications.h for the hook).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex::tarifex {

// A text of a question dialog: its identifier in the control's string table
// (the French text is 1000 higher) and its Spanish text, which is the
// table's.
struct DialogText {
  int id = 0;
  std::u16string_view spanish;
};

// What a child of a question dialog is.
enum class ChildKind { kEdit, kButton, kStatic, kListBox };

// The window class of a child of the kind: the control's templates create
// these predefined controls, and the robot's capture tells a child's kind by
// its class.
constexpr std::u16string_view WindowClassOf(ChildKind kind) {
  switch (kind) {
    case ChildKind::kEdit: return u"Edit";
    case ChildKind::kButton: return u"Button";
    case ChildKind::kStatic: return u"Static";
    case ChildKind::kListBox: return u"ListBox";
  }
  return u"";
}

// What a child does in its dialog.
enum class ChildRole {
  kValue,   // the edit the value is typed into
  kAccept,  // takes the value typed, or the option marked
  kCancel,  // ends the treatment
  kNotice,  // the data entry's explanation
  kPrompt,  // names the value asked for
  kList,    // the options
  kNone,    // selects no option; offered or not (BtnNoSeleccionar)
};

struct DialogChild {
  ChildKind kind;
  ChildRole role;
  DialogText text;  // none for the edit and the list
};

namespace data_input {

inline constexpr DialogText kCaption{2100, u"Ingreso de dato complementario"};
inline constexpr DialogText kNotice{
    2101, u"El tarifex ha detectado el uso de un dato complementario no especificado en el "
          u"despacho !"};
// "%s" stands for the name of the value asked for.
inline constexpr DialogText kPrompt{2102, u"Ingrese por favor el valor de %s :"};
inline constexpr DialogText kAccept{2103, u"Validar lo ingresado"};
inline constexpr DialogText kEnd{2104, u"Terminar el tratamiento"};

// The children in window order.
inline constexpr DialogChild kChildren[] = {
    {ChildKind::kEdit, ChildRole::kValue, {}},
    {ChildKind::kButton, ChildRole::kAccept, kAccept},
    {ChildKind::kButton, ChildRole::kCancel, kEnd},
    {ChildKind::kStatic, ChildRole::kNotice, kNotice},
    {ChildKind::kStatic, ChildRole::kPrompt, kPrompt},
};

// The Spanish prompt asking for the value named name: the pattern with the
// name in place of its "%s", as the control fills it.
inline std::u16string PromptFor(std::u16string_view name) {
  const std::u16string_view pattern = kPrompt.spanish;
  const std::size_t at = pattern.find(u"%s");
  std::u16string prompt(pattern.substr(0, at));
  prompt += name;
  prompt += pattern.substr(at + 2);
  return prompt;
}

}  // namespace data_input

namespace options {

inline constexpr DialogText kCaption{2105, u"Seleccion de una opcion"};
inline constexpr DialogText kSelect{2106, u"Seleccionar la opción marcada"};
inline constexpr DialogText kSelectNone{2107, u"No seleccionar ninguna"};
inline constexpr DialogText kCancel{2108, u"Cancelar el  tratamiento"};  // two blanks

// The children in window order.
inline constexpr DialogChild kChildren[] = {
    {ChildKind::kButton, ChildRole::kNone, kSelectNone},
    {ChildKind::kButton, ChildRole::kCancel, kCancel},
    {ChildKind::kListBox, ChildRole::kList, {}},
    {ChildKind::kButton, ChildRole::kAccept, kSelect},
};

}  // namespace options

// The window-order index of the dialog's child with the role; -1 when none
// has it.
template <std::size_t N>
constexpr std::int32_t IndexOf(const DialogChild (&children)[N], ChildRole role) {
  for (std::size_t i = 0; i < N; ++i) {
    if (children[i].role == role) return static_cast<std::int32_t>(i);
  }
  return -1;
}

}  // namespace korvex::tarifex
