// The watcher's test fixture: the real CMainFrame over the in-memory desktop
// and recording ports (tests/fakes/frame_under_test.h), a journal writing to
// a folder of its own, the host's windows as a validation shows them, and
// the steps a broker's run takes.  The watcher's tests and the tray
// commands' tests share it.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "robot/capture/capture.h"
#include "robot/key/answer_text.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "robot/watcher/main_frame.h"
#include "robot/watcher/robot_messages.h"
#include "tests/fakes/frame_under_test.h"
#include "tests/fakes/scripted_user.h"

namespace korvex::testing {

class WatcherTest : public ::testing::Test, protected FrameUnderTest {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("korvex-watcher-" + std::to_string(std::random_device{}()));
    settings.SetString(u"LogDir", folder.u16string());
    settings.SetString(u"LogSeparator", u";");
    settings.SetInt(u"UseAlarm", 1);
    desk.SetProcessModuleName(77, u"DOSSA.EXE");
    previous_icons = SetSystemIcons(LoadSystemIcons(desk));
    // Every click on the host's dialogs goes into the story, with what the
    // journal held at that moment.
    desk.on_click = [this](Hwnd button) -> std::intptr_t {
      log.Add("click " + ToUtf8(desk.Get(button).props.text) + " (journal " +
              std::to_string(journal.CountMessages() + journal.CountQuestions()) + ")");
      desk.EndDialog(desk.Get(button).parent, desk.Get(button).props.control_id);
      return 0;
    };
  }
  void TearDown() override {
    main.Shutdown();
    journal.Close(false);
    SetSystemIcons(previous_icons);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  // The host's main window, its validation window with the progress frame,
  // and the hook installed by the host watch.
  void HostStartsValidation() {
    host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .text = u"Dossa 12001IC04000123@",
                             .thread_id = 5, .process_id = 77});
    main.OnTimer(kHostWatchTimer);
    validation = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC",
                                   .text = u"Validación Total de Items",
                                   .thread_id = 5, .process_id = 77},
                                  host);
    desk.AddChild(validation, {.class_name = u"ThunderRT6Frame", .text = u"Otro marco"});
    progress = desk.AddChild(validation, {.class_name = u"ThunderRT6Frame",
                                          .text = u"Declaración - Validando Item: 1"});
    ValidationStarted(validation);
  }

  // Another program selects a profile through the slot.
  std::intptr_t SelectThroughSlot(TextView name) {
    const auto slot_window = static_cast<Hwnd>(main.OnGetSlot(rm::kGetSlotWParam, rm::kGetSlotLParam));
    desk.SendSetText(slot_window, name);
    return main.OnSelectProfile();
  }

  // The host starts its validation and another program selects the profile
  // of that name through the slot (made when the store has none of that
  // name): how every run with an active profile begins.  A selection the
  // robot refuses ends the test at once.
  CProfile& ValidateWith(TextView name) {
    CProfile* profile = repository.FindProfile(Text(name));
    if (profile == nullptr) profile = &repository.CreateProfile(Text(name));
    HostStartsValidation();
    const std::intptr_t selected = SelectThroughSlot(name);
    if (selected != 0) {
      ADD_FAILURE() << "selecting \"" << ToUtf8(name) << "\" through the slot gave " << selected;
      throw std::runtime_error("no profile is active");
    }
    return *profile;
  }

  void SetItem(int item) {
    desk.Get(progress).props.text = u"Declaración - Validando Item: " + FromUtf8(std::to_string(item));
  }

  Hwnd YesNoBox(TextView text) {
    return desk.AddMessageBox(u"Pregunta", text, desk.SystemIcon(win::kIdiQuestion),
                              {{u"&Sí", 6}, {u"&No", 7}}, validation);
  }
  Hwnd InfoBox(TextView text) {
    return desk.AddMessageBox(u"Mensaje al declarante", text, desk.SystemIcon(win::kIdiAsterisk),
                              {{u"Aceptar", 1}}, validation);
  }

  // The key and the answers of a dialog shown now, answered by pressing the
  // button with the given id; the dialog is closed again.
  std::pair<Text, Text> Learned(Hwnd dialog, int pressed) {
    auto captured = CaptureDialog(desk, dialog);
    ScriptedUser teacher;
    teacher.PressInReplica(pressed);
    captured->AskUser(teacher);
    std::pair<Text, Text> entry{WriteKey(*captured), WriteAnswers(captured->GetAnswers())};
    desk.Destroy(dialog);
    return entry;
  }

  std::vector<std::string> Since(std::size_t mark) const {
    return {log.entries.begin() + static_cast<std::ptrdiff_t>(mark), log.entries.end()};
  }

  std::filesystem::path folder;
  SystemIcons previous_icons;
  Hwnd host = kNoWindow, validation = kNoWindow, progress = kNoWindow;
};

}  // namespace korvex::testing
