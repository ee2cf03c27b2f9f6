// The robot's side of the session's dialog snapshot buffer
// (sentrel/dialog_snapshot.h): it creates the named mapping, says in its
// header which robot window it serves, and copies what the hook wrote there.
#pragma once

#include <windows.h>

#include <vector>

namespace korvex {

class DialogSnapshotBuffer {
 public:
  DialogSnapshotBuffer() = default;
  ~DialogSnapshotBuffer();
  DialogSnapshotBuffer(const DialogSnapshotBuffer&) = delete;
  DialogSnapshotBuffer& operator=(const DialogSnapshotBuffer&) = delete;

  // Creates (or opens, when another robot of the session made it) the
  // mapping and names robot as the window it serves; false when the mapping
  // cannot be had, and the robot then reads every dialog itself.
  bool Open(HWND robot);
  // Names robot in the header again (another robot of the session may have
  // taken the buffer meanwhile).
  void Claim(HWND robot);

  // The header and the records the hook wrote, copied while the hook was
  // not writing (the sequence even and unchanged across the copy); empty
  // when there is no buffer or the copy was not consistent.
  std::vector<unsigned char> Copy() const;

 private:
  HANDLE m_mapping = nullptr;
  unsigned char* m_view = nullptr;
};

}  // namespace korvex
