// The dialog snapshot: what the robot reads of a host dialog to recognise it,
// taken by the hook inside the host, on the host's own thread, at the moment
// the dialog is ready, and handed to the robot through a per-session shared
// buffer.  The robot then builds the dialog's key without waking the host's
// thread for every control; it checks the snapshot against the live window
// first and reads the live window itself when the snapshot is missing,
// incomplete or stale.
//
// Both deliverables include this header: the hook writes the buffer, the
// robot reads it.  Freestanding: it includes only <cstdint>, allocates
// nothing and calls no library, so the hook library keeps linking without
// any runtime.
//
// The buffer is a named file mapping in the session's own namespace
// ("Local\"), created by the robot (so it carries the robot user's access
// rights) and opened by the hook.  Layout, little-endian, every record
// aligned to 4 bytes:
//
//   SnapshotHeader
//   SnapshotWindow, class name, text          (window_count times)
//     then, for a list box, list_count times: uint32 chars, the item's text
//
// Texts are UTF-16 code units without a terminator, padded to 4 bytes.
// Window handles are kept as 32 bits, as handles are passed between 32-bit
// and 64-bit processes (HandleToLong / LongToHandle).
#pragma once

#include <cstdint>

namespace korvex::sentrel {

inline constexpr char16_t kSnapshotMappingName[] = u"Local\\KORVEX.DialogSnapshot";
inline constexpr std::uint32_t kSnapshotBytes = 64 * 1024;
inline constexpr std::uint32_t kSnapshotMagic = 0x5358564Bu;  // "KVXS"
inline constexpr std::uint32_t kSnapshotVersion = 1;

// Bounds of one snapshot: the hook never reads more than this of a dialog,
// whatever the dialog holds; a dialog beyond them is left to the robot's own
// reading (the snapshot says it is incomplete).
inline constexpr std::uint32_t kSnapshotMaxWindows = 96;
inline constexpr std::uint32_t kSnapshotMaxListItems = 512;
inline constexpr std::uint32_t kSnapshotClassChars = 256;  // the longest class name
// The robot reads the progress frames' captions with a buffer of this many
// characters; the snapshot keeps them the same way.
inline constexpr std::uint32_t kSnapshotFrameChars = 512;
// The class of the validation window's progress frames.
inline constexpr char16_t kSnapshotFrameClass[] = u"ThunderRT6Frame";

// What a window of the snapshot is.
enum SnapshotKind : std::uint32_t {
  kSnapshotDialog = 0,  // the dialog; always the first window
  kSnapshotChild = 1,   // a child of the dialog, in z-order (GW_CHILD, GW_HWNDNEXT)
  kSnapshotFrame = 2,   // a progress frame of the validation window, in search order
};

struct SnapshotHeader {
  std::uint32_t magic;
  std::uint32_t version;
  // Odd while the hook writes; the robot copies the buffer and takes it only
  // when the sequence was even and unchanged before and after the copy.
  std::uint32_t sequence;
  // The robot window that made the buffer; the hook takes a new buffer when
  // another robot has registered.
  std::uint32_t robot_window;
  std::uint32_t dialog;        // the dialog of the snapshot, 0 for none
  std::uint32_t complete;      // 1 when the whole dialog fit within the bounds
  std::uint32_t bytes;         // bytes of records after the header
  std::uint32_t window_count;  // windows recorded
  std::uint32_t validation;    // the validation window whose progress frames follow, or 0
  std::uint32_t reserved;
  std::uint64_t taken_at;      // performance counter when the hook began
  std::uint64_t done_at;       // and when it had written the snapshot
};

struct SnapshotWindow {
  std::uint32_t hwnd;
  std::uint32_t kind;        // SnapshotKind
  std::uint32_t style;       // GetWindowLongW(GWL_STYLE)
  std::int32_t control_id;   // GetDlgCtrlID
  std::uint32_t enabled;     // IsWindowEnabled, 0 or 1
  std::uint32_t icon;        // STM_GETICON of a "Static", else 0
  std::int32_t list_count;   // LB_GETCOUNT of a "ListBox", else -1
  std::uint32_t class_chars;
  std::uint32_t text_chars;
};

// Bytes of a text of `chars` code units, padded to 4.
constexpr std::uint32_t PaddedTextBytes(std::uint32_t chars) {
  return (chars * 2u + 3u) & ~3u;
}

// Case-insensitive equality of an ASCII class name with a UTF-16 text of
// known length.
inline bool ClassIs(const char16_t* name, std::uint32_t chars, const char* wanted) {
  std::uint32_t i = 0;
  for (; i < chars && wanted[i] != 0; ++i) {
    char16_t a = name[i];
    char16_t b = static_cast<char16_t>(static_cast<unsigned char>(wanted[i]));
    if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 0x20);
    if (b >= u'A' && b <= u'Z') b = static_cast<char16_t>(b + 0x20);
    if (a != b) return false;
  }
  return i == chars && wanted[i] == 0;
}

