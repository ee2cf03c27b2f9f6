// The hook's snapshot of a dialog of the in-memory desktop: the desktop read
// as the hook reads the host's own windows, written with the hook's own
// writer into a buffer like the session's.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "sentrel/dialog_snapshot.h"
#include "tests/fakes/fake_desktop.h"

namespace korvex::testing {

// The host's thread as the hook reads it: the desktop's own state, the way a
// window procedure of the host answers its own thread.
struct DesktopAsHost {
  FakeDesktop& desk;

  static std::uint32_t Id(Hwnd w) { return static_cast<std::uint32_t>(w); }
  const FakeDesktop::Window* Get(std::uint32_t w) {
    return desk.IsWindow(w) ? &desk.Get(static_cast<Hwnd>(w)) : nullptr;
  }
  static std::uint32_t Copy(const Text& from, char16_t* out, std::uint32_t capacity) {
    if (capacity == 0) return 0;
    const std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(from.size()), capacity - 1);
    std::memcpy(out, from.data(), n * sizeof(char16_t));
    out[n] = 0;
    return n;
  }
  bool OwnThread(std::uint32_t w) { return Get(w) != nullptr; }
  std::uint32_t FirstChild(std::uint32_t w) { return Id(desk.GetWindow(w, win::kGwChild)); }
  std::uint32_t NextSibling(std::uint32_t w) { return Id(desk.GetWindow(w, win::kGwHwndNext)); }
  std::uint32_t NextFrame(std::uint32_t parent, std::uint32_t after) {
    return Id(desk.FindWindowExW(parent, after, sentrel::kSnapshotFrameClass));
  }
  std::uint32_t ClassName(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    return Copy(Get(w)->props.class_name, out, capacity);
  }
  std::uint32_t Text(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    return Copy(Get(w)->props.text, out, capacity);
  }
  std::uint32_t TextLength(std::uint32_t w) { return static_cast<std::uint32_t>(Get(w)->props.text.size()); }
  std::uint32_t Style(std::uint32_t w) { return Get(w)->props.style; }
  std::int32_t ControlId(std::uint32_t w) { return Get(w)->props.control_id; }
  bool Enabled(std::uint32_t w) { return Get(w)->props.enabled; }
  std::uint32_t StaticIcon(std::uint32_t w) { return static_cast<std::uint32_t>(Get(w)->props.icon); }
  std::int32_t ListCount(std::uint32_t w) { return static_cast<std::int32_t>(Get(w)->props.items.size()); }
  std::int32_t ListTextLength(std::uint32_t w, std::int32_t i) {
    return static_cast<std::int32_t>(Get(w)->props.items.at(static_cast<std::size_t>(i)).size());
  }
  std::uint32_t ListText(std::uint32_t w, std::int32_t i, char16_t* out, std::uint32_t capacity) {
    return Copy(Get(w)->props.items.at(static_cast<std::size_t>(i)), out, capacity);
  }
};

// The hook's snapshot of the dialog, as the robot copies it out of the buffer.
inline std::vector<unsigned char> Snapshot(FakeDesktop& desk, Hwnd dialog, Hwnd validation) {
  std::vector<unsigned char> buffer(sentrel::kSnapshotBytes);
  auto* header = reinterpret_cast<sentrel::SnapshotHeader*>(buffer.data());
  header->magic = sentrel::kSnapshotMagic;
  header->version = sentrel::kSnapshotVersion;
  DesktopAsHost host{desk};
  sentrel::WriteSnapshot(host, static_cast<std::uint32_t>(dialog),
                         static_cast<std::uint32_t>(validation), buffer.data(),
                         static_cast<std::uint32_t>(buffer.size()));
  return buffer;
}

}  // namespace korvex::testing
