// The Windows build of the query service and of the control's robot client
// exchange questions over Winsock, with the host's windows real windows and
// the user-interface thread a real window thread that takes each lookup
// through SendMessageW(0x402); and the service stops on that thread while a
// lookup is being sent to it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_window_system.h"
#include "robot/profiles/profile.h"
#include "robot/query/query_server.h"
#include "robot/watcher/robot_messages.h"
#include "robot/win32/win32_message_box_resources.h"
#include "tarifex/ansi.h"
#include "tarifex/robot_client.h"
#include "tests/fakes/frame_under_test.h"

namespace korvex {
namespace {

using win32::FromHwnd;

constexpr UINT kRunTask = WM_APP + 1;

// A user-interface thread with a message-only window whose procedure hands
// RM_REMOTE_QUERY to the robot's real main frame (over the in-memory
// desktop), with the profile active; its wait while the service stops takes
// the lookups sent meanwhile and answers them "Stopping".
class WindowThreadUi final : public query::UiThreadPort {
 public:
  explicit WindowThreadUi(CProfile* profile) {
    m_robot.Activate(profile);  // before the window's thread starts using it
    std::promise<HWND> created;
    m_thread = std::thread([this, &created] { Loop(created); });
    m_window = created.get_future().get();
  }
  ~WindowThreadUi() override {
    ::PostMessageW(m_window, WM_CLOSE, 0, 0);
    m_thread.join();
  }

  // Runs the task on the window's thread and waits for it.
  void Run(const std::function<void()>& task) {
    ::SendMessageW(m_window, kRunTask, 0, reinterpret_cast<LPARAM>(&task));
  }
  // Posts the task; the future is ready when it has run.
  std::future<void> Post(std::function<void()> task) {
    auto job = std::make_shared<std::packaged_task<void()>>(std::move(task));
    auto done = job->get_future();
    m_posted.push_back(job);
    ::PostMessageW(m_window, kRunTask, 1, reinterpret_cast<LPARAM>(job.get()));
    return done;
  }
  std::vector<Text> Lookups() {
    std::lock_guard lock(m_mutex);
    return m_lookups;
  }

  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override {
    return ::SendMessageW(m_window, rm::kRemoteQuery, 0,
                          reinterpret_cast<LPARAM>(&record));
  }