// Writes the snapshot of `dialog` (and the progress frames of `validation`,
// which may be 0) into `buffer`, reading the windows through `host`.  The
// host type supplies, for windows of the calling thread:
//
//   bool OwnThread(std::uint32_t window);
//       the window belongs to the calling thread: the messages the snapshot
//       sends it are then plain calls that cannot wait on another thread
//   std::uint32_t FirstChild(std::uint32_t window);        GetWindow GW_CHILD
//   std::uint32_t NextSibling(std::uint32_t window);       GetWindow GW_HWNDNEXT
//   std::uint32_t NextFrame(std::uint32_t parent, std::uint32_t after);
//                                   FindWindowExW(parent, after, "ThunderRT6Frame")
//   std::uint32_t ClassName(std::uint32_t window, char16_t* out, std::uint32_t capacity);
//   std::uint32_t Text(std::uint32_t window, char16_t* out, std::uint32_t capacity);
//       the window's text as GetWindowTextW reads it from another process
//       (InternalGetWindowText): at most capacity - 1 code units and a
//       terminator; returns the count
//   std::uint32_t TextLength(std::uint32_t window);
//       WM_GETTEXTLENGTH; 0 for a failure or a negative result
//   std::uint32_t Style(std::uint32_t window);
//   std::int32_t ControlId(std::uint32_t window);
//   bool Enabled(std::uint32_t window);
//   std::uint32_t StaticIcon(std::uint32_t window);        STM_GETICON
//   std::int32_t ListCount(std::uint32_t window);          LB_GETCOUNT
//   std::int32_t ListTextLength(std::uint32_t window, std::int32_t index);  LB_GETTEXTLEN
//   std::uint32_t ListText(std::uint32_t window, std::int32_t index, char16_t* out,
//                          std::uint32_t capacity);         LB_GETTEXT, the count written
//
// Never writes past buffer + capacity; leaves the header's sequence to the
// caller.  Returns true when the snapshot is complete.
template <class Host>
bool WriteSnapshot(Host& host, std::uint32_t dialog, std::uint32_t validation,
                   unsigned char* buffer, std::uint32_t capacity) {
  if (capacity < sizeof(SnapshotHeader)) return false;
  auto* header = reinterpret_cast<SnapshotHeader*>(buffer);
  header->dialog = dialog;
  header->validation = validation;
  header->complete = 0;
  header->bytes = 0;
  header->window_count = 0;

  std::uint32_t at = sizeof(SnapshotHeader);
  auto room = [&](std::uint32_t bytes) { return bytes <= capacity - at; };

  // One window: its record, class name and text; false when it did not fit.
  auto add = [&](std::uint32_t window, std::uint32_t kind, std::uint32_t text_capacity) -> bool {
    if (header->window_count >= kSnapshotMaxWindows) return false;
    if (!host.OwnThread(window)) return false;
    if (!room(sizeof(SnapshotWindow))) return false;
    auto* record = reinterpret_cast<SnapshotWindow*>(buffer + at);
    std::uint32_t next = at + sizeof(SnapshotWindow);

    // The class name, read into the buffer where it belongs.
    const std::uint32_t class_room = (capacity - next) / 2u;
    if (class_room == 0) return false;
    const std::uint32_t class_capacity =
        class_room < kSnapshotClassChars + 1 ? class_room : kSnapshotClassChars + 1;
    auto* class_name = reinterpret_cast<char16_t*>(buffer + next);
    std::uint32_t class_chars = host.ClassName(window, class_name, class_capacity);
    if (class_chars >= class_capacity) class_chars = class_capacity - 1;
    if (class_chars + 1 == class_capacity && class_capacity <= kSnapshotClassChars) return false;
    next += PaddedTextBytes(class_chars);
    if (next > capacity) return false;

    // The text: a frame's as the robot reads it with its fixed buffer, any
    // other window's whole text.
    std::uint32_t wanted = text_capacity;
    if (wanted == 0) {
      const std::uint32_t length = host.TextLength(window);
      wanted = length + 1;
      if (wanted == 0) return false;  // a length no text can have
    }
    // The read writes its terminator too.
    const std::uint32_t text_room = (capacity - next) / 2u;
    if (wanted > text_room) return false;
    auto* text = reinterpret_cast<char16_t*>(buffer + next);
    std::uint32_t text_chars = 0;
    if (wanted > 1) {
      text_chars = host.Text(window, text, wanted);
      if (text_chars >= wanted) text_chars = wanted - 1;
    }
    next += PaddedTextBytes(text_chars);
    if (next > capacity) return false;

    record->hwnd = window;
    record->kind = kind;
    record->style = host.Style(window);
    record->control_id = host.ControlId(window);
    record->enabled = host.Enabled(window) ? 1u : 0u;
    record->icon = 0;
    record->list_count = -1;
    record->class_chars = class_chars;
    record->text_chars = text_chars;
    if (kind == kSnapshotChild && ClassIs(class_name, class_chars, "Static")) {
      record->icon = host.StaticIcon(window);
    }
    if (kind == kSnapshotChild && ClassIs(class_name, class_chars, "ListBox")) {
      const std::int32_t count = host.ListCount(window);
      record->list_count = count;
      if (count > 0) {
        if (static_cast<std::uint32_t>(count) > kSnapshotMaxListItems) return false;
        for (std::int32_t i = 0; i < count; ++i) {
          if (capacity - next < 4) return false;
          auto* chars = reinterpret_cast<std::uint32_t*>(buffer + next);
          next += 4;
          const std::int32_t length = host.ListTextLength(window, i);
          std::uint32_t written = 0;
          if (length > 0) {
            const std::uint32_t item_room = (capacity - next) / 2u;
            // LB_GETTEXT writes the text and its terminator.
            if (static_cast<std::uint32_t>(length) + 1 > item_room) return false;
            written = host.ListText(window, i, reinterpret_cast<char16_t*>(buffer + next),
                                    static_cast<std::uint32_t>(length) + 1);
            if (written > static_cast<std::uint32_t>(length)) written = 0;
          }
          *chars = written;
          next += PaddedTextBytes(written);
          if (next > capacity) return false;
        }
      }
    }
    at = next;
    ++header->window_count;
    return true;
  };

  if (!add(dialog, kSnapshotDialog, 0)) return false;
  for (std::uint32_t child = host.FirstChild(dialog); child != 0; child = host.NextSibling(child)) {
    if (!add(child, kSnapshotChild, 0)) return false;
  }
  if (validation != 0) {
    for (std::uint32_t frame = host.NextFrame(validation, 0); frame != 0;
         frame = host.NextFrame(validation, frame)) {
      if (!add(frame, kSnapshotFrame, kSnapshotFrameChars)) return false;
    }
  }
  header->bytes = at - static_cast<std::uint32_t>(sizeof(SnapshotHeader));
  header->complete = 1;
  return true;
}

