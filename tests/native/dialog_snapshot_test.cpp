// The dialog snapshot the hook takes inside the host: what it writes of a
// dialog, that it never writes past its buffer whatever the dialog holds, and
// that the robot's reading of it never reads outside the copy it is given.
#include "sentrel/dialog_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvex::sentrel {
namespace {

// A host thread's windows, as the hook reads them.
struct FakeWindow {
  std::u16string class_name;
  std::u16string text;
  std::uint32_t style = 0x50000000u;
  std::int32_t id = 0;
  bool enabled = true;
  std::uint32_t icon = 0;
  std::vector<std::u16string> items;  // a list box's
  std::vector<std::uint32_t> children;
  std::optional<std::uint32_t> reported_length;  // WM_GETTEXTLENGTH when it is not the text's
  bool other_thread = false;  // a window of another thread of the host
};

struct FakeHost {
  std::map<std::uint32_t, FakeWindow> windows;
  std::map<std::uint32_t, std::uint32_t> parents;
  int sent = 0;  // messages the snapshot sent to the windows

  FakeWindow& Add(std::uint32_t window, std::uint32_t parent, FakeWindow w) {
    windows[window] = std::move(w);
    if (parent != 0) {
      windows[parent].children.push_back(window);
      parents[window] = parent;
    }
    return windows[window];
  }

  bool OwnThread(std::uint32_t window) { return windows.count(window) != 0 && !windows[window].other_thread; }
  std::uint32_t FirstChild(std::uint32_t window) {
    const auto& c = windows[window].children;
    return c.empty() ? 0 : c.front();
  }
  std::uint32_t NextSibling(std::uint32_t window) {
    const auto& c = windows[parents[window]].children;
    for (std::size_t i = 0; i + 1 < c.size(); ++i) {
      if (c[i] == window) return c[i + 1];
    }
    return 0;
  }
  std::uint32_t NextFrame(std::uint32_t parent, std::uint32_t after) {
    bool past = after == 0;
    for (std::uint32_t child : windows[parent].children) {
      if (past && windows[child].class_name == u"ThunderRT6Frame") return child;
      if (child == after) past = true;
    }
    return 0;
  }
  static std::uint32_t Copy(const std::u16string& from, char16_t* out, std::uint32_t capacity) {
    if (capacity == 0) return 0;
    const std::uint32_t n = std::min<std::uint32_t>(from.size(), capacity - 1);
    std::memcpy(out, from.data(), n * 2);
    out[n] = 0;
    return n;
  }
  std::uint32_t ClassName(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    return Copy(windows[w].class_name, out, capacity);
  }
  std::uint32_t Text(std::uint32_t w, char16_t* out, std::uint32_t capacity) {
    return Copy(windows[w].text, out, capacity);
  }
  std::uint32_t TextLength(std::uint32_t w) {
    ++sent;
    const FakeWindow& window = windows[w];
    return window.reported_length.value_or(static_cast<std::uint32_t>(window.text.size()));
  }
  std::uint32_t Style(std::uint32_t w) { return windows[w].style; }
  std::int32_t ControlId(std::uint32_t w) { return windows[w].id; }
  bool Enabled(std::uint32_t w) { return windows[w].enabled; }
  std::uint32_t StaticIcon(std::uint32_t w) {
    ++sent;
    return windows[w].icon;
  }
  std::int32_t ListCount(std::uint32_t w) {
    ++sent;
    return static_cast<std::int32_t>(windows[w].items.size());
  }
  std::int32_t ListTextLength(std::uint32_t w, std::int32_t i) {
    ++sent;
    return static_cast<std::int32_t>(windows[w].items.at(static_cast<std::size_t>(i)).size());
  }
  std::uint32_t ListText(std::uint32_t w, std::int32_t i, char16_t* out, std::uint32_t capacity) {
    ++sent;
    return Copy(windows[w].items.at(static_cast<std::size_t>(i)), out, capacity);
  }
};

constexpr std::uint32_t kValidation = 0x200;
constexpr std::uint32_t kDialog = 0x300;

// A message box of the host over a validation window with two progress
// frames, and the option dialog of the tariff control.
FakeHost MessageBoxHost() {
  FakeHost host;
  host.Add(kValidation, 0, {u"ThunderRT6FormDC", u"Validación Total de Items"});
  host.Add(0x210, kValidation, {u"ThunderRT6Frame", u"Otra cosa"});
  host.Add(0x220, kValidation, {u"ThunderRT6Frame", u"Declaración - Validando Item: 7"});
  host.Add(kDialog, 0, {u"#32770", u"Mensaje al declarante", 0x94C80000u});
  host.Add(0x301, kDialog, {u"Static", u"", 0x50000003u, 20, true, 0x10029});
  host.Add(0x302, kDialog, {u"Button", u"&Sí", 0x50010001u, 6});
  host.Add(0x303, kDialog, {u"Button", u"&No", 0x50010000u, 7, false});
  host.Add(0x304, kDialog, {u"Static", u"¿El item tiene certificado de origen?", 0x50002080u, 0xFFFF});
  return host;
}

std::u16string Str(const SnapshotText& t) {
  std::u16string s(t.size, u'\0');
  std::memcpy(s.data(), t.chars, t.size * 2);
  return s;
}

// What the robot reads back; it keeps the copy its texts point into.
struct Read {
  std::vector<unsigned char> buffer;
  SnapshotHeader header{};
  std::vector<SnapshotEntry> entries;
  std::vector<std::vector<std::u16string>> lists;
  bool failed = false;
};

Read ReadBack(std::vector<unsigned char> buffer) {
  Read read;
  read.buffer = std::move(buffer);
  SnapshotCursor cursor(read.buffer.data(), static_cast<std::uint32_t>(read.buffer.size()));
  read.header = cursor.header();
  SnapshotEntry entry;
  while (cursor.Next(entry)) {
    read.entries.push_back(entry);
    std::vector<std::u16string> items;
    const unsigned char* at = entry.list;
    SnapshotText item;
    for (std::int32_t i = 0; i < entry.window.list_count; ++i) {
      if (!SnapshotCursor::NextListItem(at, entry.list_end, item)) break;
      items.push_back(Str(item));
    }
    read.lists.push_back(items);
  }
  read.failed = cursor.Failed();
  return read;
}

std::vector<unsigned char> Take(FakeHost& host, std::uint32_t validation, std::uint32_t capacity,
                                bool* complete = nullptr) {
  std::vector<unsigned char> buffer(capacity + 64, 0xCD);
  if (capacity >= sizeof(SnapshotHeader)) {  // as the robot made the buffer
    auto* header = reinterpret_cast<SnapshotHeader*>(buffer.data());
    header->magic = kSnapshotMagic;
    header->version = kSnapshotVersion;
  }
  const bool done = WriteSnapshot(host, kDialog, validation, buffer.data(), capacity);
  if (complete != nullptr) *complete = done;
  // Nothing past the capacity was touched.
  for (std::size_t i = capacity; i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], 0xCD) << "written past the buffer at " << i << " of " << capacity;
  }
  buffer.resize(capacity);
  return buffer;
}

