#include "robot/capture/dialog_snapshot_reader.h"

#include <cstring>

#include "sentrel/dialog_snapshot.h"

namespace korvex {

namespace {

Text TextOf(const sentrel::SnapshotText& text) {
  Text out(text.size, u'\0');
  if (text.size != 0) std::memcpy(out.data(), text.chars, text.size * sizeof(char16_t));
  return out;
}

}  // namespace

Hwnd HandleFromSnapshot(std::uint32_t value) {
  return static_cast<Hwnd>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

std::optional<DialogRecording> ReadDialogSnapshot(const unsigned char* bytes, std::size_t size,
                                                  Hwnd dialog) {
  if (size > sentrel::kSnapshotBytes) size = sentrel::kSnapshotBytes;
  sentrel::SnapshotCursor cursor(bytes, static_cast<std::uint32_t>(size));
  if (cursor.Failed()) return std::nullopt;
  const sentrel::SnapshotHeader& header = cursor.header();
  if (header.complete != 1 || header.dialog == 0 || HandleFromSnapshot(header.dialog) != dialog) {
    return std::nullopt;
  }
  DialogRecording recording;
  recording.dialog = dialog;
  recording.taken_at = header.taken_at;
  recording.done_at = header.done_at;
  if (header.validation != 0) {
    recording.validation = HandleFromSnapshot(header.validation);
    recording.frame_class = sentrel::kSnapshotFrameClass;
    recording.frame_text_chars = static_cast<int>(sentrel::kSnapshotFrameChars);
  }
  // The dialog first, then its children, then the frames: any other order
  // is not a snapshot the hook wrote.
  std::uint32_t last_kind = sentrel::kSnapshotDialog;
  sentrel::SnapshotEntry entry;
  while (cursor.Next(entry)) {
    const std::uint32_t kind = entry.window.kind;
    const bool first = recording.windows.empty();
    if (first != (kind == sentrel::kSnapshotDialog) || kind < last_kind ||
        kind > sentrel::kSnapshotFrame) {
      return std::nullopt;
    }
    if (kind == sentrel::kSnapshotFrame && header.validation == 0) return std::nullopt;
    last_kind = kind;
    RecordedWindow window;
    window.window = HandleFromSnapshot(entry.window.hwnd);
    window.kind = kind == sentrel::kSnapshotDialog ? RecordedWindow::Kind::kDialog
                  : kind == sentrel::kSnapshotChild ? RecordedWindow::Kind::kChild
                                                    : RecordedWindow::Kind::kFrame;
    window.class_name = TextOf(entry.class_name);
    window.text = TextOf(entry.text);
    window.control_id = entry.window.control_id;
    window.enabled = entry.window.enabled != 0;
    window.icon = static_cast<IconHandle>(HandleFromSnapshot(entry.window.icon));
    window.list_count = entry.window.list_count < 0 ? -1 : entry.window.list_count;
    const unsigned char* at = entry.list;
    sentrel::SnapshotText item;
    for (std::int32_t i = 0; i < window.list_count; ++i) {
      if (!sentrel::SnapshotCursor::NextListItem(at, entry.list_end, item)) return std::nullopt;
      window.items.push_back(TextOf(item));
    }
    recording.windows.push_back(std::move(window));
  }
  if (cursor.Failed() || recording.windows.empty() ||
      recording.windows.size() != header.window_count || recording.windows.front().window != dialog) {
    return std::nullopt;
  }
  return recording;
}

}  // namespace korvex