// --- reading -------------------------------------------------------------------
// The robot's side: walks a copy of the buffer, checking every length and
// offset against the copy's size, so a damaged or hostile buffer ends the
// walk (Failed()) instead of reading outside it.

struct SnapshotText {
  const char16_t* chars = nullptr;  // not terminated; may be unaligned for char16_t reads
  std::uint32_t size = 0;
};

struct SnapshotEntry {
  SnapshotWindow window{};
  SnapshotText class_name;
  SnapshotText text;
  const unsigned char* list = nullptr;  // the list items, for NextListItem
  const unsigned char* list_end = nullptr;
};

class SnapshotCursor {
 public:
  SnapshotCursor(const unsigned char* buffer, std::uint32_t size) {
    if (buffer == nullptr || size < sizeof(SnapshotHeader)) {
      m_failed = true;
      return;
    }
    __builtin_memcpy(&m_header, buffer, sizeof m_header);
    if (m_header.magic != kSnapshotMagic || m_header.version != kSnapshotVersion ||
        m_header.bytes > size - sizeof(SnapshotHeader) || m_header.window_count > kSnapshotMaxWindows) {
      m_failed = true;
      return;
    }
    m_at = buffer + sizeof(SnapshotHeader);
    m_end = m_at + m_header.bytes;
  }

