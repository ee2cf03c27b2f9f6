// The query service's way to the robot's user-interface thread: each
// lookup is sent to the main frame as RM_REMOTE_QUERY (0x402) with the
// record's address, registered for the time of the send so that the frame
// uses nothing else; while the service stops on that thread, the wait goes
// on taking the lookups sent to it and answers them "Stopping".
#pragma once

#include <windows.h>

#include <atomic>

#include "robot/query/ui_thread_port.h"

namespace korvex::win32 {

class Win32UiThreadPort final : public query::UiThreadPort {
 public:
  // A lookup the user-interface thread has not taken within this bound
  // fails ("Error#1"); the tariff control has given up on it by then.
  static constexpr UINT kSendTimeoutMs = 5000;

  explicit Win32UiThreadPort(query::RemoteQueryRecords& records) : m_records(records) {}

  // The main frame; its thread is the user-interface thread.
  void SetWindow(HWND frame);

  std::intptr_t SendRemoteQuery(query::RemoteQueryRecord& record) override;
  void WaitWhileStopping(const std::function<bool()>& done) override;

 private:
  query::RemoteQueryRecords& m_records;
  std::atomic<HWND> m_frame{nullptr};
  std::atomic<DWORD> m_threadId{0};
};

}  // namespace korvex::win32
