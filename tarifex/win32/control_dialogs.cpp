#include "tarifex/win32/control_dialogs.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "tarifex/ansi.h"
#include "tarifex/control_strings.h"
#include "tarifex/engine_record.h"
#include "tarifex/question_dialogs.h"

namespace korvex::tarifex {

namespace {

using win32::DialogTemplate;

// Modal dialogs: not visible until DialogBox shows them, centred.
constexpr DWORD kStyle = (DialogTemplate::kDefaultStyle & ~WS_VISIBLE) | DS_CENTER;

Text Say(int id, std::int16_t lang) { return FromAnsi(LoadControlString(id, lang)); }

std::wstring Wide(std::string_view ansi) { return win32::ToWide(FromAnsi(ansi)); }

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

INT_PTR ShowModal(HMODULE module, const DialogTemplate& dialog, HWND owner, DLGPROC procedure,
                  void* state) {
  const std::vector<DWORD> memory = dialog.Build();
  return ::DialogBoxIndirectParamW(module, win32::AsTemplate(memory), owner, procedure,
                                   reinterpret_cast<LPARAM>(state));
}

// No C++ exception leaves a dialog procedure: a dialog that fails ends as
// if closed, which the question reads as cancelled.
template <INT_PTR (*Handle)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK Barrier(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    return Handle(dialog, message, wparam, lparam);
  } catch (...) {
    ::EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
}

template <class State>
State* StateOf(HWND dialog, UINT message, LPARAM lparam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  return reinterpret_cast<State*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

// --- data entry ----------------------------------------------------------------------------

struct DataInputState {
  std::wstring value;
  bool accepted = false;
};

INT_PTR DataInputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = StateOf<DataInputState>(dialog, message, lparam);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      ::SetFocus(::GetDlgItem(dialog, kValueEditId));
      return FALSE;  // the focus is set
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id != IDOK && id != IDCANCEL) return FALSE;
      // IDCANCEL also comes from Escape and from closing the dialog.
      state->accepted = id == IDOK;
      state->value = WindowText(::GetDlgItem(dialog, kValueEditId));
      ::EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// --- options ---------------------------------------------------------------------------------

struct OptionsState {
  const std::vector<std::string>* options = nullptr;
  std::int32_t result = kCancelTreatment;
};

INT_PTR OptionsProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = StateOf<OptionsState>(dialog, message, lparam);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      // Each entry remembers the index of its line.
      const HWND list = ::GetDlgItem(dialog, kOptionListId);
      for (std::size_t i = 0; i < state->options->size(); ++i) {
        const std::wstring text = Wide((*state->options)[i]);
        const LRESULT at = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (at >= 0) ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
      }
      ::SendMessageW(list, LB_SETCURSEL, 0, 0);
      ::SetFocus(list);
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id == kSelectNoneId) {
        // A click reaches a disabled button too (BM_CLICK): the button
        // counts only when it is offered.
        if (!::IsWindowEnabled(::GetDlgItem(dialog, kSelectNoneId))) return TRUE;
        state->result = kSelectNone;
      } else if (id == IDOK) {
        const HWND list = ::GetDlgItem(dialog, kOptionListId);
        const LRESULT selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
        state->result = selected == LB_ERR
                            ? kCancelTreatment
                            : static_cast<std::int32_t>(::SendMessageW(
                                  list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
      } else if (id == IDCANCEL) {
        state->result = kCancelTreatment;
      } else {
        return FALSE;
      }
      ::EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// --- about box -------------------------------------------------------------------------------

INT_PTR AboutProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

DialogTemplate DataInputTemplate(std::string_view name, std::int16_t lang) {
  const Text prompt = FromAnsi(
      FormatControlText(LoadControlString(data_input::kPrompt.id, lang), {name}));
  return DataInputTemplate(Say(data_input::kNotice.id, lang), prompt, lang);
}

// Each child of the definition in its order, placed and identified by its
// role.
DialogTemplate DataInputTemplate(TextView notice, TextView prompt, std::int16_t lang) {
  DialogTemplate dialog(Say(data_input::kCaption.id, lang), {0, 0, 293, 84}, kStyle);
  for (const DialogChild& child : data_input::kChildren) {
    switch (child.role) {
      case ChildRole::kValue:
        dialog.Edit(kValueEditId, {7, 42, 279, 14});
        break;
      case ChildRole::kAccept:
        dialog.Button(Say(child.text.id, lang), IDOK, {7, 63, 135, 14}, BS_DEFPUSHBUTTON);
        break;
      case ChildRole::kCancel:
        dialog.Button(Say(child.text.id, lang), IDCANCEL, {151, 63, 135, 14});
        break;
      case ChildRole::kNotice:
        dialog.Static(Text(notice), {7, 7, 279, 18}, kNoticeId);
        break;
      case ChildRole::kPrompt:
        dialog.Static(Text(prompt), {7, 29, 279, 10}, kPromptId, SS_NOPREFIX);
        break;
      case ChildRole::kList:
      case ChildRole::kNone:
        break;  // not children of this dialog
    }
  }
  return dialog;
}

DialogTemplate OptionsTemplate(bool none_enabled, std::int16_t lang) {
  DialogTemplate dialog(Say(options::kCaption.id, lang), {0, 0, 300, 210}, kStyle);
  for (const DialogChild& child : options::kChildren) {
    switch (child.role) {
      case ChildRole::kNone:
        dialog.Button(Say(child.text.id, lang), kSelectNoneId, {125, 189, 82, 14},
                      none_enabled ? 0 : WS_DISABLED);
        break;
      case ChildRole::kCancel:
        dialog.Button(Say(child.text.id, lang), IDCANCEL, {211, 189, 82, 14});
        break;
      case ChildRole::kList:
        dialog.ListBox(kOptionListId, {7, 7, 286, 175}, {}, LBS_NOINTEGRALHEIGHT);
        break;
      case ChildRole::kAccept:
        dialog.Button(Say(child.text.id, lang), IDOK, {7, 189, 114, 14}, BS_DEFPUSHBUTTON);
        break;
      case ChildRole::kValue:
      case ChildRole::kNotice:
      case ChildRole::kPrompt:
        break;  // not children of this dialog
    }
  }
  return dialog;
}

int Win32ControlUi::MessageBoxA(Hwnd owner, std::string_view text, std::string_view caption,
                                std::uint32_t type) {
  return ::MessageBoxW(win32::ToHwnd(owner), Wide(text).c_str(), Wide(caption).c_str(), type);
}

Hwnd Win32ControlUi::GetFocus() { return win32::FromHwnd(::GetFocus()); }

void Win32ControlUi::ShowWaitCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }

void Win32ControlUi::ShowArrowCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }

std::string Win32ControlUi::AskComplementaryValue(Hwnd owner, std::string_view name,
                                                  std::int16_t lang) {
  DataInputState state;
  const INT_PTR result = ShowModal(m_module, DataInputTemplate(name, lang), win32::ToHwnd(owner),
                                   Barrier<DataInputProc>, &state);
  if (result <= 0 || !state.accepted) return std::string(1, kCancelMarker);
  return ToAnsi(win32::FromWide(state.value));
}

std::int32_t Win32ControlUi::AskOption(Hwnd owner, const std::vector<std::string>& options,
                                       bool none_enabled, std::int16_t lang) {
  OptionsState state;
  state.options = &options;
  const INT_PTR result = ShowModal(m_module, OptionsTemplate(none_enabled, lang),
                                   win32::ToHwnd(owner), Barrier<OptionsProc>, &state);
  return result <= 0 ? kCancelTreatment : state.result;
}

void ShowAboutBox(HMODULE module, HWND owner, std::int16_t lang) {
  const DialogTemplate about =
      DialogTemplate(Say(ids::kAboutCaption, lang), {0, 0, 220, 62}, kStyle)
          .Static(u"TARIFEX", {7, 7, 206, 10})
          .Static(Say(ids::kAboutText, lang), {7, 20, 206, 18})
          .Button(Say(ids::kAboutClose, lang), IDOK, {85, 42, 50, 14}, BS_DEFPUSHBUTTON);
  ShowModal(module, about, owner, Barrier<AboutProc>, nullptr);
}

}  // namespace korvex::tarifex