TEST(DialogSnapshotTest, RecordsTheDialogItsChildrenInOrderAndTheProgressFrames) {
  FakeHost host = MessageBoxHost();
  bool complete = false;
  const Read read = ReadBack(Take(host, kValidation, kSnapshotBytes, &complete));
  ASSERT_TRUE(complete);
  EXPECT_FALSE(read.failed);
  EXPECT_EQ(read.header.dialog, kDialog);
  EXPECT_EQ(read.header.complete, 1u);
  ASSERT_EQ(read.entries.size(), 7u);

  struct Expected {
    std::uint32_t hwnd, kind;
    std::u16string class_name, text;
    std::int32_t id;
    std::uint32_t enabled, icon;
  };
  const Expected expected[] = {
      {kDialog, kSnapshotDialog, u"#32770", u"Mensaje al declarante", 0, 1, 0},
      {0x301, kSnapshotChild, u"Static", u"", 20, 1, 0x10029},
      {0x302, kSnapshotChild, u"Button", u"&Sí", 6, 1, 0},
      {0x303, kSnapshotChild, u"Button", u"&No", 7, 0, 0},
      {0x304, kSnapshotChild, u"Static", u"¿El item tiene certificado de origen?", 0xFFFF, 1, 0},
      {0x210, kSnapshotFrame, u"ThunderRT6Frame", u"Otra cosa", 0, 1, 0},
      {0x220, kSnapshotFrame, u"ThunderRT6Frame", u"Declaración - Validando Item: 7", 0, 1, 0},
  };
  for (std::size_t i = 0; i < read.entries.size(); ++i) {
    SCOPED_TRACE("window " + std::to_string(i));
    const SnapshotEntry& e = read.entries[i];
    EXPECT_EQ(e.window.hwnd, expected[i].hwnd);
    EXPECT_EQ(e.window.kind, expected[i].kind);
    EXPECT_EQ(Str(e.class_name), expected[i].class_name);
    EXPECT_EQ(Str(e.text), expected[i].text);
    EXPECT_EQ(e.window.control_id, expected[i].id);
    EXPECT_EQ(e.window.enabled, expected[i].enabled);
    EXPECT_EQ(e.window.icon, expected[i].icon);
    EXPECT_EQ(e.window.list_count, -1);
    EXPECT_EQ(e.window.style, host.windows[expected[i].hwnd].style);
  }
}