  void WaitWhileStopping(const std::function<bool()>& done) override {
    if (::GetCurrentThreadId() != m_threadId) {
      while (!done()) ::Sleep(2);
      return;
    }
    m_stopping = true;
    while (!done()) {
      // Wakes for a message sent to this thread; PeekMessageW delivers it.
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_stopping = false;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<WindowThreadUi*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == rm::kRemoteQuery) {
      self->Answer(*reinterpret_cast<query::RemoteQueryRecord*>(lparam));
      return 1;
    }
    if (self != nullptr && message == kRunTask) {
      if (wparam == 0) {
        (*reinterpret_cast<const std::function<void()>*>(lparam))();
      } else {
        (*reinterpret_cast<std::packaged_task<void()>*>(lparam))();
      }
      return 0;
    }
    if (message == WM_CLOSE) {
      ::DestroyWindow(window);
      ::PostQuitMessage(0);
      return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void Answer(query::RemoteQueryRecord& record) {
    if (m_stopping) {
      record.error = query::kErrorStopping;
      return;
    }
    {
      std::lock_guard lock(m_mutex);
      m_lookups.push_back(record.key);
    }
    m_robot.main.OnRemoteQuery(record);
  }

  void Loop(std::promise<HWND>& created) {
    m_threadId = ::GetCurrentThreadId();
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KorvexQueryUiWindow";
    ::RegisterClassW(&wc);  // a second instance finds it registered
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"PILOTEK_MAIN_FRAME", 0, 0, 0, 0, 0,
                                    HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    created.set_value(window);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  }

  testing::FrameUnderTest m_robot;
  std::thread m_thread;
  HWND m_window = nullptr;
  DWORD m_threadId = 0;
  std::atomic<bool> m_stopping{false};
  std::mutex m_mutex;
  std::vector<Text> m_lookups;
  std::vector<std::shared_ptr<std::packaged_task<void()>>> m_posted;
};

// The host's total-validation window with its progress frame, as real
// windows of this thread.
class HostWindows {
 public:
  HostWindows() {
    for (const wchar_t* name : {L"ThunderRT6FormDC", L"ThunderRT6Frame"}) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleW(nullptr);
      wc.lpszClassName = name;
      ::RegisterClassW(&wc);
    }
    m_form = ::CreateWindowExW(0, L"ThunderRT6FormDC", L"Validación Total de Items",
                               WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    m_frame = ::CreateWindowExW(0, L"ThunderRT6Frame", L"Declaración - Validando Item: 21",
                                WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, m_form, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
  }
  ~HostWindows() { ::DestroyWindow(m_form); }
  Hwnd form() const { return FromHwnd(m_form); }

 private:
  HWND m_form = nullptr;
  HWND m_frame = nullptr;
};

class QueryWineTest : public ::testing::Test {
 protected:
  CProfile profile{u"Wine"};
  win32::Win32MessageBoxResources resources;
  Win32WindowSystem windows;
  HostWindows host;
};

TEST_F(QueryWineTest, TheWindowsServerAndClientExchangeQuestions) {
  WindowThreadUi ui(&profile);
  query::CDirectRobot robot(query::QueryServerOptions{0, nullptr});
  robot.SetContext({&ui, &resources});
  ASSERT_TRUE(robot.Start()) << "last error " << robot.LastError();

  // The key as the handlers build it here: the system's button texts where
  // it has them (Wine has none), its question icon.
  SystemClock clock;
  const Text question = u"¿El ítem 21 tiene certificado de origen?";
  {
    query::QueryConnection probe({&ui, &resources}, nullptr, clock);
    const Text no = probe.GetButtonText(7, query::kDefaultNo);
    const Text yes = probe.GetButtonText(6, query::kDefaultYes);
    ui.Run([&] {
      profile.SetAnswer(query::YesNoKey(yes, no, probe.IconValue(0x24), question),
                        u"4|class CPressButton|class CNullInteraction|class CNullInteraction|"
                        u"class CNullInteraction|");
      profile.SetAnswer(query::DataInputKey(u"Año de fabricación"),
                        u"5|class CPutText|<>2019 \\x7c \\xe9poca|class CPressButton|"
                        u"class CNullInteraction|class CNullInteraction|class CNullInteraction|");
    });
  }

  tarifex::CProtorobot client(windows, {robot.Port(), nullptr});
  ASSERT_TRUE(client.IsBatchProcess(host.form()));
  ASSERT_EQ(client.ObtainCurrentItem(host.form()), 21);
  std::int32_t answer = 0;
  EXPECT_TRUE(client.PreguntaSiNo(host.form(), tarifex::ToAnsi(question), "Pregunta del tarifex",
                                  0x24, answer));
  EXPECT_EQ(answer, 6);
  std::string value;
  EXPECT_TRUE(client.PreguntaTexto(host.form(), tarifex::ToAnsi(u"Año de fabricación"), value));
  EXPECT_EQ(value, tarifex::ToAnsi(u"2019 | época"));
  // Without a stored answer: none, and the control asks its user.
  EXPECT_FALSE(client.MensajeAlDespachante(host.form(), "Aviso", "Mensaje al declarante", 0x40));
  EXPECT_EQ(ui.Lookups().size(), 3u);

  robot.Stop();
  EXPECT_FALSE(client.PreguntaSiNo(host.form(), tarifex::ToAnsi(question), "", 0x24, answer));
}

TEST_F(QueryWineTest, StopOnTheWindowThreadWhileALookupIsSentToIt) {
  WindowThreadUi ui(&profile);
  query::CDirectRobot robot(query::QueryServerOptions{0, nullptr});
  robot.SetContext({&ui, &resources});
  ASSERT_TRUE(robot.Start());

  // The window thread, busy with a task, sees the lookup arrive in its queue
  // and then stops the service, as the main frame does when it closes.
  double stop_seconds = -1;
  auto stopped = ui.Post([&] {
    for (int i = 0; i < 10000 && (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0; ++i) {
      ::Sleep(1);
    }
    const auto start = std::chrono::steady_clock::now();
    robot.Stop();
    stop_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  });
  tarifex::CProtorobot client(windows, {robot.Port(), nullptr});
  std::int32_t answer = 0;
  EXPECT_FALSE(client.PreguntaSiNo(host.form(), "¿Seguir?", "Pregunta del tarifex", 0x24, answer));
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(30)), std::future_status::ready)
      << "Stop and the lookup wait for each other";
  std::printf("[ timing ] Stop on the window thread with a lookup sent to it: %.3f s\n",
              stop_seconds);
  EXPECT_TRUE(ui.Lookups().empty());  // answered "Stopping" without a lookup
}

TEST_F(QueryWineTest, MessageBoxResourcesAreTheSystems) {
  for (const int id : {win::kIdiHand, win::kIdiQuestion, win::kIdiExclamation, win::kIdiAsterisk}) {
    EXPECT_EQ(resources.LoadSystemIcon(id), win32::FromHicon(::LoadIconW(nullptr, MAKEINTRESOURCEW(id))));
    EXPECT_NE(resources.LoadSystemIcon(id), 0u);
  }
  // Wine's user32 has no MB_GetString: the keys then carry the defaults.
  const bool has_export = resources.LoadMB_GetString();
  std::printf("[ info ] MB_GetString is %s\n", has_export ? "there" : "not there");
  if (!has_export) {
    EXPECT_FALSE(resources.MB_GetString(0));
    SystemClock clock;
    query::QueryConnection robot({nullptr, &resources}, nullptr, clock);
    EXPECT_EQ(robot.GetButtonText(1, query::kDefaultAccept), u"Aceptar");
    EXPECT_EQ(robot.GetButtonText(6, query::kDefaultYes), u"&Sí");
    EXPECT_EQ(robot.GetButtonText(7, query::kDefaultNo), u"&No");
  } else {
    EXPECT_TRUE(resources.MB_GetString(0));
  }
}

}  // namespace
}  // namespace korvex
