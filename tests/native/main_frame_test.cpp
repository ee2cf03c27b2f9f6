// The dialog watcher over the in-memory desktop, told as the user's story.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/regional.h"
#include "robot/app/main_frame.h"
#include "robot/app/mascot_animation.h"
#include "robot/app/robot_messages.h"
#include "robot/common/settings.h"
#include "robot/journal/vti_actions.h"
#include "robot/key/answer_text.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_repository.h"
#include "robot/window/capture.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/frame_under_test.h"
#include "tests/fakes/memory_registry.h"
#include "tests/fakes/scripted_user.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

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
    main.OnValidationStarted(validation);
  }

  // Another program selects a profile through the slot.
  std::intptr_t SelectThroughSlot(TextView name) {
    const auto slot_window = static_cast<Hwnd>(main.OnGetSlot(rm::kGetSlotWParam, rm::kGetSlotLParam));
    desk.SendSetText(slot_window, name);
    return main.OnSelectProfile();
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

TEST_F(WatcherTest, AWholeRunOfTheValidation) {
  // The broker taught the profile two answers on an earlier day.
  CProfile& profile = repository.CreateProfile(u"Aduana Norte");
  const auto [info_key, info_answer] = Learned(InfoBox(u"Item sin origen"), 1);
  const auto [origin_key, origin_answer] = Learned(YesNoBox(u"¿Usar el origen declarado?"), 6);
  profile.SetAnswer(info_key, info_answer);
  profile.SetAnswer(origin_key, origin_answer);

  // The host starts its total validation: the robot finds it and hooks it.
  HostStartsValidation();
  EXPECT_THAT(log.entries, Contains("hook thread 5"));
  EXPECT_THAT(desk.SentTo(host), Contains(SentMessage{host, "PostMessageW 0"}));
  EXPECT_THAT(log.entries, Contains("RegisterPilotek " + std::to_string(frame)));
  EXPECT_EQ(main.TrayState(), 5);
  EXPECT_EQ(tray.balloon, LoadRobotString(str::kValidationDetected));

  // Another program selects the profile through the slot.
  EXPECT_EQ(SelectThroughSlot(u"Aduana Norte"), 0);
  EXPECT_EQ(main.ActiveProfile(), &profile);
  EXPECT_EQ(desk.Get(slot).props.text, u"");
  EXPECT_EQ(tray.icon, kActiveIcon);
  EXPECT_EQ(tray.tooltip, u"Robot activo.\r\nSe encuentra seleccionado el perfil \"Aduana Norte\".");
  EXPECT_THAT(log.entries, Contains("mascot shown"));
  EXPECT_TRUE(journal.IsFileOpen());
  main.OnValidateButton(true);
  EXPECT_EQ(main.TrayState(), 4);

  // Item 1: a message the profile knows is journalled, then answered.
  std::size_t mark = log.entries.size();
  main.OnDialogReady(InfoBox(u"Item sin origen"));
  EXPECT_THAT(Since(mark), ElementsAre("click Aceptar (journal 1)", "mascot blinks"));
  EXPECT_EQ(main.ItemNumber(), 1);
  EXPECT_FALSE(main.Busy());

  // Item 2: a question the profile knows.
  SetItem(2);
  mark = log.entries.size();
  main.OnDialogReady(YesNoBox(u"¿Usar el origen declarado?"));
  EXPECT_THAT(Since(mark), ElementsAre("click &Sí (journal 2)", "mascot blinks"));
  EXPECT_EQ(journal.Questions().at(2).begin()->second.m_answer, u"Presionar Sí");

  // Item 3: a new question, asked and stored.
  SetItem(3);
  Hwnd asked = YesNoBox(u"¿Liquidar el arancel?");
  user.PressInReplica(6);
  dialogs.confirmations = {6};
  mark = log.entries.size();
  main.OnDialogReady(asked);
  EXPECT_THAT(Since(mark), ElementsAre("SetTimer 2 60000", "confirm over " + std::to_string(asked),
                                       "KillTimer 2", "click &Sí (journal 3)", "mascot blinks"));
  EXPECT_EQ(profile.GetAnswer(main.LastKey()), u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|");
  EXPECT_EQ(journal.Questions().at(3).begin()->second.m_automatic, 0);

  // Item 4: asked, answered "No" to storing: performed, not stored.
  SetItem(4);
  asked = YesNoBox(u"¿Aplicar la reducción?");
  user.PressInReplica(7);
  dialogs.confirmations = {7};
  main.OnDialogReady(asked);
  EXPECT_EQ(desk.Get(asked).dialog_result, 7);
  EXPECT_FALSE(profile.HasAnswer(main.LastKey()));

  // Item 5: the user retries and then stores the second choice.
  SetItem(5);
  asked = YesNoBox(u"¿Repetir el cálculo?");
  user.PressInReplica(7);
  user.PressInReplica(6);
  dialogs.confirmations = {10, 6};
  main.OnDialogReady(asked);
  EXPECT_EQ(desk.Get(asked).dialog_result, 6);
  EXPECT_EQ(user.Questions().size(), 4u);  // the retry showed the replica again
  EXPECT_THAT(ToUtf8(profile.GetAnswer(main.LastKey())), ::testing::HasSubstr("|class CPressButton|class CNullInteraction|class CNullInteraction|"));

  // Item 6: the known message is answered, but the host pops up another
  // window over it: the answer was wrong for this item.
  SetItem(6);
  const std::size_t messages_before = journal.CountMessages();
  main.OnDialogReady(YesNoBox(u"¿Usar el origen declarado?"));
  EXPECT_EQ(journal.Questions().at(6).size(), 1u);
  user.PressInReplica(7);
  dialogs.confirmations = {7};
  main.OnAnswerRejected();
  EXPECT_FALSE(profile.HasAnswer(origin_key));
  EXPECT_EQ(journal.Questions().at(6).begin()->second.m_automatic, 0);  // asked again
  EXPECT_EQ(journal.CountMessages(), messages_before);

  // The run ends.
  main.OnValidateButton(false);
  EXPECT_EQ(main.TrayState(), 6);
  dialogs.while_reporting = [&] { log.Add("journal file open: " + std::to_string(journal.IsFileOpen())); };
  mark = log.entries.size();
  const Text log_path = journal.GetLogPath();
  main.OnValidationEnded();
  EXPECT_THAT(Since(mark),
              ElementsAre("mascot hidden",
                          "balloon Notificación 0: " + ToUtf8(LoadRobotString(str::kEndedWithActions)),
                          "messages report over " + std::to_string(host), "journal file open: 0",
                          "actions report over " + std::to_string(host), "journal file open: 0",
                          "hide balloon", "tray icon 137", "hide balloon", "tray icon 137"));
  EXPECT_EQ(main.ActiveProfile(), nullptr);
  EXPECT_EQ(journal.CountQuestions() + journal.CountMessages(), 0u);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(log_path, &bytes));
  EXPECT_THAT(bytes, ::testing::EndsWith("\"La validaci\xF3n total de \xEDtems ha conclu\xED" "do.\"\r\n"));
  EXPECT_EQ(main.TrayState(), 8);
}

TEST_F(WatcherTest, NothingHappensWithoutAnActiveProfile) {
  HostStartsValidation();
  const Hwnd box = InfoBox(u"x");
  const std::size_t mark = log.entries.size();
  main.OnDialogReady(box);
  EXPECT_THAT(Since(mark), IsEmpty());
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_TRUE(desk.IsWindow(box));
}

TEST_F(WatcherTest, DeadWindowsAndRefusedCapturesAreLeftToTheUser) {
  repository.CreateProfile(u"P");
  HostStartsValidation();
  ASSERT_EQ(SelectThroughSlot(u"P"), 0);
  const Hwnd gone = InfoBox(u"x");
  desk.Destroy(gone);
  main.OnDialogReady(gone);
  main.OnDialogReady(kNoWindow);
  const Hwnd error = desk.AddMessageBox(u"Error", u"Falla", desk.SystemIcon(win::kIdiHand),
                                        {{u"Aceptar", 1}}, validation);
  main.SetBusy(false);
  main.OnDialogReady(error);
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_TRUE(desk.IsWindow(error));
  EXPECT_FALSE(main.Busy());
}

TEST_F(WatcherTest, BusyIsRestoredOnEveryExitAndAfterAFailure) {
  repository.CreateProfile(u"P");
  HostStartsValidation();
  ASSERT_EQ(SelectThroughSlot(u"P"), 0);
  main.SetBusy(true);  // one of the robot's own dialogs is open
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  main.OnDialogReady(InfoBox(u"x"));
  EXPECT_TRUE(main.Busy());
  main.SetBusy(false);
  // The user script runs dry: the failure leaves the robot not busy and the
  // alarm disarmed.
  EXPECT_THROW(main.OnDialogReady(InfoBox(u"y")), std::logic_error);
  EXPECT_FALSE(main.Busy());
  EXPECT_EQ(log.entries.back(), "KillTimer 2");
}

TEST_F(WatcherTest, RemoteQueries) {
  CProfile& profile = repository.CreateProfile(u"P");
  const auto [key, answer] = Learned(YesNoBox(u"¿Seguir?"), 7);
  profile.SetAnswer(key, answer);
  profile.SetAnswer(u"clave sin respuesta", u"");

  query::RemoteQueryRecord none{3, key};
  main.OnRemoteQuery(none);
  EXPECT_EQ(none.error, u"Error#3");
  EXPECT_FALSE(none.found);

  HostStartsValidation();
  ASSERT_EQ(SelectThroughSlot(u"P"), 0);
  query::RemoteQueryRecord found{0x10007, key};
  std::intptr_t result = 0;
  ASSERT_TRUE(main.HandleMessage(rm::kRemoteQuery, 0, reinterpret_cast<std::intptr_t>(&found), &result));
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.response, answer);
  EXPECT_EQ(found.error, u"");
  ASSERT_EQ(journal.Questions().count(7), 1u);  // the low 16 bits of the item
  EXPECT_EQ(journal.Questions().at(7).begin()->second.m_automatic, 1);
  EXPECT_EQ(log.entries.back(), "mascot blinks");

  query::RemoteQueryRecord missing{1, u"otra clave"};
  main.OnRemoteQuery(missing);
  EXPECT_EQ(missing.error, u"No data");
  query::RemoteQueryRecord empty{1, u"clave sin respuesta"};
  main.OnRemoteQuery(empty);
  EXPECT_FALSE(empty.found);
  EXPECT_EQ(empty.error, u"");

  // While the confirmation dialog is open the robot is busy.
  query::RemoteQueryRecord during{1, key};
  dialogs.while_confirming = [&] { main.OnRemoteQuery(during); };
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  main.OnDialogReady(InfoBox(u"nuevo"));
  EXPECT_EQ(during.error, u"Error#2");
  EXPECT_FALSE(during.found);
}

