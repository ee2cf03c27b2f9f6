// The dialog watcher (CMainFrame) over the in-memory desktop, told as the
// user's story.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

#include "platform/file_io.h"
#include "robot/journal/vti_actions.h"
#include "robot/profiles/profile_repository.h"
#include "robot/watcher/main_frame.h"
#include "robot/watcher/robot_messages.h"
#include "sentrel/dialog_snapshot.h"
#include "tests/fakes/desktop_snapshot.h"
#include "tests/native/watcher_fixture.h"

namespace korvex {
namespace {

using namespace korvex::testing;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// The user closes the robot's copy of a yes/no question with its close box
// (the copy ends with IDCANCEL, which is no button of the question) and then
// says "Sí" to storing: nothing was learned to press, and nothing is stored,
// so the next time the question is asked again instead of waiting unanswered.
TEST_F(WatcherTest, ACopyClosedWithoutAButtonStoresNoAnswer) {
  CProfile& profile = ValidateWith(u"P");
  const Hwnd asked = YesNoBox(u"¿Liquidar el arancel?");
  user.PressInReplica(2);
  dialogs.confirmations = {6};
  DialogReady(asked);
  EXPECT_FALSE(profile.HasAnswer(main.LastKey()));
  EXPECT_FALSE(desk.Get(asked).dialog_result.has_value());  // left to the user in the host
  desk.Destroy(asked);

  // The same question again: asked, not answered from an empty entry.
  const Hwnd again = YesNoBox(u"¿Liquidar el arancel?");
  user.PressInReplica(6);
  dialogs.confirmations = {6};
  DialogReady(again);
  EXPECT_EQ(user.Questions().size(), 2u);
  EXPECT_EQ(desk.Get(again).dialog_result, 6);
  EXPECT_TRUE(profile.HasAnswer(main.LastKey()));
}

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
  ValidateButton(true);
  EXPECT_EQ(main.TrayState(), 4);

  // Item 1: a message the profile knows is answered, then journalled: the
  // journal line is settled before the press and written after it.
  std::size_t mark = log.entries.size();
  DialogReady(InfoBox(u"Item sin origen"));
  EXPECT_THAT(Since(mark), ElementsAre("click Aceptar (journal 0)", "mascot blinks"));
  EXPECT_EQ(journal.CountMessages(), 1u);
  EXPECT_EQ(main.ItemNumber(), 1);
  EXPECT_FALSE(main.Busy());

  // Item 2: a question the profile knows.
  SetItem(2);
  mark = log.entries.size();
  DialogReady(YesNoBox(u"¿Usar el origen declarado?"));
  EXPECT_THAT(Since(mark), ElementsAre("click &Sí (journal 1)", "mascot blinks"));
  EXPECT_EQ(journal.Questions().at(2).begin()->second.m_answer, u"Presionar Sí");

  // Item 3: a new question, asked and stored.
  SetItem(3);
  Hwnd asked = YesNoBox(u"¿Liquidar el arancel?");
  user.PressInReplica(6);
  dialogs.confirmations = {6};
  mark = log.entries.size();
  DialogReady(asked);
  EXPECT_THAT(Since(mark), ElementsAre("SetTimer 2 60000", "confirm over " + std::to_string(asked),
                                       "KillTimer 2", "click &Sí (journal 3)", "mascot blinks"));
  EXPECT_EQ(profile.GetAnswer(main.LastKey()), u"4|class CNullInteraction|class CPressButton|class CNullInteraction|class CNullInteraction|");
  EXPECT_EQ(journal.Questions().at(3).begin()->second.m_automatic, 0);

  // Item 4: asked, answered "No" to storing: performed, not stored.
  SetItem(4);
  asked = YesNoBox(u"¿Aplicar la reducción?");
  user.PressInReplica(7);
  dialogs.confirmations = {7};
  DialogReady(asked);
  EXPECT_EQ(desk.Get(asked).dialog_result, 7);
  EXPECT_FALSE(profile.HasAnswer(main.LastKey()));

  // Item 5: the user retries and then stores the second choice.
  SetItem(5);
  asked = YesNoBox(u"¿Repetir el cálculo?");
  user.PressInReplica(7);
  user.PressInReplica(6);
  dialogs.confirmations = {10, 6};
  DialogReady(asked);
  EXPECT_EQ(desk.Get(asked).dialog_result, 6);
  EXPECT_EQ(user.Questions().size(), 4u);  // the retry showed the replica again
  EXPECT_THAT(ToUtf8(profile.GetAnswer(main.LastKey())), ::testing::HasSubstr("|class CPressButton|class CNullInteraction|class CNullInteraction|"));

