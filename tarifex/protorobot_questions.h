// The robot-questions port over the control's robot client: each question
// goes to CProtorobot as it is.
#pragma once

#include "tarifex/control_ports.h"
#include "tarifex/robot_client.h"

namespace korvex::tarifex {

class ProtorobotQuestions : public RobotQuestions {
 public:
  explicit ProtorobotQuestions(CProtorobot& client) : m_client(client) {}

  bool MensajeAlDespachante(Hwnd parent, std::string_view text, std::string_view caption,
                            std::uint32_t type) override {
    return m_client.MensajeAlDespachante(parent, text, caption, type);
  }
  bool PreguntaSiNo(Hwnd parent, std::string_view text, std::string_view caption,
                    std::uint32_t type, std::int32_t& answer) override {
    return m_client.PreguntaSiNo(parent, text, caption, type, answer);
  }
  bool PreguntaTexto(Hwnd parent, std::string_view name, std::string& value) override {
    return m_client.PreguntaTexto(parent, name, value);
  }
  bool PreguntaOpciones(Hwnd parent, const std::vector<std::string>& options,
                        std::int32_t& answerid) override {
    return m_client.PreguntaOpciones(parent, options, answerid);
  }

 private:
  CProtorobot& m_client;
};

}  // namespace korvex::tarifex