TEST_F(WatcherTest, RemoteQueryOfANothingMarkedSelectionIsFoundAndJournalled) {
  // The user pressed "Seleccionar la opción marcada" on the control's empty
  // option list: the selection is stored as -999.
  const Text key =
      u"class CItemSelectionWindow|<>Seleccion de una opcion|2|4294967295|4294967295|3|1|0|4|"
      u"class CMetaButton|<>No seleccionar ninguna|1|class CMetaButton|<>Cancelar el  tratamiento|1|"
      u"class CMetaList|0|class CMetaButton|<>Seleccionar la opci\\xf3n marcada|1|";
  const Text answer = u"4|class CNullInteraction|class CNullInteraction|class CItemSelect|4294966297|"
                      u"class CPressButton|";
  repository.CreateProfile(u"P").SetAnswer(key, answer);
  HostStartsValidation();
  ASSERT_EQ(SelectThroughSlot(u"P"), 0);

  query::RemoteQueryRecord record{12, key};
  main.OnRemoteQuery(record);
  EXPECT_TRUE(record.found);
  EXPECT_EQ(record.response, answer);
  EXPECT_EQ(record.error, u"");
  ASSERT_EQ(journal.Questions().count(12), 1u);
  const CVTIAction& action = journal.Questions().at(12).begin()->second;
  EXPECT_EQ(action.m_automatic, 1);
  EXPECT_EQ(action.m_content, u"[]");
  EXPECT_EQ(action.m_answer, u"Ninguna opción marcada, Presionar Seleccionar la opción marcada");
}

