#include "robot/win32/dialog_snapshot_buffer.h"

#include <cstring>

#include "sentrel/dialog_snapshot.h"

namespace korvex {

namespace {

using sentrel::SnapshotHeader;

SnapshotHeader* HeaderOf(unsigned char* view) { return reinterpret_cast<SnapshotHeader*>(view); }

}  // namespace

DialogSnapshotBuffer::~DialogSnapshotBuffer() {
  if (m_view != nullptr) ::UnmapViewOfFile(m_view);
  if (m_mapping != nullptr) ::CloseHandle(m_mapping);
}

bool DialogSnapshotBuffer::Open(HWND robot) {
  if (m_view == nullptr) {
    m_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     sentrel::kSnapshotBytes,
                                     reinterpret_cast<LPCWSTR>(sentrel::kSnapshotMappingName));
    if (m_mapping == nullptr) return false;
    m_view = static_cast<unsigned char*>(
        ::MapViewOfFile(m_mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sentrel::kSnapshotBytes));
    if (m_view == nullptr) {
      ::CloseHandle(m_mapping);
      m_mapping = nullptr;
      return false;
    }
  }
  SnapshotHeader* header = HeaderOf(m_view);
  header->magic = sentrel::kSnapshotMagic;
  header->version = sentrel::kSnapshotVersion;
  Claim(robot);
  return true;
}

void DialogSnapshotBuffer::Claim(HWND robot) {
  if (m_view == nullptr) return;
  __atomic_store_n(&HeaderOf(m_view)->robot_window, static_cast<std::uint32_t>(HandleToLong(robot)),
                   __ATOMIC_RELEASE);
}

std::vector<unsigned char> DialogSnapshotBuffer::Copy() const {
  if (m_view == nullptr) return {};
  SnapshotHeader* header = HeaderOf(m_view);
  const std::uint32_t before = __atomic_load_n(&header->sequence, __ATOMIC_ACQUIRE);
  if ((before & 1u) != 0) return {};
  std::uint32_t bytes = __atomic_load_n(&header->bytes, __ATOMIC_RELAXED);
  if (bytes > sentrel::kSnapshotBytes - sizeof(SnapshotHeader)) {
    bytes = sentrel::kSnapshotBytes - sizeof(SnapshotHeader);
  }
  std::vector<unsigned char> copy(sizeof(SnapshotHeader) + bytes);
  std::memcpy(copy.data(), m_view, copy.size());
  __atomic_thread_fence(__ATOMIC_ACQUIRE);
  const std::uint32_t after = __atomic_load_n(&header->sequence, __ATOMIC_RELAXED);
  if (after != before) return {};
  // The header copied may still say more bytes than were copied if it was
  // read before the count; the reader checks every length against the copy.
  return copy;
}

}  // namespace korvex
