#include "platform/win32/dialog_template.h"

#include <cstring>
#include <utility>

#include "platform/win32/wide_text.h"

namespace korvex::win32 {

DialogTemplate::DialogTemplate(Text caption, DluRect rect, DWORD style)
    : m_caption(std::move(caption)), m_rect(rect), m_style(style) {}

DialogTemplate& DialogTemplate::Font(WORD points, Text face) {
  m_font_points = points;
  m_font_face = std::move(face);
  return *this;
}

DialogTemplate& DialogTemplate::Add(DialogItem item) {
  m_items.push_back(std::move(item));
  return *this;
}

DialogTemplate& DialogTemplate::Button(Text text, int id, DluRect rect, DWORD extra_style) {
  return Add({ControlAtom::Button, std::move(text), id,
              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | extra_style, rect});
}

DialogTemplate& DialogTemplate::Static(Text text, DluRect rect, int id, DWORD extra_style) {
  return Add({ControlAtom::Static, std::move(text), id,
              WS_CHILD | WS_VISIBLE | SS_LEFT | extra_style, rect});
}

DialogTemplate& DialogTemplate::Edit(int id, DluRect rect, Text text, DWORD extra_style) {
  return Add({ControlAtom::Edit, std::move(text), id,
              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | extra_style,
              rect});
}

DialogTemplate& DialogTemplate::ListBox(int id, DluRect rect, std::vector<Text> items,
                                        DWORD extra_style) {
  DialogItem item{ControlAtom::ListBox, {}, id,
                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                      extra_style,
                  rect};
  item.list_items = std::move(items);
  return Add(std::move(item));
}

std::vector<DWORD> DialogTemplate::Build() const {
  std::vector<WORD> words;
  const auto put_dword = [&](DWORD value) {
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
  };
  const auto put_text = [&](const Text& text) {
    words.insert(words.end(), text.begin(), text.end());
    words.push_back(0);
  };
  const auto put_rect = [&](const DluRect& r) {
    for (short v : {r.x, r.y, r.cx, r.cy}) words.push_back(static_cast<WORD>(v));
  };
  const auto align_dword = [&] {
    if (words.size() % 2 != 0) words.push_back(0);
  };

  // DLGTEMPLATE, then menu (none), window class (the dialog class), title
  // and, with DS_SETFONT, the font.
  put_dword(m_style);
  put_dword(0);
  words.push_back(static_cast<WORD>(m_items.size()));
  put_rect(m_rect);
  words.push_back(0);
  words.push_back(0);
  put_text(m_caption);
  if ((m_style & DS_SETFONT) != 0) {
    words.push_back(m_font_points);
    put_text(m_font_face);
  }

  // Each DLGITEMTEMPLATE starts on a DWORD boundary and is followed by the
  // class (0xFFFF and an atom, or a name), the title and the size of the
  // creation data (none).
  for (const DialogItem& item : m_items) {
    align_dword();
    put_dword(item.style);
    put_dword(item.ex_style);
    put_rect(item.rect);
    words.push_back(static_cast<WORD>(item.id));
    if (const auto* atom = std::get_if<ControlAtom>(&item.window_class)) {
      words.push_back(0xFFFF);
      words.push_back(static_cast<WORD>(*atom));
    } else {
      put_text(std::get<Text>(item.window_class));
    }
    put_text(item.text);
    words.push_back(0);
  }
  align_dword();

  std::vector<DWORD> out(words.size() / 2);
  std::memcpy(out.data(), words.data(), words.size() * sizeof(WORD));
  return out;
}

void FillListBoxes(HWND dialog, const std::vector<DialogItem>& items) {
  for (const DialogItem& item : items) {
    if (item.list_items.empty()) continue;
    const HWND list = ::GetDlgItem(dialog, item.id);
    for (const Text& text : item.list_items) {
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
    }
  }
}

}  // namespace korvex::win32
