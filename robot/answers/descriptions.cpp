// Descriptions of questions and answers.  (Interim bodies so the core links
// while the serializer-based descriptions are written.)
#include "robot/window/dossa_window.h"

namespace korvex {

Text CDossaWindow::DescribeAnswer() const { return {}; }
Text CDynWindow::DescribeQuestion() const { return {}; }
Text CDataInputWindow::DescribeQuestion() const { return {}; }
Text CItemSelectionWindow::DescribeQuestion() const { return {}; }

}  // namespace korvex
