// Dialog templates built in memory (DLGTEMPLATE followed by its
// DLGITEMTEMPLATEs), for DialogBoxIndirectParamW.  Items are created in the
// order they are added, which is also their window order.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace korvex::dossa {

class DialogTemplate {
 public:
  // Predefined control classes, by their atoms.
  static constexpr WORD kButton = 0x0080;
  static constexpr WORD kEdit = 0x0081;
  static constexpr WORD kStatic = 0x0082;
  static constexpr WORD kListBox = 0x0083;

  // A dialog of cx x cy dialog units with the given caption, in the
  // 8-point "MS Shell Dlg" font.
  DialogTemplate(std::wstring_view caption, short cx, short cy) {
    const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    PutDword(style);
    PutDword(0);           // extended style
    m_count_at = m_words.size();
    m_words.push_back(0);  // number of items
    m_words.push_back(0);  // x
    m_words.push_back(0);  // y
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(0);  // no menu
    m_words.push_back(0);  // the standard dialog class
    PutText(caption);
    m_words.push_back(8);  // point size
    PutText(L"MS Shell Dlg");
  }

  void Add(WORD control_class, WORD id, DWORD style, short x, short y, short cx, short cy,
           std::wstring_view text) {
    if (m_words.size() % 2 != 0) m_words.push_back(0);  // items start on a DWORD
    PutDword(style | WS_CHILD | WS_VISIBLE);
    PutDword(0);
    m_words.push_back(static_cast<WORD>(x));
    m_words.push_back(static_cast<WORD>(y));
    m_words.push_back(static_cast<WORD>(cx));
    m_words.push_back(static_cast<WORD>(cy));
    m_words.push_back(id);
    m_words.push_back(0xFFFF);
    m_words.push_back(control_class);
    PutText(text);
    m_words.push_back(0);  // no creation data
    ++m_words[m_count_at];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  void PutDword(DWORD value) {
    m_words.push_back(LOWORD(value));
    m_words.push_back(HIWORD(value));
  }
  void PutText(std::wstring_view text) {
    m_words.insert(m_words.end(), text.begin(), text.end());
    m_words.push_back(0);
  }

  std::vector<WORD> m_words;  // the heap keeps it DWORD-aligned
  std::size_t m_count_at = 0;
};

}  // namespace korvex::dossa
