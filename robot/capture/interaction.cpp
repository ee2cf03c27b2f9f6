#include "robot/capture/interaction.h"

#include "robot/capture/meta_window.h"

namespace korvex {

bool CPressButton::Perform(CMetaWindow& target) const {
  auto* button = dynamic_cast<CMetaButton*>(&target);
  if (button == nullptr) return false;
  button->Click();
  return true;
}

bool CPutText::Perform(CMetaWindow& target) const {
  auto* edit = dynamic_cast<CMetaEdit*>(&target);
  if (edit == nullptr) return false;
  edit->SetText(m_text);
  return true;
}

bool CItemSelect::Perform(CMetaWindow& target) const {
  auto* list = dynamic_cast<CMetaList*>(&target);
  if (list == nullptr) return false;
  list->SelectIndex(m_index);
  return true;
}

AnswerList::AnswerList(const OwnedAnswers& owned) : AnswerList() {
  m_items->reserve(owned.size());
  for (const auto& interaction : owned) m_items->push_back(interaction.get());
}

}  // namespace korvex
