// The robot's user-interface thread as the query service sees it: the
// handlers hand each question's window key to that thread, which looks it up
// in the active profile and journals it, and wait for the outcome.
//
// The Win32 adapter sends RM_REMOTE_QUERY (robot/watcher/robot_messages.h) to the
// main frame with SendMessageW, the record's address in lParam; the main
// frame's OnRemoteQuery fills the record on its own thread.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_set>

#include "platform/text.h"

namespace korvex::query {

// The lookup handed to the user-interface thread.
struct RemoteQueryRecord {
  std::int32_t item = 0;  // the item number; the journal takes its low 16 bits
  Text key;               // the window key of the question
  Text response;          // out: the stored answer list for the key
  Text error;             // out: why nothing was found
  std::int32_t found = 0; // out: non-zero when a response was found
};

// What the user-interface thread answers, besides a stored answer list.
inline constexpr std::u16string_view kErrorNotDelivered = u"Error#1";  // the send failed
inline constexpr std::u16string_view kErrorBusy = u"Error#2";          // a modal dialog is open
inline constexpr std::u16string_view kErrorNoProfile = u"Error#3";     // no active profile
inline constexpr std::u16string_view kErrorNoData = u"No data";        // no entry for the key
// The service is stopping: the lookup is not made.
inline constexpr std::u16string_view kErrorStopping = u"Stopping";

// The records of the lookups in flight.  RM_REMOTE_QUERY carries a pointer
// in lParam, and any program on the desktop can send that message with any
// lParam: the user-interface thread uses an lParam only when it names a
// record that the query service registered here and has not yet taken back.
// The sending side registers its record before the send and unregisters it
// after (RegisteredRecord); the window procedure answers through Answer.
class RemoteQueryRecords {
 public:
  // Runs lookup(record) when lparam names a registered record, under the
  // table's lock, so that the record cannot be taken back meanwhile; while
  // the service stops, answers kErrorStopping without a lookup.  Returns
  // false, touching nothing, for any other lparam.
  bool Answer(std::intptr_t lparam, const std::function<void(RemoteQueryRecord&)>& lookup);

  // Set by the user-interface thread while it waits for the service's
  // threads to end (UiThreadPort::WaitWhileStopping).
  void SetStopping(bool stopping);

  void Register(RemoteQueryRecord* record);
  void Unregister(RemoteQueryRecord* record);
  std::size_t Count() const;

 private:
  mutable std::mutex m_mutex;
  std::unordered_set<const RemoteQueryRecord*> m_live;
  bool m_stopping = false;
};

// A record registered for the time of one send.
class RegisteredRecord {
 public:
  RegisteredRecord(RemoteQueryRecords& records, RemoteQueryRecord& record)
      : m_records(records), m_record(record) {
    m_records.Register(&m_record);
  }
  ~RegisteredRecord() { m_records.Unregister(&m_record); }
  RegisteredRecord(const RegisteredRecord&) = delete;
  RegisteredRecord& operator=(const RegisteredRecord&) = delete;

 private:
  RemoteQueryRecords& m_records;
  RemoteQueryRecord& m_record;
};

class UiThreadPort {
 public:
  virtual ~UiThreadPort() = default;

  // Runs the lookup on the user-interface thread and returns when that thread
  // has handled it: SendMessageW(main frame, RM_REMOTE_QUERY, 0, &record).
  // The result is the send's; 0 means the record was not handled.
  virtual std::intptr_t SendRemoteQuery(RemoteQueryRecord& record) = 0;

  // Waits until done() holds; the query service calls it while it stops,
  // on the thread that stops it, to wait for its connections to end.  A
  // connection may at that moment be inside SendRemoteQuery.  When the
  // waiting thread is the user-interface thread itself, the wait must go on
  // taking the lookups sent to it and answer each with kErrorStopping, found
  // 0, without looking anything up (Win32: MsgWaitForMultipleObjects with
  // QS_SENDMESSAGE, then PeekMessageW with PM_QS_SENDMESSAGE); otherwise the
  // connection and the stopping thread would wait for each other.  done()
  // may be polled: a few milliseconds between checks are fine.
  virtual void WaitWhileStopping(const std::function<bool()>& done) = 0;
};

}  // namespace korvex::query
