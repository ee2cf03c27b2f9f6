#include "robot/query/ui_thread_port.h"

namespace korvex::query {

bool RemoteQueryRecords::Answer(std::uintptr_t wparam, std::intptr_t lparam,
                                const std::function<void(RemoteQueryRecord&)>& lookup) {
  std::lock_guard lock(m_mutex);
  // Compared as a number: the lParam is turned into a pointer only once it
  // is known to be one of ours, registered under that generation.
  const auto* wanted = reinterpret_cast<const RemoteQueryRecord*>(lparam);
  const auto it = m_live.find(wanted);
  if (lparam == 0 || it == m_live.end() || it->second != wparam) return false;
  auto* record = const_cast<RemoteQueryRecord*>(wanted);
  if (m_stopping) {
    record->found = 0;
    record->error = Text(kErrorStopping);
    return true;
  }
  lookup(*record);
  return true;
}

void RemoteQueryRecords::SetStopping(bool stopping) {
  std::lock_guard lock(m_mutex);
  m_stopping = stopping;
}

std::uintptr_t RemoteQueryRecords::Register(RemoteQueryRecord* record) {
  std::lock_guard lock(m_mutex);
  if (++m_lastGeneration == 0) ++m_lastGeneration;  // 0 is no generation
  m_live[record] = m_lastGeneration;
  return m_lastGeneration;
}

void RemoteQueryRecords::Unregister(RemoteQueryRecord* record) {
  std::lock_guard lock(m_mutex);
  m_live.erase(record);
}

std::size_t RemoteQueryRecords::Count() const {
  std::lock_guard lock(m_mutex);
  return m_live.size();
}

}  // namespace korvex::query
