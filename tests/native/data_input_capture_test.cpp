// The capture of the tariff control's data-input dialog sends to the host's
// edit only within the window system's bound.
#include <gtest/gtest.h>

#include "robot/capture/capture.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::FakeDesktop;

TEST(DataInputCapture, AnEditThatDoesNotAnswerFailsTheCaptureInsteadOfHoldingTheRobot) {
  FakeDesktop desk;
  const Hwnd dialog = desk.AddTopLevel({.text = u"Ingreso de dato complementario"});
  const Hwnd edit = desk.AddChild(dialog, {.class_name = u"Edit", .text = u"escrito antes"});
  desk.AddChild(dialog, {.class_name = u"Button", .text = u"Validar lo ingresado", .control_id = 1});
  desk.AddChild(dialog, {.class_name = u"Button", .text = u"Terminar el tratamiento", .control_id = 2});
  desk.AddChild(dialog, {.class_name = u"Static", .text = u"Marca del producto"});
  // The host's thread stops answering just as the robot clears its edit.
  desk.hung.insert(edit);
  EXPECT_THROW(CaptureDialog(desk, dialog), WindowTimeoutError);
  EXPECT_EQ(desk.Get(edit).props.text, u"escrito antes");
}

}  // namespace
}  // namespace korvex
