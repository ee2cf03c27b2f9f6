// The robot's two ways of reading a host dialog give the same key: its own
// capture, which asks the host for every text, icon and list item, and the
// capture over the snapshot the hook recorded inside the host.  Every kind of
// dialog the robot meets, and every dialog of the key reader's fuzz corpus
// placed on a desktop, is read both ways on desktops built alike.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/recorded_window_system.h"
#include "robot/capture/capture.h"
#include "robot/capture/dialog_snapshot_reader.h"
#include "robot/capture/recognition_error.h"
#include "robot/key/window_key.h"
#include "sentrel/dialog_snapshot.h"
#include "tarifex/question_dialogs.h"
#include "tests/fakes/desktop_snapshot.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex {
namespace {

using testing::FakeDesktop;
using testing::Snapshot;
using testing::WindowProps;

// What one capture gave: the key, or the failure's code.
struct Outcome {
  Text key;
  std::int32_t code = 0;
  int reads_sent = 0;  // bounded sends that only read
  friend bool operator==(const Outcome& a, const Outcome& b) {
    return a.key == b.key && a.code == b.code;
  }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  std::string key;
  for (char16_t c : o.key) key += c < 0x80 ? static_cast<char>(c) : '?';
  return os << "{code " << o.code << ", key " << key << "}";
}

using Scene = std::function<Hwnd(FakeDesktop&)>;

Outcome Capture(const Scene& scene, bool through_snapshot) {
  FakeDesktop desk;
  const Hwnd dialog = scene(desk);
  Outcome outcome;
  desk.on_send = [&](Hwnd, std::string_view what) {
    if (what.find("SET") == std::string_view::npos && what.find("Set") == std::string_view::npos) {
      ++outcome.reads_sent;
    }
  };
  std::vector<unsigned char> bytes;
  std::optional<DialogRecording> recording;
  if (through_snapshot) {
    bytes = Snapshot(desk, dialog, kNoWindow);
    recording = ReadDialogSnapshot(bytes.data(), bytes.size(), dialog);
    EXPECT_TRUE(recording.has_value()) << "the snapshot was not taken";
    if (!recording) return outcome;
  }
  RecordedWindowSystem recorded(desk, recording.value_or(DialogRecording{}));
  WindowSystem& ws = through_snapshot ? static_cast<WindowSystem&>(recorded) : desk;
  try {
    outcome.key = WriteKey(*CaptureDialog(ws, dialog));
  } catch (const RecognitionError& e) {
    outcome.code = e.code();
  }
  return outcome;
}

void ExpectSameKeyBothWays(const Scene& scene) {
  const Outcome live = Capture(scene, false);
  const Outcome recorded = Capture(scene, true);
  EXPECT_EQ(recorded, live);
  EXPECT_EQ(recorded.reads_sent, 0) << "the capture over the snapshot asked the host";
}

Hwnd Box(FakeDesktop& d, IconHandle icon, std::vector<std::pair<Text, int>> buttons,
         Text text = u"¿El item tiene certificado de origen?") {
  return d.AddMessageBox(u"Mensaje al declarante 1234567890A", text, icon, buttons);
}

TEST(SnapshotCaptureTest, EveryKindOfDialogGivesTheSameKeyWithoutAskingTheHost) {
  struct Case {
    std::string name;
    Scene scene;
  };
  const std::vector<Case> cases = {
      {"message box with the information icon",
       [](FakeDesktop& d) { return Box(d, d.SystemIcon(win::kIdiAsterisk), {{u"Aceptar", 1}}); }},
      {"yes/no question",
       [](FakeDesktop& d) {
         return Box(d, d.SystemIcon(win::kIdiQuestion), {{u"&Sí", 6}, {u"&No", 7}});
       }},
      {"three buttons, warning icon, a long text",
       [](FakeDesktop& d) {
         return Box(d, d.SystemIcon(win::kIdiExclamation), {{u"&Anular", 3}, {u"&Reintentar", 4}, {u"&Omitir", 5}},
                    Text(3000, u'x') + u"\r\n| <> \\ ñ");
       }},
      {"box without icon, a disabled button",
       [](FakeDesktop& d) {
         const Hwnd box = Box(d, 0, {{u"Aceptar", 1}, {u"Cancelar", 2}});
         d.Get(d.GetWindow(box, win::kGwChild)).props.enabled = false;
         return box;
       }},
      {"the error icon, which the robot leaves to the user",
       [](FakeDesktop& d) { return Box(d, d.SystemIcon(win::kIdiHand), {{u"Aceptar", 1}}); }},
      {"a control no message box has",
       [](FakeDesktop& d) {
         const Hwnd box = Box(d, 0, {{u"Aceptar", 1}});
         d.AddChild(box, WindowProps{.class_name = u"Edit", .text = u"x"});
         return box;
       }},
      {"empty dialog",
       [](FakeDesktop& d) { return d.AddTopLevel(WindowProps{.text = u"Aviso"}); }},
      {"data input with a value typed before",
       [](FakeDesktop& d) {
         const Hwnd dialog = d.AddTopLevel(WindowProps{.text = Text(tarifex::data_input::kCaption.spanish)});
         d.AddChild(dialog, WindowProps{.class_name = u"Button", .text = u"&Validar lo ingresado", .control_id = 1});
         d.AddChild(dialog, WindowProps{.class_name = u"Button", .text = u"&Terminar el tratamiento", .control_id = 2});
         d.AddChild(dialog, WindowProps{.class_name = u"Edit", .text = u"escrito antes", .control_id = 3});
         d.AddChild(dialog, WindowProps{.class_name = u"Static", .text = u"Ingrese por favor el valor de MARCA :"});
         return dialog;
       }},
      {"option choice, 'none' disabled",
       [](FakeDesktop& d) {
         const Hwnd dialog = d.AddTopLevel(WindowProps{.text = Text(tarifex::options::kCaption.spanish)});
         d.AddChild(dialog, WindowProps{.class_name = u"ListBox",
                                       .items = {u"Opción 1", u"", u"Opción | <> 3", Text(200, u'z')}});
         d.AddChild(dialog, WindowProps{.class_name = u"Button", .text = u"&Seleccionar la opción marcada", .control_id = 1});
         d.AddChild(dialog, WindowProps{.class_name = u"Button", .text = u"&Cancelar el  tratamiento", .control_id = 2});
         d.AddChild(dialog, WindowProps{.class_name = u"Button", .text = u"&No seleccionar ninguna",
                                       .control_id = 3, .enabled = false});
         return dialog;
       }},
      {"option choice with an empty list",
       [](FakeDesktop& d) {
         const Hwnd dialog = d.AddTopLevel(WindowProps{.text = Text(tarifex::options::kCaption.spanish)});
         d.AddChild(dialog, WindowProps{.class_name = u"ListBox"});
         return dialog;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectSameKeyBothWays(c.scene);
  }
}

// A dialog read back from a key, placed on a desktop the way the host would
// show it: each control with the class, text, state, icon or items the key
// gives it.
Hwnd Place(FakeDesktop& d, const CDossaWindow& model) {
  const Hwnd dialog = d.AddTopLevel(WindowProps{.text = model.GetRawCaption()});
  const CDialogWindow& root = model.GetRoot();
  for (std::size_t i = 0; i < root.GetChildCount(); ++i) {
    const CMetaWindow& child = root.GetChild(i);
    WindowProps props;
    if (const auto* b = dynamic_cast<const CMetaButton*>(&child)) {
      props = WindowProps{.class_name = u"Button", .text = b->GetText(), .control_id = static_cast<int>(i + 1),
                        .enabled = b->IsEnabled() != 0};
    } else if (const auto* icon = dynamic_cast<const CIconWindow*>(&child)) {
      props = WindowProps{.class_name = u"Static",
                        .icon = static_cast<IconHandle>(static_cast<std::uint32_t>(icon->GetIcon()))};
    } else if (const auto* t = dynamic_cast<const CTextWindow*>(&child)) {
      props = WindowProps{.class_name = u"Static", .text = t->GetText()};
    } else if (const auto* e = dynamic_cast<const CMetaEdit*>(&child)) {
      props = WindowProps{.class_name = u"Edit", .text = e->ReadWindowText()};
    } else if (const auto* l = dynamic_cast<const CMetaList*>(&child)) {
      props = WindowProps{.class_name = u"ListBox"};
      for (int k = 0; k < l->GetItemCount(); ++k) props.items.push_back(l->GetItemText(k));
    } else {
      props = WindowProps{.class_name = u"Static"};
    }
    d.AddChild(dialog, props);
  }
  return dialog;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SnapshotCaptureTest, EveryDialogOfTheKeyReadersCorpusGivesTheSameKeyBothWays) {
  const std::filesystem::path corpus = std::filesystem::path(KORVEX_SOURCE_DIR) / "tests/fuzz/corpus/read_key";
  ASSERT_TRUE(std::filesystem::is_directory(corpus));
  int placed = 0;
  for (const auto& file : std::filesystem::directory_iterator(corpus)) {
    // The key reader's fuzzer input: the key in UTF-8 up to the first
    // newline, its answer list after it.
    const std::string input = ReadFile(file.path());
    const std::size_t newline = input.find('\n');
    const Text key = FromUtf8(std::string_view(input).substr(0, newline));
    const Text answers = newline == std::string::npos ? Text(u"0|")
                                                      : FromUtf8(std::string_view(input).substr(newline + 1));
    std::unique_ptr<CDossaWindow> model;
    try {
      model = ReadKey(key, answers);
    } catch (...) {
      continue;
    }
    if (model->GetRoot().GetChildCount() + 1 > sentrel::kSnapshotMaxWindows) continue;
    SCOPED_TRACE(file.path().filename().string());
    ExpectSameKeyBothWays([&](FakeDesktop& d) { return Place(d, *model); });
    ++placed;
  }
  EXPECT_GT(placed, 20) << "too few dialogs of the corpus could be placed";
}

}  // namespace
}  // namespace korvex