  // Item 6: the known question is answered, but the host refuses the
  // answer: its click handler keeps the dialog and pops up another window
  // over it.
  SetItem(6);
  const std::size_t messages_before = journal.CountMessages();
  const Hwnd refused = YesNoBox(u"¿Usar el origen declarado?");
  const auto host_click = desk.on_click;
  desk.on_click = [&](Hwnd button) -> std::intptr_t {
    if (desk.Get(button).parent != refused) return host_click(button);
    log.Add("host refuses " + ToUtf8(desk.Get(button).props.text));
    return 0;
  };
  DialogReady(refused);
  EXPECT_EQ(log.entries.back(), "mascot blinks");
  EXPECT_EQ(journal.Questions().at(6).size(), 1u);
  desk.on_click = host_click;
  user.PressInReplica(7);
  dialogs.confirmations = {7};
  AnswerRejected();
  EXPECT_EQ(desk.Get(refused).dialog_result, 7);
  EXPECT_FALSE(profile.HasAnswer(origin_key));
  EXPECT_EQ(journal.Questions().at(6).begin()->second.m_automatic, 0);  // asked again
  EXPECT_EQ(journal.CountMessages(), messages_before);

  // The run ends.
  ValidateButton(false);
  EXPECT_EQ(main.TrayState(), 6);
  dialogs.while_reporting = [&] { log.Add("journal file open: " + std::to_string(journal.IsFileOpen())); };
  mark = log.entries.size();
  const Text log_path = journal.GetLogPath();
  ValidationEnded();
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
  DialogReady(box);
  EXPECT_THAT(Since(mark), IsEmpty());
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_TRUE(desk.IsWindow(box));
}

TEST_F(WatcherTest, DeadWindowsAndRefusedCapturesAreLeftToTheUser) {
  ValidateWith(u"P");
  const Hwnd gone = InfoBox(u"x");
  desk.Destroy(gone);
  DialogReady(gone);
  DialogReady(kNoWindow);
  const Hwnd error = desk.AddMessageBox(u"Error", u"Falla", desk.SystemIcon(win::kIdiHand),
                                        {{u"Aceptar", 1}}, validation);
  main.SetBusy(false);
  DialogReady(error);
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_TRUE(desk.IsWindow(error));
  EXPECT_FALSE(main.Busy());
}

TEST_F(WatcherTest, BusyIsRestoredOnEveryExitAndAfterAFailure) {
  ValidateWith(u"P");
  main.SetBusy(true);  // one of the robot's own dialogs is open
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  DialogReady(InfoBox(u"x"));
  EXPECT_TRUE(main.Busy());
  main.SetBusy(false);
  // The user script runs dry: the failure is stopped there, and leaves the
  // robot not busy, not asking and the alarm disarmed; the dialog stays for
  // the user in the host.
  const Hwnd left = InfoBox(u"y");
  EXPECT_NO_THROW(DialogReady(left));
  EXPECT_FALSE(main.Busy());
  EXPECT_FALSE(main.Asking());
  EXPECT_EQ(log.entries.back(), "KillTimer 2");
  EXPECT_TRUE(desk.IsWindow(left));
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

  ValidateWith(u"P");
  query::RemoteQueryRecord found{0x10007, key};
  query::RegisteredRecord registered(queries, found);
  std::intptr_t result = 0;
  ASSERT_TRUE(main.HandleMessage(rm::kRemoteQuery, registered.Generation(), registered.Address(),
                                 &result));
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
  DialogReady(InfoBox(u"nuevo"));
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
  ValidateWith(u"P");

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
  ValidateWith(u"P");
  const Text path = journal.GetLogPath();
  main.ActivateProfile(nullptr);  // "&Desconectar robot"
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_THAT(bytes, ::testing::HasSubstr("desconectado"));
  EXPECT_THAT(log.entries, Not(Contains(::testing::StartsWith("messages report"))));
  // A profile cannot be active without a validation window.
  ValidationEnded();
  main.ActivateProfile(repository.FindProfile(u"P"));
  EXPECT_EQ(main.ActiveProfile(), nullptr);
}

// --- the watcher under real window messages ---------------------------------------------

TEST_F(WatcherTest, NotificationsDuringAQuestionWaitForItOrAreDropped) {
  CProfile& profile = ValidateWith(u"P");
  const Hwnd first = YesNoBox(u"¿Primera pregunta?");
  const Text first_key = WriteKey(*CaptureDialog(desk, first));
  Hwnd second = kNoWindow;
  user.during_question = [&](const ScriptedUser::Asked& asked) {
    if (asked.parent != first) return;
    // The replica's modal loop dispatches what the hook posted meanwhile: the
    // same dialog again, another dialog, a popup and the button.
    DialogReady(first);
    second = InfoBox(u"Segundo aviso");
    DialogReady(second);
    AnswerRejected();
    ValidateButton(true);
    EXPECT_TRUE(main.Asking());
    EXPECT_EQ(main.PendingEvents(), 2u);
    EXPECT_TRUE(main.Busy());
  };
  user.PressInReplica(6);  // the first question
  user.PressInReplica(1);  // then the second dialog, asked after it
  dialogs.confirmations = {6, 6};
  DialogReady(first);

  // The first answer went to the first dialog, under the first key.
  EXPECT_EQ(desk.Get(first).dialog_result, 6);
  EXPECT_EQ(profile.GetAnswer(first_key),
            u"4|class CNullInteraction|class CPressButton|class CNullInteraction|"
            u"class CNullInteraction|");
  // The second dialog was asked once the first was done, and the same
  // window's notification and the popup were dropped.
  ASSERT_EQ(user.Questions().size(), 2u);
  EXPECT_EQ(user.Questions()[0].parent, first);
  EXPECT_EQ(user.Questions()[1].parent, second);
  EXPECT_EQ(desk.Get(second).dialog_result, 1);
  EXPECT_TRUE(profile.HasAnswer(main.LastKey()));
  EXPECT_NE(main.LastKey(), first_key);
  EXPECT_TRUE(main.ValidationRunning());
  EXPECT_EQ(main.PendingEvents(), 0u);
  EXPECT_FALSE(main.Asking());
  EXPECT_FALSE(main.Busy());
  EXPECT_EQ(profile.GetCount(), 2u);
}

TEST_F(WatcherTest, ClosingWhileAQuestionIsOpenFreesNothingInUse) {
  ValidateWith(u"P");
  const Hwnd box = YesNoBox(u"¿Cerrar?");
  user.during_question = [&](const ScriptedUser::Asked&) { main.Shutdown(); };
  user.PressInReplica(6);
  dialogs.confirmations = {6};
  DialogReady(box);
  // The question ended normally; a closing robot performs nothing.
  EXPECT_TRUE(desk.IsWindow(box));
  EXPECT_THAT(desk.SentTo(box), IsEmpty());
  EXPECT_EQ(main.Dialog(), nullptr);
}

// A data-input dialog of the tariff control, with the host's edit.
struct DataInput {
  Hwnd dialog, edit, accept, cancel;
};

DataInput AddDataInput(FakeDesktop& desk, Hwnd owner, TextView prompt) {
  DataInput d{};
  d.dialog = desk.AddTopLevel({.text = u"Ingreso de dato complementario",
                               .window_rect = {200, 200, 700, 350},
                               .client_rect = {0, 0, 494, 128}},
                              owner);
  d.edit = desk.AddChild(d.dialog, {.class_name = u"Edit", .control_id = 1002});
  d.accept = desk.AddChild(d.dialog, {.class_name = u"Button", .text = u"Validar lo ingresado",
                                      .control_id = 1});
  d.cancel = desk.AddChild(d.dialog, {.class_name = u"Button",
                                      .text = u"Terminar el tratamiento", .control_id = 2});
  desk.AddChild(d.dialog, {.class_name = u"Static", .text = u"Falta un dato", .control_id = 1003});
  desk.AddChild(d.dialog, {.class_name = u"Static", .text = Text(prompt), .control_id = 1005});
  return d;
}

TEST_F(WatcherTest, TheHostHandlesThePressAfterTheRobotIsFree) {
  CProfile& profile = ValidateWith(u"P");
  const DataInput input = AddDataInput(desk, validation, u"Ingrese la MARCA :");
  const Text key = WriteKey(*CaptureDialog(desk, input.dialog));
  profile.SetAnswer(key, u"5|class CPutText|<>ACME|class CPressButton|class CNullInteraction|"
                         u"class CNullInteraction|class CNullInteraction|");
  desk.clicks_wait_for_host = true;
  // The host's click handler refuses the value with a modal popup; while it
  // is up, the tariff control asks the robot a question.
  query::RemoteQueryRecord during{1, key};
  desk.on_click = [&](Hwnd button) -> std::intptr_t {
    log.Add("host handles " + ToUtf8(desk.Get(button).props.text) +
            (main.Busy() ? " (robot busy)" : " (robot free)"));
    query::RegisteredRecord registered(queries, during);
    std::intptr_t result = 0;
    main.HandleMessage(rm::kRemoteQuery, registered.Generation(), registered.Address(), &result);
    return 0;
  };
  DialogReady(input.dialog);
  // The robot has delivered the text, then the press, and is free again.
  EXPECT_THAT(desk.SentTo(input.edit), Contains(SentMessage{input.edit, "WM_SETTEXT", u"ACME"}));
  EXPECT_EQ(desk.QueuedClicks(), 1u);
  EXPECT_FALSE(main.Busy());
  const auto sent = desk.Sent();
  const auto text_at = std::find(sent.begin(), sent.end(), SentMessage{input.edit, "WM_SETTEXT", u"ACME"});
  const auto click_at = std::find(sent.begin(), sent.end(), SentMessage{input.accept, "BM_CLICK"});
  ASSERT_NE(click_at, sent.end());
  EXPECT_LT(text_at, click_at);
  EXPECT_EQ(desk.RunHostQueue(), 1u);
  EXPECT_THAT(log.entries, Contains("host handles Validar lo ingresado (robot free)"));
  EXPECT_TRUE(during.found);
  EXPECT_EQ(during.error, u"");
}

// The hook leaves each ready dialog's snapshot in the session's buffer; the
// watcher reads the dialog from it when it is this dialog as it still is, and
// from the live dialog otherwise.  Either way the same key finds the same
// answer, the same journal line is written and the press is the same; only
// the snapshot's way spares the host the reads.
TEST_F(WatcherTest, TheHooksSnapshotSparesTheHostItsReadsAndChangesNothingElse) {
  CProfile& profile = ValidateWith(u"P");
  const auto [key, answer] = Learned(YesNoBox(u"¿Usar el origen declarado?"), 6);
  profile.SetAnswer(key, answer);
  using Buffer = std::vector<unsigned char>;
  struct Case {
    const char* name;
    std::function<Buffer(Hwnd dialog)> buffer;
    bool from_snapshot;
  };
  const std::vector<Case> cases = {
      {"a snapshot of the dialog",
       [&](Hwnd d) {
         Buffer bytes = Snapshot(desk, d, validation);
         auto* header = reinterpret_cast<sentrel::SnapshotHeader*>(bytes.data());
         header->taken_at = 5;
         header->done_at = 6;
         return bytes;
       },
       true},
      {"no buffer, or a copy taken while the hook wrote", [](Hwnd) { return Buffer{}; }, false},
      {"another dialog's",
       [&](Hwnd) {
         const Hwnd other = YesNoBox(u"¿Usar el origen declarado?");
         Buffer bytes = Snapshot(desk, other, validation);
         desk.Destroy(other);
         return bytes;
       },
       false},
      {"a dialog whose children were made anew since",
       [&](Hwnd d) {
         Buffer bytes = Snapshot(desk, d, validation);
         // The first child's handle in the record after the dialog's.
         sentrel::SnapshotWindow dialog_record;
         std::memcpy(&dialog_record, bytes.data() + sizeof(sentrel::SnapshotHeader),
                     sizeof dialog_record);
         const std::size_t child_at = sizeof(sentrel::SnapshotHeader) + sizeof dialog_record +
                                      sentrel::PaddedTextBytes(dialog_record.class_chars) +
                                      sentrel::PaddedTextBytes(dialog_record.text_chars);
         const std::uint32_t gone = 0x7777;
         std::memcpy(bytes.data() + child_at, &gone, sizeof gone);
         return bytes;
       },
       false},
      {"one the hook could not finish",
       [&](Hwnd d) {
         Buffer bytes = Snapshot(desk, d, validation);
         reinterpret_cast<sentrel::SnapshotHeader*>(bytes.data())->complete = 0;
         return bytes;
       },
       false},
      {"one with another validation window's frames",
       [&](Hwnd d) { return Snapshot(desk, d, host); }, false},
  };
  int item = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetItem(++item);
    const Hwnd box = YesNoBox(u"¿Usar el origen declarado?");
    hook.snapshot = c.buffer(box);
    // The bounded sends that only read, each a wake-up of the host.
    int reads = 0;
    desk.on_send = [&](Hwnd, std::string_view what) {
      if (what.find("SET") == std::string_view::npos && what.find("Set") == std::string_view::npos) {
        ++reads;
      }
    };
    const std::size_t mark = log.entries.size();
    DialogReady(box);
    desk.on_send = nullptr;
    EXPECT_THAT(Since(mark), ElementsAre("click &Sí (journal " + std::to_string(item - 11) + ")",
                                         "mascot blinks"));
    EXPECT_EQ(main.LastKey(), key);
    EXPECT_EQ(main.ItemNumber(), item);
    ASSERT_EQ(journal.Questions().count(static_cast<std::uint16_t>(item)), 1u);
    EXPECT_EQ(journal.Questions().at(static_cast<std::uint16_t>(item)).begin()->second.m_answer,
              u"Presionar Sí");
    ASSERT_FALSE(timeline.lines.empty());
    const AnswerTimeline& line = timeline.lines.back();
    EXPECT_EQ(line.dialog, box);
    EXPECT_EQ(line.from_snapshot, c.from_snapshot);
    // The hook's stamps are this dialog's snapshot's, or none.
    EXPECT_EQ(line.hook_began, c.from_snapshot ? 5u : 0u);
    EXPECT_EQ(line.hook_done, c.from_snapshot ? 6u : 0u);
    if (c.from_snapshot) {
      EXPECT_EQ(reads, 0) << "the host was asked what the snapshot holds";
      EXPECT_EQ(line.waits, 0);
      EXPECT_GT(line.recorded_reads, 0);
    } else {
      EXPECT_GT(reads, 0);
      EXPECT_GT(line.waits, 0);
      EXPECT_EQ(line.recorded_reads, 0);
    }
    // Every step of the answer, in order.
    EXPECT_LT(line.received, line.copied);
    EXPECT_LT(line.copied, line.captured);
    EXPECT_LT(line.captured, line.keyed);
    EXPECT_LT(line.keyed, line.looked_up);
    EXPECT_LT(line.looked_up, line.pressed);
    EXPECT_LT(line.pressed, line.journalled);
    desk.Destroy(box);
  }
}