TEST_F(WatcherTest, SlotMessages) {
  EXPECT_EQ(main.OnGetSlot(rm::kGetSlotWParam, 0), -1);
  EXPECT_EQ(main.OnGetSlot(0, rm::kGetSlotLParam), -1);
  EXPECT_EQ(main.OnGetSlot(rm::kGetSlotWParam, rm::kGetSlotLParam), static_cast<std::intptr_t>(slot));
  // A 32-bit program's numbers arrive sign-extended in the 64-bit robot
  // (the lParam's high bit is set); only their low 32 bits count.
  const auto widened = [](std::uint32_t n) {
    return static_cast<std::intptr_t>(static_cast<std::int32_t>(n));
  };
  ASSERT_LT(widened(rm::kGetSlotLParam), 0);
  EXPECT_EQ(main.OnGetSlot(static_cast<std::uintptr_t>(widened(rm::kGetSlotWParam)),
                           widened(rm::kGetSlotLParam)),
            static_cast<std::intptr_t>(slot));
  EXPECT_EQ(main.OnGetSlot(rm::kGetSlotWParam, widened(rm::kGetSlotLParam ^ 1u)), -1);
  std::intptr_t through_message = 0;
  ASSERT_TRUE(main.HandleMessage(rm::kGetSlot, rm::kGetSlotWParam, widened(rm::kGetSlotLParam),
                                 &through_message));
  EXPECT_EQ(through_message, static_cast<std::intptr_t>(slot));
  EXPECT_EQ(main.OnSelectProfile(), 1160);  // empty slot
  repository.CreateProfile(u"P");
  desk.SendSetText(slot, u"P");
  EXPECT_EQ(main.OnSelectProfile(), 60008);  // no validation window
  HostStartsValidation();
  main.SetBusy(true);
  EXPECT_EQ(main.OnSelectProfile(), 60001);
  main.SetBusy(false);
  desk.SendSetText(slot, u"Desconocido");
  EXPECT_EQ(main.OnSelectProfile(), 2);
  std::intptr_t result = 5;
  ASSERT_TRUE(main.HandleMessage(rm::kClearSlot, 0, 0, &result));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(desk.Get(slot).props.text, u"");
  EXPECT_FALSE(main.HandleMessage(0x1234, 0, 0, &result));
}

