#include "robot/win32/ui_thread_port.h"

#include "robot/watcher/robot_messages.h"

namespace korvex::win32 {

void Win32UiThreadPort::SetWindow(HWND frame) {
  m_frame = frame;
  m_threadId = ::GetWindowThreadProcessId(frame, nullptr);
}

std::intptr_t Win32UiThreadPort::SendRemoteQuery(query::RemoteQueryRecord& record) {
  const HWND frame = m_frame.load();
  if (frame == nullptr) return 0;
  // The record is the frame's to fill only while it is registered; a send
  // that times out leaves a message behind that finds it gone.
  query::RegisteredRecord registered(m_records, record);
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutW(frame, rm::kRemoteQuery, 0, reinterpret_cast<LPARAM>(&record),
                            SMTO_NORMAL, kSendTimeoutMs, &result) == 0) {
    return 0;
  }
  return static_cast<std::intptr_t>(result);
}

void Win32UiThreadPort::WaitWhileStopping(const std::function<bool()>& done) {
  if (::GetCurrentThreadId() != m_threadId.load()) {
    while (!done()) ::Sleep(2);
    return;
  }
  m_records.SetStopping(true);
  while (!done()) {
    // Wakes for a message sent to this thread; PeekMessageW delivers it to
    // the frame, which answers "Stopping".
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  m_records.SetStopping(false);
}

}  // namespace korvex::win32