TEST_F(WatcherTest, AWindowThatDoesNotAnswerInTimeFailsItsCaptureOrItsAnswerCleanly) {
  CProfile& profile = ValidateWith(u"P");

  // A hung dialog: its capture fails at the first read and nothing is sent.
  const Hwnd hung = InfoBox(u"Colgado");
  desk.hung.insert(hung);
  desk.ClearSent();
  EXPECT_NO_THROW(DialogReady(hung));
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_THAT(desk.SentTo(hung), IsEmpty());
  EXPECT_FALSE(main.Busy());
  EXPECT_EQ(follower.armed, kNoWindow);  // the half-made capture disarmed it

  // A dialog whose edit stops answering while the answer is given: the press
  // that would follow the text is not sent.
  const DataInput input = AddDataInput(desk, validation, u"Ingrese el MODELO :");
  profile.SetAnswer(WriteKey(*CaptureDialog(desk, input.dialog)),
                    u"5|class CPutText|<>X1|class CPressButton|class CNullInteraction|"
                    u"class CNullInteraction|class CNullInteraction|");
  desk.on_send = [&](Hwnd window, std::string_view what) {
    if (window == input.edit && what == "WM_SETTEXT") throw WindowTimeoutError(window, 0x000C);
  };
  EXPECT_NO_THROW(DialogReady(input.dialog));
  EXPECT_THAT(desk.SentTo(input.accept), Not(Contains(SentMessage{input.accept, "BM_CLICK"})));
  EXPECT_TRUE(desk.IsWindow(input.dialog));
  EXPECT_FALSE(main.Busy());
}