TEST_F(WatcherTest, HostWatchFollowsTheHostByProcessName) {
  const Hwnd other = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .thread_id = 8, .process_id = 88});
  desk.SetProcessModuleName(88, u"Otro.exe");
  main.OnTimer(kHostWatchTimer);
  EXPECT_EQ(main.HostWindow(), kNoWindow);
  EXPECT_EQ(main.Hook(), 0u);
  host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .thread_id = 5, .process_id = 77});
  main.OnTimer(kHostWatchTimer);
  EXPECT_EQ(main.HostWindow(), host);
  const std::uintptr_t hooked = main.Hook();
  EXPECT_NE(hooked, 0u);
  std::size_t mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);  // same host: nothing to do
  EXPECT_THAT(Since(mark), IsEmpty());
  desk.Destroy(host);
  mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);
  EXPECT_THAT(Since(mark), ElementsAre("unhook " + std::to_string(hooked)));
  EXPECT_EQ(main.HostWindow(), kNoWindow);
  (void)other;
}

TEST_F(WatcherTest, DeactivationByTheUserWritesTheDisconnectedLine) {
  repository.CreateProfile(u"P");
  HostStartsValidation();
  ASSERT_EQ(SelectThroughSlot(u"P"), 0);
  const Text path = journal.GetLogPath();
  main.ActivateProfile(nullptr);  // "&Desconectar robot"
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_THAT(bytes, ::testing::HasSubstr("desconectado"));
  EXPECT_THAT(log.entries, Not(Contains(::testing::StartsWith("messages report"))));
  // A profile cannot be active without a validation window.
  main.OnValidationEnded();
  main.ActivateProfile(repository.FindProfile(u"P"));
  EXPECT_EQ(main.ActiveProfile(), nullptr);
}

