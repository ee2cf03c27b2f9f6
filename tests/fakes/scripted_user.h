// A user who answers the robot's questions from a script, and remembers what
// each question showed.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "robot/capture/ask_user.h"
#include "robot/capture/meta_window.h"

namespace korvex::testing {

class ScriptedUser : public AskUserPort {
 public:
  // What one question showed the user.
  struct Asked {
    enum class Kind { Message, Input, Options } kind;
    Hwnd parent = kNoWindow;
    Text title;                 // message: the replica's title (the root's text)
    std::vector<int> button_ids;  // message: ids of the captured buttons
    Text prompt;                // input
    std::vector<Text> options;  // options
    bool none_enabled = false;  // options
  };

  void PressInReplica(int control_id) { m_messages.push_back(control_id); }
  void TypeValue(int result, Text value) { m_inputs.push_back({result, std::move(value)}); }
  void ChooseOption(int result, int index) { m_options.push_back({result, index}); }

  const std::vector<Asked>& Questions() const { return m_asked; }
  // Runs while the question is on screen, before the user's answer is taken:
  // what happens meanwhile (a notification dispatched by the dialog's modal
  // loop, say).
  std::function<void(const Asked&)> during_question;
  bool ScriptDone() const {
    return m_messages.empty() && m_inputs.empty() && m_options.empty();
  }

  int AskMessage(const CDialogWindow& root, Hwnd parent) override {
    Asked asked{Asked::Kind::Message, parent, root.ReadWindowText()};
    for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
      if (root.GetChild(i).GetKind() == WindowKind::Button) {
        asked.button_ids.push_back(root.GetChild(i).GetControlId());
      }
    }
    m_asked.push_back(std::move(asked));
    if (during_question) during_question(Asked(m_asked.back()));
    return Next(m_messages, "message");
  }

  InputResult AskInput(TextView prompt, Hwnd parent) override {
    Asked asked{Asked::Kind::Input, parent};
    asked.prompt = Text(prompt);
    m_asked.push_back(std::move(asked));
    if (during_question) during_question(Asked(m_asked.back()));
    return Next(m_inputs, "input");
  }

  OptionsResult AskOptions(const std::vector<Text>& options, Hwnd parent,
                           bool none_enabled) override {
    Asked asked{Asked::Kind::Options, parent};
    asked.options = options;
    asked.none_enabled = none_enabled;
    m_asked.push_back(std::move(asked));
    if (during_question) during_question(Asked(m_asked.back()));
    return Next(m_options, "options");
  }

 private:
  template <typename T>
  static T Next(std::deque<T>& queue, const char* what) {
    if (queue.empty()) throw std::logic_error(std::string("ScriptedUser: no ") + what + " answer scripted");
    T next = std::move(queue.front());
    queue.pop_front();
    return next;
  }

  std::deque<int> m_messages;
  std::deque<InputResult> m_inputs;
  std::deque<OptionsResult> m_options;
  std::vector<Asked> m_asked;
};

}  // namespace korvex::testing
