// CDossaWindow, one object per captured dialog: the caption, the root meta
// window, one answer per child and six role indices.  Three kinds:
// CDynWindow here (any message box or question of the host) and the tariff
// control's two question dialogs, CDataInputWindow and CItemSelectionWindow
// (robot/capture/question_windows.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/text.h"
#include "platform/window_system.h"
#include "robot/capture/interaction.h"
#include "robot/capture/meta_window.h"

namespace korvex {

class AskUserPort;
class DialogFollower;

// The three dialog classes; the descriptions (robot/key/descriptions.h) and
// the key writer tell them apart by it.
enum class DialogClass { Dyn, DataInput, ItemSelection };

class CDossaWindow {
 public:
  virtual ~CDossaWindow();
  CDossaWindow(const CDossaWindow&) = delete;
  CDossaWindow& operator=(const CDossaWindow&) = delete;

  // "class CDynWindow", "class CDataInputWindow" or "class CItemSelectionWindow".
  virtual std::u16string_view RuntimeClassName() const = 0;
  virtual DialogClass GetDialogClass() const = 0;

  Hwnd GetDialogHandle() const { return m_root->GetHandle(); }
  CDialogWindow& GetRoot() const { return *m_root; }
  // A snapshot of the answers, in child order; the interactions stay owned by
  // this object.
  AnswerList GetAnswers() const { return AnswerList(m_answers); }
  virtual Text GetCaption() const { return m_caption; }
  const Text& GetRawCaption() const { return m_caption; }
  virtual bool IsPlainMessage() const { return false; }
  // Puts the question to the user and records the chosen answer in place of
  // the previous one.  The base resets every answer to CNullInteraction.
  virtual void AskUser(AskUserPort& user);
  // The prompt of a data-input dialog; empty for the others.
  virtual Text GetPromptText() const { return {}; }

  std::int32_t GetListIndex() const { return m_listIndex; }
  void SetListIndex(std::int32_t i) { m_listIndex = i; }
  std::int32_t GetPromptIndex() const { return m_promptIndex; }
  void SetPromptIndex(std::int32_t i) { m_promptIndex = i; }
  std::int32_t GetEditIndex() const { return m_editIndex; }
  void SetEditIndex(std::int32_t i) { m_editIndex = i; }
  std::int32_t GetAcceptIndex() const { return m_acceptIndex; }
  void SetAcceptIndex(std::int32_t i) { m_acceptIndex = i; }
  std::int32_t GetCancelIndex() const { return m_cancelIndex; }
  void SetCancelIndex(std::int32_t i) { m_cancelIndex = i; }
  std::int32_t GetNoneIndex() const { return m_noneIndex; }
  void SetNoneIndex(std::int32_t i) { m_noneIndex = i; }

  // Appends a child to the root together with its answer (capture keeps the
  // invariant: as many answers as children, answer i for child i).
  void AppendChild(std::unique_ptr<CMetaWindow> child,
                   std::unique_ptr<CUserInteraction> answer);
  // Replaces answer i; an index outside the answers (a role of -1, say) is
  // ignored and false returned.
  bool ReplaceAnswer(std::int32_t index, std::unique_ptr<CUserInteraction> answer);
  // Replaces every answer by a new CNullInteraction.
  void ResetAnswers();

 protected:
  // Live capture: arms the follower on the dialog, reads the caption, roots
  // the tree at the dialog; children and answers are the capture's work.
  CDossaWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower);
  // From parts (the key reader): takes the root and the answers over.
  CDossaWindow(Text caption, std::unique_ptr<CDialogWindow> root, OwnedAnswers answers);

 private:
  // Disarms the follower when the dialog object goes, also when its capture
  // fails halfway (a member is destroyed even when the constructor throws).
  struct FollowerArming {
    DialogFollower* follower = nullptr;
    FollowerArming(DialogFollower* f, Hwnd dialog);
    ~FollowerArming();
    FollowerArming(const FollowerArming&) = delete;
    FollowerArming& operator=(const FollowerArming&) = delete;
  };

  FollowerArming m_follower{nullptr, kNoWindow};
  Text m_caption;
  std::unique_ptr<CDialogWindow> m_root;
  OwnedAnswers m_answers;
  std::int32_t m_listIndex = -1;
  std::int32_t m_promptIndex = -1;
  std::int32_t m_editIndex = -1;
  std::int32_t m_acceptIndex = -1;
  std::int32_t m_cancelIndex = -1;
  std::int32_t m_noneIndex = -1;
};

class CDynWindow : public CDossaWindow {
 public:
  // Captures a live message dialog: children in window order, a
  // CNullInteraction for each, the declaration number replaced in the
  // caption.  Throws RecognitionError 123579 (error icon) or 715911 (a child
  // that is neither a button nor a static).
  CDynWindow(WindowSystem& ws, Hwnd dialog, DialogFollower* follower = nullptr);
  // From parts: the caption of a stored key is already normalized.
  CDynWindow(Text caption, std::unique_ptr<CDialogWindow> root, OwnedAnswers answers);

  std::u16string_view RuntimeClassName() const override { return u"class CDynWindow"; }
  DialogClass GetDialogClass() const override { return DialogClass::Dyn; }
  Text GetCaption() const override { return m_normalizedCaption; }
  // True when exactly one child is a button.
  bool IsPlainMessage() const override;
  void AskUser(AskUserPort& user) override;

 private:
  Text m_normalizedCaption;
};

// The 16-character declaration-number mask and its replacement.
inline constexpr std::u16string_view kDeclarationMask = u"00000A###000000?";
inline constexpr std::u16string_view kDeclarationPlaceholder = u"{{NRO DESPACHO}}";

// Replaces every non-overlapping declaration number in a caption.
Text NormalizeCaption(TextView caption);

// The class test of capture: GetClassNameW into a buffer of 10 characters (at
// most 9 compared), then a comparison without regard to case.
bool HasWindowClass(WindowSystem& ws, Hwnd window, std::u16string_view wanted);

}  // namespace korvex
