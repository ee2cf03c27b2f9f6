// The host's forms as Dossa.exe shows them: windows of class
// "ThunderRT6FormDC", the "ThunderRT6Frame" progress frame and the
// "ThunderRT6CommandButton" command buttons.  What the user does on a form
// goes to the program through FormEvents.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "sentrel/host_windows.h"

namespace korvex::dossa {

// The names the hook, the robot and the tariff control know the host's
// windows by (sentrel/host_windows.h), and the host's own.
inline const std::wstring kFormClass = win32::ToWide(sentrel::kFormClass);
inline const std::wstring kFrameClass = win32::ToWide(sentrel::kFrameClass);
inline constexpr wchar_t kCommandButtonClass[] = L"ThunderRT6CommandButton";
inline constexpr wchar_t kMainCaption[] = L"DOSSA - Declaraciones Aduaneras";
inline const std::wstring kValidationCaption = win32::ToWide(sentrel::kValidationCaption);
inline const std::wstring kFramePrefix = win32::ToWide(sentrel::kProgressPrefix);
inline const std::wstring kValidateCaption = win32::ToWide(sentrel::kValidateButtonCaption);

// The module the program's windows belong to (set once at start-up).
extern HINSTANCE g_instance;

std::wstring WindowText(HWND window);

// What the forms tell the program.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // The main form's "Validación Total de Items..." and "Salir", or closing it.
  virtual void OpenValidationRequested() = 0;
  virtual void QuitRequested() = 0;
  // Posted once the main form is up: carry out the script's steps.
  virtual void RunScriptRequested() = 0;
  // The validation form's "&Validar Items".
  virtual void ValidateRequested() = 0;
  // "&Cerrar" or closing the validation form: refused while a run goes.
  virtual bool MayCloseValidation() = 0;
  virtual void ValidationClosed() = 0;
};

// Registers the form class and the frame and command-button classes.
bool RegisterFormClasses();

// A "ThunderRT6FormDC" window; one window procedure for every form.
class Form {
 public:
  explicit Form(FormEvents& events) : m_events(events) {}
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  HWND hwnd() const { return m_hwnd; }
  bool alive() const { return m_hwnd != nullptr; }

 protected:
  // Creates the form hidden; the caller adds the controls and shows it.
  bool Create(const wchar_t* caption, int width, int height, HWND owner);
  HWND AddControl(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                  int id, HWND parent = nullptr);
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  FormEvents& m_events;
  HWND m_hwnd = nullptr;

 private:
  friend bool RegisterFormClasses();
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// "Validación Total de Items": the progress frame with its text, the
// "&Validar Items" button (hidden while a run goes) and "&Cerrar".
class ValidationForm : public Form {
 public:
  using Form::Form;
  bool Open(HWND owner);

  HWND frame() const { return m_frame; }
  HWND progress() const { return m_progress; }
  HWND validate_button() const { return m_validate; }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HWND m_frame = nullptr;
  HWND m_progress = nullptr;
  HWND m_validate = nullptr;
};

// "DOSSA - Declaraciones Aduaneras", the program's main form.
class MainForm : public Form {
 public:
  using Form::Form;
  bool Open();
  // Makes the main form carry out the script once its message loop runs.
  void PostRunScript();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace korvex::dossa
