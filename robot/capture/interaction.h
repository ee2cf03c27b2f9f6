// Interactions: what the robot does to one control of a dialog to answer it.
// An answer is a list of interactions, entry i answering child i of the
// dialog's root.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace korvex {

class CMetaWindow;

class CUserInteraction {
 public:
  virtual ~CUserInteraction() = default;
  // "class " followed by the most derived class name.
  virtual std::u16string_view RuntimeClassName() const = 0;
  // Applies the interaction to one control.  Returns false, and sends
  // nothing, when the control is of a kind the interaction cannot act on (a
  // press on a static text, say); true otherwise.
  virtual bool Perform(CMetaWindow& target) const = 0;
  virtual std::unique_ptr<CUserInteraction> Clone() const = 0;
};

class CNullInteraction final : public CUserInteraction {
 public:
  std::u16string_view RuntimeClassName() const override { return u"class CNullInteraction"; }
  bool Perform(CMetaWindow&) const override { return true; }
  std::unique_ptr<CUserInteraction> Clone() const override {
    return std::make_unique<CNullInteraction>();
  }
};

class CPressButton final : public CUserInteraction {
 public:
  std::u16string_view RuntimeClassName() const override { return u"class CPressButton"; }
  bool Perform(CMetaWindow& target) const override;
  std::unique_ptr<CUserInteraction> Clone() const override {
    return std::make_unique<CPressButton>();
  }
};

class CPutText final : public CUserInteraction {
 public:
  explicit CPutText(Text text) : m_text(std::move(text)) {}
  std::u16string_view RuntimeClassName() const override { return u"class CPutText"; }
  bool Perform(CMetaWindow& target) const override;
  std::unique_ptr<CUserInteraction> Clone() const override {
    return std::make_unique<CPutText>(m_text);
  }
  const Text& GetText() const { return m_text; }
  void SetText(Text text) { m_text = std::move(text); }

 private:
  Text m_text;
};

class CItemSelect final : public CUserInteraction {
 public:
  explicit CItemSelect(std::int32_t index = 0) : m_index(index) {}
  std::u16string_view RuntimeClassName() const override { return u"class CItemSelect"; }
  bool Perform(CMetaWindow& target) const override;
  std::unique_ptr<CUserInteraction> Clone() const override {
    return std::make_unique<CItemSelect>(m_index);
  }
  std::int32_t GetIndex() const { return m_index; }
  void SetIndex(std::int32_t index) { m_index = index; }

 private:
  std::int32_t m_index;
};

// Interactions that nobody else owns: what the answer reader produces, and
// what a dialog built from parts takes over.
using OwnedAnswers = std::vector<std::unique_ptr<CUserInteraction>>;

// A shared, cheap-to-copy snapshot of a dialog's answers.  It refers to the
// interactions without owning them: it is valid while the dialog (or the
// OwnedAnswers) it was taken from lives.
class AnswerList {
 public:
  AnswerList() : m_items(std::make_shared<std::vector<const CUserInteraction*>>()) {}
  explicit AnswerList(const OwnedAnswers& owned);
  explicit AnswerList(std::vector<const CUserInteraction*> items)
      : m_items(std::make_shared<std::vector<const CUserInteraction*>>(std::move(items))) {}

  std::size_t size() const { return m_items->size(); }
  bool empty() const { return m_items->empty(); }
  const CUserInteraction& operator[](std::size_t i) const { return *(*m_items)[i]; }
  auto begin() const { return m_items->begin(); }
  auto end() const { return m_items->end(); }

 private:
  std::shared_ptr<std::vector<const CUserInteraction*>> m_items;
};

}  // namespace korvex