TEST_F(WatcherTest, AnswerRejectedActsOnlyWhileTheAnsweredDialogIsAlive) {
  CProfile& profile = repository.CreateProfile(u"P");
  const auto [key, answer] = Learned(YesNoBox(u"¿Aplicar el régimen?"), 6);
  profile.SetAnswer(key, answer);
  ValidateWith(u"P");
  const Hwnd box = YesNoBox(u"¿Aplicar el régimen?");
  DialogReady(box);
  ASSERT_EQ(desk.Get(box).dialog_result, 6);  // answered and gone
  const std::size_t journalled = journal.CountQuestions();
  // A popup owned by the validation window shows up later: it is not about
  // the dialog the robot answered.
  AnswerRejected();
  EXPECT_TRUE(profile.HasAnswer(key));
  EXPECT_THAT(user.Questions(), IsEmpty());
  EXPECT_EQ(journal.CountQuestions(), journalled);
}

TEST_F(WatcherTest, HostWatchKeepsTheHookOfTheSameThreadAndRetriesAFailedOne) {
  desk.SetProcessModuleName(78, u"Dossa.exe");
  hook.failures = 1;
  host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .thread_id = 5, .process_id = 77});
  std::size_t mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);
  EXPECT_THAT(Since(mark), ElementsAre("hook thread 5 failed"));
  EXPECT_EQ(main.Hook(), 0u);
  // The next tick tries again, and registers the frame once it worked.
  mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);
  EXPECT_THAT(Since(mark),
              ElementsAre("hook thread 5", "RegisterPilotek " + std::to_string(frame)));
  const std::uintptr_t hooked = main.Hook();
  ASSERT_NE(hooked, 0u);

  // The host's main window is replaced by another one of the same thread:
  // the hook stays as it is.
  desk.Destroy(host);
  host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .thread_id = 5, .process_id = 77});
  mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);
  EXPECT_THAT(Since(mark), IsEmpty());
  EXPECT_EQ(main.HostWindow(), host);
  EXPECT_EQ(main.Hook(), hooked);

  // The host restarted on another thread: the old hook goes, a new one comes.
  desk.Destroy(host);
  host = desk.AddTopLevel({.class_name = u"ThunderRT6FormDC", .thread_id = 9, .process_id = 78});
  mark = log.entries.size();
  main.OnTimer(kHostWatchTimer);
  EXPECT_THAT(Since(mark), ElementsAre("unhook " + std::to_string(hooked), "hook thread 9",
                                       "RegisterPilotek " + std::to_string(frame)));
}