TEST(DialogSnapshotTest, ListBoxItemsAndTextsAsAnotherProcessReadsThem) {
  FakeHost host;
  host.Add(kDialog, 0, {u"#32770", u"Selección de opciones"});
  FakeWindow list{u"ListBox", u"", 0x50A10001u, 1000};
  list.items = {u"Opción A", u"", u"Opción C con un texto bastante más largo"};
  host.Add(0x310, kDialog, list);
  // An edit whose WM_GETTEXTLENGTH reports less than its window text: the
  // snapshot keeps what another process's GetWindowTextW returns, no more.
  FakeWindow edit{u"Edit", u"12345678", 0x50810080u, 1001};
  edit.reported_length = 3;
  host.Add(0x311, kDialog, edit);
  const Read read = ReadBack(Take(host, 0, kSnapshotBytes));
  ASSERT_EQ(read.entries.size(), 3u);
  EXPECT_EQ(read.entries[1].window.list_count, 3);
  EXPECT_EQ(read.lists[1], (std::vector<std::u16string>{u"Opción A", u"",
                                                        u"Opción C con un texto bastante más largo"}));
  EXPECT_EQ(Str(read.entries[2].text), u"123");
}

TEST(DialogSnapshotTest, ABufferTooSmallOrADialogBeyondTheBoundsIsIncompleteAndNeverOverrun) {
  FakeHost base = MessageBoxHost();
  FakeWindow list{u"ListBox", u"", 0x50A10001u, 1000};
  for (int i = 0; i < 40; ++i) list.items.push_back(u"Opción número " + std::u16string(1, u'A' + i % 26));
  base.Add(0x305, kDialog, list);
  bool complete = false;
  const std::uint32_t full = static_cast<std::uint32_t>(
      sizeof(SnapshotHeader) + ReadBack(Take(base, kValidation, kSnapshotBytes, &complete)).header.bytes);
  ASSERT_TRUE(complete);
  // Below some capacity the snapshot is incomplete, from it on complete: the
  // reads need room for what they may write (a terminator, a progress
  // frame's fixed buffer) beyond what is kept.
  const std::uint32_t most = full + 2 * kSnapshotFrameChars + 8;
  std::uint32_t smallest = 0;
  for (std::uint32_t capacity = 0; capacity <= most; ++capacity) {
    FakeHost host = base;
    Take(host, kValidation, capacity, &complete);
    if (complete && smallest == 0) smallest = capacity;
    EXPECT_EQ(complete, smallest != 0) << "capacity " << capacity;
  }
  EXPECT_GE(smallest, full);

  // Dialogs beyond the bounds of a snapshot: left to the robot's own reading.
  struct Case {
    std::string name;
    std::size_t children;
    FakeWindow child;
  };
  FakeWindow many_items{u"ListBox", u""};
  many_items.items.assign(kSnapshotMaxListItems + 1, u"x");
  FakeWindow long_text{u"Static", std::u16string(kSnapshotBytes, u'y')};
  FakeWindow wrapping_length{u"Static", u"abcd"};
  wrapping_length.reported_length = 0xFFFFFFFFu;
  FakeWindow other_thread{u"Static", u"abcd"};
  other_thread.other_thread = true;
  const Case cases[] = {
      {"more windows than a snapshot holds", kSnapshotMaxWindows, FakeWindow{u"Static", u"abcd"}},
      {"more list items than a snapshot holds", 1, many_items},
      {"a text longer than the buffer", 1, long_text},
      {"a text length that no text can have", 1, wrapping_length},
      {"a control of another thread, which the hook never waits on", 1, other_thread},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    host.Add(kDialog, 0, {u"#32770", u"Aviso"});
    for (std::size_t i = 0; i < c.children; ++i) {
      host.Add(0x400 + static_cast<std::uint32_t>(i), kDialog, c.child);
    }
    Take(host, 0, kSnapshotBytes, &complete);
    EXPECT_FALSE(complete);
  }
}

TEST(DialogSnapshotTest, ADamagedBufferEndsTheReadingInsideTheCopy) {
  FakeHost host = MessageBoxHost();
  FakeWindow list{u"ListBox", u"", 0x50A10001u, 1000};
  list.items = {u"uno", u"dos", u"tres"};
  host.Add(0x305, kDialog, list);
  const std::vector<unsigned char> good = Take(host, kValidation, 4096);
  const std::uint32_t used =
      static_cast<std::uint32_t>(sizeof(SnapshotHeader)) + ReadBack(good).header.bytes;
  // Every byte of the used part set to values that break lengths and counts;
  // the copy handed to the cursor is exactly as long as the used part, so a
  // read outside it is caught by the address sanitizer.
  for (std::uint32_t at = 0; at < used; ++at) {
    for (unsigned char value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      std::vector<unsigned char> damaged(good.begin(), good.begin() + used);
      damaged[at] = value;
      const Read read = ReadBack(damaged);
      EXPECT_LE(read.entries.size(), 8u);
    }
  }
  // A buffer shorter than its header, or with another format, is not read.
  EXPECT_TRUE(ReadBack(std::vector<unsigned char>(good.begin(), good.begin() + 10)).failed);
  std::vector<unsigned char> other = good;
  other[4] = 2;  // version
  EXPECT_TRUE(ReadBack(other).failed);
}

}  // namespace
}  // namespace korvex::sentrel
