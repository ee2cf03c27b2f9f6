#include "robot/capture/dossa_window.h"

#include "robot/capture/ask_user.h"
#include "robot/capture/dialog_follower.h"
#include "robot/capture/recognition_error.h"

namespace korvex {

// --- CDossaWindow -------------------------------------------------------------

CDossaWindow::FollowerArming::FollowerArming(DialogFollower* f, Hwnd dialog) : follower(f) {
  if (follower != nullptr) follower->Arm(dialog);
}

CDossaWindow::FollowerArming::~FollowerArming() {
  if (follower != nullptr) follower->Disarm();
}

CDossaWindow::CDossaWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower)
    : m_follower(follower, dialog) {
  m_caption = ws.GetWindowTextW(dialog);
  m_root = std::make_unique<CDialogWindow>(&ws, dialog);
}

CDossaWindow::CDossaWindow(Text caption, std::unique_ptr<CDialogWindow> root,
                           OwnedAnswers answers)
    : m_caption(std::move(caption)), m_root(std::move(root)), m_answers(std::move(answers)) {
  if (!m_root) m_root = std::make_unique<CDialogWindow>();
}

CDossaWindow::~CDossaWindow() = default;

void CDossaWindow::AppendChild(std::unique_ptr<CMetaWindow> child,
                               std::unique_ptr<CUserInteraction> answer) {
  // Reserve first so that a failing allocation leaves children and answers
  // aligned.
  m_answers.reserve(m_answers.size() + 1);
  m_root->AddChild(std::move(child));
  m_answers.push_back(std::move(answer));
}

bool CDossaWindow::ReplaceAnswer(std::int32_t index, std::unique_ptr<CUserInteraction> answer) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_answers.size()) return false;
  m_answers[static_cast<std::size_t>(index)] = std::move(answer);
  return true;
}

void CDossaWindow::ResetAnswers() {
  for (auto& answer : m_answers) answer = std::make_unique<CNullInteraction>();
}

void CDossaWindow::AskUser(AskUserPort&) { ResetAnswers(); }

// --- caption normalization ----------------------------------------------------

namespace {

bool FitsMask(char16_t mask, char16_t c) {
  switch (mask) {
    case u'0': return IsDigit(c);
    case u'A': return IsLetter(c);
    case u'#': return IsLetterOrDigit(c);
    case u'?': return IsLetter(c) || c == u'@';
    default: return false;
  }
}

}  // namespace

Text NormalizeCaption(TextView caption) {
  Text out(caption);
  const std::size_t n = kDeclarationMask.size();
  std::size_t pos = 0;
  while (pos + n <= out.size()) {
    std::size_t i = 0;
    while (i < n && FitsMask(kDeclarationMask[i], out[pos + i])) ++i;
    if (i == n) {
      out.replace(pos, n, kDeclarationPlaceholder);
      pos += n;
    } else {
      ++pos;
    }
  }
  return out;
}

bool HasWindowClass(WindowSystem& ws, Hwnd window, std::u16string_view wanted) {
  return EqualsIgnoringAsciiCase(ws.GetClassNameW(window, 10), wanted);
}

// --- CDynWindow ---------------------------------------------------------------

CDynWindow::CDynWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower)
    : CDossaWindow(ws, dialog, follower) {
  CDialogWindow& root = GetRoot();
  const IconHandle error_icon = ws.LoadSystemIcon(win::kIdiHand);
  for (Hwnd child = ws.GetWindow(dialog, win::kGwChild); child != kNoWindow;
       child = ws.GetWindow(child, win::kGwHwndNext)) {
    if (HasWindowClass(ws, child, u"Button")) {
      AppendChild(std::make_unique<CMetaButton>(&ws, child, &root),
                  std::make_unique<CNullInteraction>());
    } else if (HasWindowClass(ws, child, u"Static")) {
      const IconHandle icon = ws.SendGetIcon(child);
      if (icon != 0 && icon == error_icon) {
        throw RecognitionError(recognition_code::kErrorIcon,
                               "the dialog shows the system error icon");
      }
      if (icon != 0) {
        AppendChild(std::make_unique<CIconWindow>(&ws, child, &root),
                    std::make_unique<CNullInteraction>());
      } else {
        AppendChild(std::make_unique<CTextWindow>(&ws, child, &root),
                    std::make_unique<CNullInteraction>());
      }
    } else {
      throw RecognitionError(recognition_code::kUnsupportedControl,
                             "the dialog has a control that is neither a button nor a static");
    }
  }
  m_normalizedCaption = NormalizeCaption(GetRawCaption());
}

CDynWindow::CDynWindow(Text caption, std::unique_ptr<CDialogWindow> root, OwnedAnswers answers)
    : CDossaWindow(caption, std::move(root), std::move(answers)),
      m_normalizedCaption(std::move(caption)) {}

void CDynWindow::AskUser(AskUserPort& user) {
  CDossaWindow::AskUser(user);
  const int pressed = user.AskMessage(GetRoot(), GetDialogHandle());
  const CDialogWindow& root = GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const auto* button = dynamic_cast<const CMetaButton*>(&root.GetChild(i));
    if (button != nullptr && button->GetControlId() == pressed) {
      ReplaceAnswer(static_cast<std::int32_t>(i), std::make_unique<CPressButton>());
      return;
    }
  }
}

bool CDynWindow::IsPlainMessage() const {
  const CDialogWindow& root = GetRoot();
  int buttons = 0;
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    if (dynamic_cast<const CMetaButton*>(&root.GetChild(i)) != nullptr) ++buttons;
  }
  return buttons == 1;
}

}  // namespace korvex
