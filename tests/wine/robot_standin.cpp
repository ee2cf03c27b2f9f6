#include "tests/wine/robot_standin.h"

#include <atomic>
#include <future>
#include <thread>

#include "platform/win32/handles.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_window_system.h"
#include "robot/common/settings.h"
#include "robot/key/system_icons.h"
#include "robot/profiles/profile_repository.h"
#include "robot/query/query_server.h"
#include "robot/watcher/main_frame.h"
#include "robot/watcher/robot_messages.h"
#include "robot/win32/win32_message_box_resources.h"
#include "sentrel/notifications.h"
#include "tests/fakes/fixed_environment.h"
#include "tests/fakes/frame_fakes.h"
#include "tests/fakes/memory_registry.h"
#include "tests/fakes/scripted_user.h"

namespace korvex::wine_test {

namespace {

constexpr UINT kRunTask = WM_APP + 7;
constexpr wchar_t kClassName[] = L"KorvexRobotStandIn";
constexpr wchar_t kProfileName[] = L"Despachante";

}  // namespace

struct RobotStandIn::State final : public query::UiThreadPort {
  explicit State(std::uint16_t port) : service(query::QueryServerOptions{port, nullptr}) {}

  // --- the user-interface thread --------------------------------------------------------
  Win32WindowSystem ws;
  testing::MemoryRegistry registry;
  Settings settings{registry};
  FixedRegionalSettings regional;
  SystemClock clock;
  CVTIActions journal{ws, settings, regional, clock};
  CProfileRepository repository{registry};
  testing::FrameLog log;
  testing::RecordingTimers timers{log};
  testing::RecordingTray tray{log};
  testing::RecordingMascot mascot{log};
  testing::RecordingHook hook{log};
  testing::ScriptedFrameDialogs dialogs{log};
  testing::ScriptedUser user;
  testing::RecordingSound sound{log};
  testing::RecordingFollower follower;
  query::RemoteQueryRecords queries;
  std::unique_ptr<CMainFrame> frame;
  CProfile* profile = nullptr;
  HWND window = nullptr;
  DWORD thread_id = 0;
  std::atomic<bool> stopping{false};
  std::atomic<int> lookups{0};
  std::thread thread;

  // --- the service ------------------------------------------------------------------------
  win32::Win32MessageBoxResources resources;
  query::CDirectRobot service;

  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override {
    // The frame uses only the records registered for the time of the send.
    query::RegisteredRecord registered(queries, record);
    return ::SendMessageW(window, rm::kRemoteQuery, 0, reinterpret_cast<LPARAM>(&record));
  }

  void WaitWhileStopping(const std::function<bool()>& done) override {
    if (::GetCurrentThreadId() != thread_id) {
      while (!done()) ::Sleep(2);
      return;
    }
    stopping = true;
    while (!done()) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    stopping = false;
  }

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<State*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == kRunTask) {
      (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return 0;
    }
    if (self != nullptr && message == rm::kRemoteQuery && self->stopping) {
      reinterpret_cast<query::RemoteQueryRecord*>(lparam)->error = query::kErrorStopping;
      return 1;
    }
    if (self != nullptr && self->frame) {
      if (message == rm::kRemoteQuery) ++self->lookups;
      std::intptr_t result = 0;
      if (self->frame->HandleMessage(message, wparam, lparam, &result)) return result;
    }
    if (message == WM_CLOSE) {
      ::DestroyWindow(hwnd);
      ::PostQuitMessage(0);
      return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }

  void Loop(std::promise<void>& ready) {
    thread_id = ::GetCurrentThreadId();
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassW(&wc);  // a second stand-in finds it registered
    window = ::CreateWindowExW(0, kClassName, L"PILOTEK_MAIN_FRAME", 0, 0, 0, 0, 0,
                               HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    HWND slot = ::CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, window, nullptr,
                                  wc.hInstance, nullptr);
    SetSystemIcons(LoadSystemIcons(ws));
    profile = &repository.CreateProfile(win32::FromWide(kProfileName));
    frame = std::make_unique<CMainFrame>(
        CMainFrame::Ports{ws, hook, timers, tray, mascot, dialogs, user, sound, follower, queries},
        repository,
        journal, settings, win32::FromHwnd(window), win32::FromHwnd(slot));
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ready.set_value();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    frame->Shutdown();
    frame.reset();
  }
};

RobotStandIn::RobotStandIn(std::uint16_t port) : m_state(std::make_unique<State>(port)) {
  std::promise<void> ready;
  m_state->thread = std::thread([this, &ready] { m_state->Loop(ready); });
  ready.get_future().wait();
  m_state->service.SetContext({m_state.get(), &m_state->resources});
}

RobotStandIn::~RobotStandIn() {
  m_state->service.Stop();
  ::PostMessageW(m_state->window, WM_CLOSE, 0, 0);
  m_state->thread.join();
}

bool RobotStandIn::Start() { return m_state->service.Start(); }

std::uint16_t RobotStandIn::Port() const { return m_state->service.Port(); }

void RobotStandIn::Run(const std::function<void()>& task) {
  ::SendMessageW(m_state->window, kRunTask, 0, reinterpret_cast<LPARAM>(&task));
}

void RobotStandIn::ValidationStarted(HWND validation) {
  Run([&] {
    // The frame takes the notification only from the host it hooked: it
    // finds the host first, as its host watch does.
    m_state->frame->OnTimer(kHostWatchTimer);
    std::intptr_t result = 0;
    m_state->frame->HandleMessage(sentrel::kValidationStarted, win32::FromHwnd(validation), 0,
                                  &result);
    m_state->frame->ActivateProfile(m_state->profile);
  });
}

CProfile& RobotStandIn::Profile() { return *m_state->profile; }

const CVTIActions& RobotStandIn::Journal() const { return m_state->journal; }

int RobotStandIn::Lookups() const { return m_state->lookups; }

}  // namespace korvex::wine_test
