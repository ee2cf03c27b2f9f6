#include "robot/capture/perform.h"

#include "robot/capture/meta_window.h"

namespace korvex {

int PerformAnswers(const AnswerList& answers, CMetaWindow& root) {
  int refused = 0;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    if (i >= root.GetChildCount() || !answers[i].Perform(root.GetChild(i))) ++refused;
  }
  return refused;
}

}  // namespace korvex