  const SnapshotHeader& header() const { return m_header; }
  bool Failed() const { return m_failed; }

  // The next window, or false at the end (or when the buffer is damaged).
  bool Next(SnapshotEntry& entry) {
    if (m_failed || m_read == m_header.window_count) return false;
    if (static_cast<std::uint32_t>(m_end - m_at) < sizeof(SnapshotWindow)) return Fail();
    __builtin_memcpy(&entry.window, m_at, sizeof entry.window);
    const unsigned char* at = m_at + sizeof(SnapshotWindow);
    if (!TakeText(at, entry.window.class_chars, entry.class_name)) return Fail();
    if (!TakeText(at, entry.window.text_chars, entry.text)) return Fail();
    entry.list = at;
    if (entry.window.list_count > 0) {
      if (static_cast<std::uint32_t>(entry.window.list_count) > kSnapshotMaxListItems) return Fail();
      for (std::int32_t i = 0; i < entry.window.list_count; ++i) {
        if (m_end - at < 4) return Fail();
        std::uint32_t chars = 0;
        __builtin_memcpy(&chars, at, 4);
        at += 4;
        SnapshotText ignored;
        if (!TakeText(at, chars, ignored)) return Fail();
      }
    }
    entry.list_end = at;
    m_at = at;
    ++m_read;
    return true;
  }

  // The next item of an entry's list (checked already by Next).
  static bool NextListItem(const unsigned char*& at, const unsigned char* end, SnapshotText& item) {
    if (end - at < 4) return false;
    std::uint32_t chars = 0;
    __builtin_memcpy(&chars, at, 4);
    if (chars > static_cast<std::uint32_t>(end - at - 4) / 2u) return false;
    item.chars = reinterpret_cast<const char16_t*>(at + 4);
    item.size = chars;
    at += 4 + PaddedTextBytes(chars);
    return true;
  }

 private:
  bool Fail() {
    m_failed = true;
    return false;
  }
  bool TakeText(const unsigned char*& at, std::uint32_t chars, SnapshotText& text) const {
    if (chars > static_cast<std::uint32_t>(m_end - at) / 2u) return false;
    const std::uint32_t bytes = PaddedTextBytes(chars);
    if (bytes > static_cast<std::uint32_t>(m_end - at)) return false;
    text.chars = reinterpret_cast<const char16_t*>(at);
    text.size = chars;
    at += bytes;
    return true;
  }

  SnapshotHeader m_header{};
  const unsigned char* m_at = nullptr;
  const unsigned char* m_end = nullptr;
  std::uint32_t m_read = 0;
  bool m_failed = false;
};

}  // namespace korvex::sentrel
