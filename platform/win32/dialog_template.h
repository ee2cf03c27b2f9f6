// Dialog templates built in memory: a DLGTEMPLATE followed by its
// DLGITEMTEMPLATEs, for DialogBoxIndirectParamW and
// CreateDialogIndirectParamW.  The controls are created in the order they
// are added, which is also their window order (GW_CHILD, then GW_HWNDNEXT):
// a dialog whose capture depends on that order says so by the order of its
// Add calls alone.
//
// The setters return the builder, so a dialog reads as one expression:
//
//   DialogTemplate(u"Seleccion de una opcion", {0, 0, 220, 120})
//       .Static(u"Elija una opcion", {7, 7, 200, 10})
//       .ListBox(1001, {7, 20, 200, 60}, {u"Uno", u"Dos"})
//       .Button(u"Aceptar", IDOK, {60, 95, 50, 14}, BS_DEFPUSHBUTTON);
#pragma once

#include <windows.h>

#include <variant>
#include <vector>

#include "platform/text.h"

namespace korvex::win32 {

// The predefined control classes, as a template names them by atom.
enum class ControlAtom : WORD {
  Button = 0x0080,
  Edit = 0x0081,
  Static = 0x0082,
  ListBox = 0x0083,
  ScrollBar = 0x0084,
  ComboBox = 0x0085,
};

// A rectangle in dialog units: origin and size, as templates give it.
struct DluRect {
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
};

// One control of a dialog template.
struct DialogItem {
  std::variant<ControlAtom, Text> window_class = ControlAtom::Static;  // atom or class name
  Text text;
  int id = 0xFFFF;  // a WORD in the template; 0xFFFF is the usual id of statics
  DWORD style = WS_CHILD | WS_VISIBLE;
  DluRect rect{};
  DWORD ex_style = 0;
  // The items of a list box.  A template has no place for them: the
  // dialog's procedure adds them when it starts (FillListBoxes).
  std::vector<Text> list_items;
};

class DialogTemplate {
 public:
  static constexpr DWORD kDefaultStyle =
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_SETFONT;

  explicit DialogTemplate(Text caption, DluRect rect = {0, 0, 200, 100},
                          DWORD style = kDefaultStyle);

  // The dialog font (DS_SETFONT); "MS Shell Dlg" 8 unless changed.
  DialogTemplate& Font(WORD points, Text face);
  DialogTemplate& Add(DialogItem item);
  // Conveniences for the common controls; extra_style is added to the
  // control's usual style.
  DialogTemplate& Button(Text text, int id, DluRect rect, DWORD extra_style = 0);
  DialogTemplate& Static(Text text, DluRect rect, int id = 0xFFFF, DWORD extra_style = 0);
  DialogTemplate& Edit(int id, DluRect rect, Text text = {}, DWORD extra_style = 0);
  DialogTemplate& ListBox(int id, DluRect rect, std::vector<Text> items = {},
                          DWORD extra_style = 0);

  const Text& caption() const { return m_caption; }
  const std::vector<DialogItem>& items() const { return m_items; }

  // The template in memory, DWORD-aligned as the dialog functions want it.
  std::vector<DWORD> Build() const;

 private:
  Text m_caption;
  DluRect m_rect;
  DWORD m_style;
  WORD m_font_points = 8;
  Text m_font_face = u"MS Shell Dlg";
  std::vector<DialogItem> m_items;
};

inline const DLGTEMPLATE* AsTemplate(const std::vector<DWORD>& memory) {
  return reinterpret_cast<const DLGTEMPLATE*>(memory.data());
}

// Adds the list_items of every list box of the template to the live dialog
// (LB_ADDSTRING, in order); for WM_INITDIALOG.
void FillListBoxes(HWND dialog, const std::vector<DialogItem>& items);

}  // namespace korvex::win32