TEST_F(WatcherTest, RemoteQueryTouchesOnlyTheRecordsOfTheQueryService) {
  CProfile& profile = repository.CreateProfile(u"P");
  const auto [key, answer] = Learned(YesNoBox(u"¿Seguir?"), 6);
  profile.SetAnswer(key, answer);
  ValidateWith(u"P");
  const std::size_t mark = log.entries.size();

  // A record the service has already taken back and freed.
  auto stale = std::make_unique<query::RemoteQueryRecord>(query::RemoteQueryRecord{1, key});
  const auto stale_address = reinterpret_cast<std::intptr_t>(stale.get());
  { query::RegisteredRecord once(queries, *stale); }
  stale.reset();
  // Numbers another program could send, one of them the address of memory
  // that is not a record.
  std::uint64_t not_a_record[8] = {0xDEADBEEF, 0, 0, 0, 0, 0, 0, 0};
  for (const std::intptr_t lparam : {stale_address, std::intptr_t{1}, std::intptr_t{-1},
                                     std::intptr_t{0x402},
                                     reinterpret_cast<std::intptr_t>(&not_a_record)}) {
    std::intptr_t result = 5;
    EXPECT_TRUE(main.HandleMessage(rm::kRemoteQuery, 0, lparam, &result));
    EXPECT_EQ(result, 0) << lparam;
  }
  EXPECT_EQ(not_a_record[0], 0xDEADBEEFu);
  EXPECT_EQ(journal.CountQuestions() + journal.CountMessages(), 0u);
  EXPECT_THAT(Since(mark), IsEmpty());

  // While the service stops, a registered record is answered "Stopping"
  // without a lookup.
  query::RemoteQueryRecord late{1, key};
  query::RegisteredRecord registered(queries, late);
  queries.SetStopping(true);
  std::intptr_t result = 0;
  EXPECT_TRUE(main.HandleMessage(rm::kRemoteQuery, registered.Generation(), registered.Address(),
                                 &result));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(late.error, u"Stopping");
  EXPECT_FALSE(late.found);
  EXPECT_EQ(journal.CountQuestions(), 0u);
}

