#include "tests/fakes/query_fakes.h"

namespace korvex::testing {

UiDispatcher::UiDispatcher() : m_thread([this] { Loop(); }) {}

UiDispatcher::~UiDispatcher() {
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

void UiDispatcher::Loop() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] {
      return m_quit || !m_tasks.empty() || (!m_held && !m_lookups.empty());
    });
    if (!m_tasks.empty()) {
      Task* task = m_tasks.front();
      m_tasks.pop_front();
      lock.unlock();
      (*task->run)();
      lock.lock();
      task->done = true;
      m_changed.notify_all();
    } else if (!m_held && !m_lookups.empty()) {
      Pending* pending = m_lookups.front();
      m_lookups.pop_front();
      m_taken.push_back({pending->record->item, pending->record->key});
      lock.unlock();
      Answer(*pending->record);
      lock.lock();
      pending->result = 1;
      pending->done = true;
      m_changed.notify_all();
    } else if (m_quit) {
      break;
    }
  }
  // Nobody takes what is left: not delivered.
  for (Pending* pending : m_lookups) pending->done = true;
  m_lookups.clear();
  m_changed.notify_all();
}

void UiDispatcher::Answer(query::RemoteQueryRecord& record) {
  m_robot.main.OnRemoteQuery(record);
}

void UiDispatcher::Run(const std::function<void()>& run) {
  Task task{&run};
  std::unique_lock lock(m_mutex);
  m_tasks.push_back(&task);
  m_changed.notify_all();
  m_changed.wait(lock, [&] { return task.done; });
}

void UiDispatcher::SetProfile(CProfile* profile) {
  Run([&] { m_robot.Activate(profile); });
}

void UiDispatcher::SetBusy(bool busy) {
  Run([&] { m_robot.main.SetBusy(busy); });
}

void UiDispatcher::Hold() {
  std::lock_guard lock(m_mutex);
  m_held = true;
}

void UiDispatcher::Release() {
  {
    std::lock_guard lock(m_mutex);
    m_held = false;
  }
  m_changed.notify_all();
}

bool UiDispatcher::WaitForWaitingLookups(std::size_t n, std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_mutex);
  return m_changed.wait_for(lock, timeout, [&] { return m_lookups.size() >= n; });
}

std::vector<UiDispatcher::Taken> UiDispatcher::TakenLookups() const {
  std::lock_guard lock(m_mutex);
  return m_taken;
}

void UiDispatcher::ForgetTakenLookups() {
  std::lock_guard lock(m_mutex);
  m_taken.clear();
}

std::intptr_t UiDispatcher::SendRemoteQuery(query::RemoteQueryRecord& record) {
  Pending pending{&record};
  std::unique_lock lock(m_mutex);
  if (m_quit) return 0;
  m_lookups.push_back(&pending);
  m_changed.notify_all();
  m_changed.wait(lock, [&] { return pending.done; });
  return pending.result;
}

void UiDispatcher::WaitWhileStopping(const std::function<bool()>& done) {
  const bool on_this_thread = std::this_thread::get_id() == m_thread.get_id();
  while (!done()) {
    std::unique_lock lock(m_mutex);
    if (on_this_thread) {
      // Whatever was sent meanwhile is answered at once, without a lookup,
      // held or not.
      while (!m_lookups.empty()) {
        Pending* pending = m_lookups.front();
        m_lookups.pop_front();
        pending->record->error = query::kErrorStopping;
        pending->result = 1;
        pending->done = true;
      }
      m_changed.notify_all();
    }
    m_changed.wait_for(lock, std::chrono::milliseconds(2));
  }
}

std::optional<Text> FakeMessageBoxResources::MB_GetString(unsigned index) {
  if (!has_export) return std::nullopt;
  const auto it = texts.find(index);
  if (it == texts.end()) return std::nullopt;
  return it->second;
}

}  // namespace korvex::testing