TEST(ItemNumber, FromTheProgressCaption) {
  struct Case {
    const char16_t* caption;
    int item;
  };
  const Case cases[] = {
      {u"Declaración - Validando Item: 7", 7},
      {u"Declaración - Validando Item:   42 de 50", 42},
      {u"Declaración - Validando Item:9999", 9999},
      {u"Declaración - Validando Item: 10000", 0},
      {u"Declaración - Validando Item: 65537", 0},  // never wrapped into range
      {u"Declaración - Validando Item: 0", 0},
      {u"Declaración - Validando Item: -3", 0},
      {u"Declaración - Validando Item: x", 0},
      {u"Declaracion - Validando Item: 7", 0},
      {u"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ItemNumberFromCaption(c.caption), c.item) << ToUtf8(c.caption);
}

TEST(TrayCommands, EnabledTable) {
  // Spot checks of the table, row by row.
  EXPECT_FALSE(IsCommandEnabled(1, TrayCommand::Close));
  EXPECT_TRUE(IsCommandEnabled(2, TrayCommand::CreateProfile));
  EXPECT_FALSE(IsCommandEnabled(2, TrayCommand::SelectProfile));
  EXPECT_TRUE(IsCommandEnabled(3, TrayCommand::About));
  EXPECT_TRUE(IsCommandEnabled(4, TrayCommand::Disconnect));
  EXPECT_FALSE(IsCommandEnabled(4, TrayCommand::Close));
  EXPECT_TRUE(IsCommandEnabled(5, TrayCommand::DeleteProfile));
  EXPECT_FALSE(IsCommandEnabled(5, TrayCommand::Configure));
  EXPECT_FALSE(IsCommandEnabled(6, TrayCommand::SelectProfile));
  EXPECT_TRUE(IsCommandEnabled(7, TrayCommand::SelectProfile));
  EXPECT_FALSE(IsCommandEnabled(7, TrayCommand::DeleteProfile));
  EXPECT_TRUE(IsCommandEnabled(8, TrayCommand::Configure));
  EXPECT_FALSE(IsCommandEnabled(8, TrayCommand::SelectProfile));
  EXPECT_FALSE(IsCommandEnabled(0, TrayCommand::About));
  EXPECT_FALSE(IsCommandEnabled(9, TrayCommand::About));
}

class AlarmTest : public ::testing::Test {
 protected:
  MemoryRegistry registry;
  Settings settings{registry, [] { return Text(u"C:\\KORVEX"); }};
  FrameLog log;
  RecordingTimers timers{log};
  RecordingSound sound{log};
  Alarm alarm{settings, timers, sound};
};

TEST_F(AlarmTest, OffMeansNoAlarm) {
  alarm.Arm();
  EXPECT_THAT(log.entries, IsEmpty());
  EXPECT_FALSE(alarm.IsArmed());
}

TEST_F(AlarmTest, SoundsOnceWithoutRepetitions) {
  settings.SetInt(u"UseAlarm", 1);
  settings.SetInt(u"AlarmTime", 2);
  alarm.Arm();
  alarm.OnTimer();
  alarm.OnTimer();  // a late tick after the single sound plays nothing
  alarm.Disarm();
  EXPECT_THAT(log.entries, ElementsAre("SetTimer 2 120000", "play C:\\KORVEX\\default.wav",
                                       "KillTimer 2", "KillTimer 2", "KillTimer 2"));
}

TEST_F(AlarmTest, RepeatsEveryLoopTime) {
  settings.SetInt(u"UseAlarm", 1);
  settings.SetInt(u"AlarmMustLoop", 1);
  settings.SetString(u"WavFile", u"D:\\campana.wav");
  alarm.Arm();
  alarm.OnTimer();
  alarm.OnTimer();
  alarm.Disarm();
  EXPECT_THAT(log.entries, ElementsAre("SetTimer 2 60000", "play D:\\campana.wav", "SetTimer 2 600000",
                                       "play D:\\campana.wav", "SetTimer 2 600000", "KillTimer 2"));
}

TEST(Mascot, AnimationPhasesAndPictures) {
  MascotAnimation mascot;
  EXPECT_FALSE(mascot.Blink());  // hidden: nothing
  EXPECT_TRUE(mascot.Show(0x12345678));
  EXPECT_FALSE(mascot.Show(1));  // timer already running
  EXPECT_EQ(mascot.Picture(), MascotAnimation::kRestPicture);
  const int countdown = mascot.Countdown();
  EXPECT_GE(countdown, 6);
  EXPECT_LE(countdown, 49);
  for (int i = 1; i < countdown; ++i) EXPECT_FALSE(mascot.OnTick(i));
  EXPECT_TRUE(mascot.OnTick(0));  // the idle blink
  EXPECT_EQ(mascot.Picture(), MascotAnimation::kBlinkPicture);
  EXPECT_TRUE(mascot.OnTick(0));  // lasts one tick
  EXPECT_EQ(mascot.Phase(), 0);

  ASSERT_TRUE(mascot.Blink());
  std::vector<int> pictures{mascot.Picture()};
  for (int i = 0; i < 6; ++i) {
    mascot.OnTick(0);
    pictures.push_back(mascot.Picture());
  }
  EXPECT_THAT(pictures, ElementsAre(142, 140, 142, 140, 142, 140, 140));
  EXPECT_EQ(mascot.Phase(), 0);
  mascot.Blink();
  mascot.OnTick(0);
  mascot.Blink();  // a second blink restarts at phase 1
  EXPECT_EQ(mascot.Phase(), 1);
  mascot.Hide();
  EXPECT_FALSE(mascot.OnTick(0));
  EXPECT_FALSE(mascot.TimerRunning());
}

TEST(Mascot, RandomCountsStayBetween6And49) {
  MascotAnimation mascot;
  std::mt19937 ticks(7);
  for (int i = 0; i < 2000; ++i) {
    const int n = mascot.NextCount(ticks());
    ASSERT_GE(n, 6);
    ASSERT_LE(n, 49);
  }
  // The first count from a zero state over tick 0 is the CRC of four zero bytes.
  EXPECT_EQ(MascotAnimation().NextCount(0), 6);
}

}  // namespace
}  // namespace korvex
