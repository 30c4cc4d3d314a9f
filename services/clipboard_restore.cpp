#include "clipboard_restore.h"

#include <utility>

#include "kestro/platform/diagnostics.h"
#include "open_clipboard.h"

namespace kestro {

namespace {
// Puts the pending snapshot back unless someone else wrote the clipboard
// since the latest paste. The clipboard is owned by the process's own
// hidden window, since the window that pasted may be gone by now.
void RunPendingRestore() {
  PendingClipboardRestore& pending = ProcessClipboardRestore();
  if (pending.snapshot == nullptr) return;
  const std::shared_ptr<const ClipboardSnapshot> snapshot = std::move(pending.snapshot);
  pending.snapshot = nullptr;
  WindowSystem& window_system = *pending.window_system;
  if (window_system.GetClipboardSequenceNumber() != pending.pasted_sequence) {
    WriteDiagnosticLine(
        "Text insertion: the clipboard changed after the paste, so its earlier contents are not put back");
    return;
  }
  if (!RestoreClipboard(window_system, window_system.ClipboardWindow(), *snapshot, kClipboardOpenRetries)) {
    WriteDiagnosticLine("Warning: Text insertion: the clipboard's earlier contents could not be put back in full");
  }
}
}  // namespace

PendingClipboardRestore& ProcessClipboardRestore() {
  static PendingClipboardRestore pending;
  return pending;
}

bool ClipboardRestoreOwed(WindowSystem& window_system) {
  const PendingClipboardRestore& pending = ProcessClipboardRestore();
  return (pending.snapshot != nullptr || pending.unsaved) && pending.window_system == &window_system &&
         window_system.GetClipboardSequenceNumber() == pending.pasted_sequence;
}

void NoteClipboardUnsaved(WindowSystem& window_system, std::uint32_t pasted_sequence) {
  PendingClipboardRestore& pending = ProcessClipboardRestore();
  pending.snapshot = nullptr;
  pending.unsaved = true;
  pending.window_system = &window_system;
  pending.pasted_sequence = pasted_sequence;
  ++pending.generation;
}

void ScheduleClipboardRestore(WindowSystem& window_system, std::shared_ptr<const ClipboardSnapshot> saved,
                              std::uint32_t pasted_sequence, std::uint32_t delay_ms) {
  PendingClipboardRestore& pending = ProcessClipboardRestore();
  if (saved != nullptr) {
    pending.snapshot = std::move(saved);
    pending.unsaved = false;
  }
  pending.window_system = &window_system;
  pending.pasted_sequence = pasted_sequence;
  if (pending.snapshot == nullptr) {
    if (pending.unsaved) {
      WriteDiagnosticLine(
          "Warning: Text insertion: the clipboard held an earlier paste whose save was given up, so it will not be "
          "restored after this paste either");
    }
    return;
  }
  const std::uint64_t generation = ++pending.generation;
  const bool scheduled = window_system.SetTimer(delay_ms, [generation] {
    if (ProcessClipboardRestore().generation == generation) RunPendingRestore();
  });
  if (!scheduled) {
    pending.snapshot = nullptr;
    WriteDiagnosticLine("Text insertion: no timer to restore the clipboard; the paste stays on it");
  }
}

void CancelClipboardRestore() {
  ProcessClipboardRestore().snapshot = nullptr;
  ProcessClipboardRestore().unsaved = false;
}

void FinishPendingClipboardRestore() {
  ++ProcessClipboardRestore().generation;
  RunPendingRestore();
}

}  // namespace kestro