// Something thrown that is not a standard exception.
struct OddFailure {
  int code;
};

TEST_F(WatcherTest, FailuresOfAnyTypeEndTheHandlingOfTheirDialog) {
  CProfile& profile = repository.CreateProfile(u"P");
  const auto [key, answer] = Learned(YesNoBox(u"¿Rara?"), 6);
  profile.SetAnswer(key, answer);
  ValidateWith(u"P");
  const struct {
    const char* name;
    const char* failing;  // the send that fails
    bool standard;
  } cases[] = {
      {"capture, odd type", "STM_GETICON", false},
      {"capture, int", "WM_GETTEXTLENGTH", false},
      {"capture, standard", "STM_GETICON", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Hwnd box = YesNoBox(u"¿Rara?");
    desk.on_send = [&](Hwnd, std::string_view what) {
      if (what != c.failing) return;
      if (c.standard) throw std::runtime_error("falla");
      if (std::string_view(c.failing) == "WM_GETTEXTLENGTH") throw 42;
      throw OddFailure{7};
    };
    EXPECT_NO_THROW(DialogReady(box));
    desk.on_send = nullptr;
    EXPECT_EQ(main.Dialog(), nullptr);
    EXPECT_TRUE(desk.IsWindow(box));
    EXPECT_FALSE(main.Busy());
    EXPECT_EQ(follower.armed, kNoWindow);
    desk.Destroy(box);
  }
  // A stored answer that does not read back: nothing performed, nothing thrown.
  const Hwnd box = YesNoBox(u"¿Rara?");
  profile.SetAnswer(key, u"2|class CDesconocida|");
  EXPECT_NO_THROW(DialogReady(box));
  EXPECT_TRUE(desk.IsWindow(box));
}

TEST_F(WatcherTest, TheFollowerIsArmedOnEachCaptureUntilTheDialogGoes) {
  ValidateWith(u"P");
  const Hwnd first = InfoBox(u"uno");
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  DialogReady(first);
  EXPECT_EQ(follower.armed, first);
  const Hwnd second = InfoBox(u"dos");
  user.PressInReplica(1);
  dialogs.confirmations = {7};
  DialogReady(second);
  EXPECT_THAT(follower.calls, ElementsAre("arm " + std::to_string(first), "disarm",
                                          "arm " + std::to_string(second)));
  main.Shutdown();
  EXPECT_EQ(follower.armed, kNoWindow);
}

TEST_F(WatcherTest, AnAnswerTheStoreCouldNotTakeIsToldAndNotClaimed) {
  CProfile& profile = repository.CreateProfile(u"Aduana Norte");
  repository.SetWriteFailureHandler([&](const StoreWriteFailure& failure) {
    main.OnStoreWriteFailure(failure.profile, failure.code, u"Acceso denegado");
  });
  ValidateWith(u"Aduana Norte");
  const Hwnd box = YesNoBox(u"¿Guardar?");
  user.PressInReplica(6);
  dialogs.confirmations = {kConfirmStore};
  registry.FailCall("RegSetValueExW", 5, 0);
  DialogReady(box);
  registry.ClearFailures();
  // The answer was given, and the user told which profile did not keep it.
  EXPECT_EQ(desk.Get(box).dialog_result, 6);
  EXPECT_EQ(tray.balloon, u"No se pudo guardar en el registro una respuesta del perfil "
                          u"\"Aduana Norte\" (error 5: Acceso denegado). La respuesta no quedó "
                          u"guardada.");
  EXPECT_FALSE(profile.HasAnswer(main.LastKey()));
}

TEST_F(WatcherTest, ClosingRemovesTheHookAndStopsTheHostWatch) {
  ValidateWith(u"P");
  user.PressInReplica(1);
  dialogs.confirmations = {kConfirmDontStore};
  DialogReady(InfoBox(u"aviso"));
  const std::uintptr_t hooked = main.Hook();
  ASSERT_NE(hooked, 0u);
  const std::size_t mark = log.entries.size();
  main.Shutdown();
  EXPECT_THAT(Since(mark), ElementsAre("unhook " + std::to_string(hooked), "KillTimer 1",
                                       "KillTimer 2"));
  EXPECT_EQ(main.Hook(), 0u);
  EXPECT_EQ(main.Dialog(), nullptr);
  EXPECT_EQ(follower.armed, kNoWindow);
}

}  // namespace
}  // namespace korvex
