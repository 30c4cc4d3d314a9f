// The user's clipboard coming back after pastes that asked for it. One
// restore at most is pending in the process: a paste that comes while it
// waits, and finds its own earlier paste still on the clipboard, keeps the
// older saved contents and moves the restore after itself, so a run of
// pastes ends with what the user had before the first of them. Platform
// thread only; nothing here is locked.
#ifndef KESTRO_SERVICES_CLIPBOARD_RESTORE_H_
#define KESTRO_SERVICES_CLIPBOARD_RESTORE_H_

#include <cstdint>
#include <memory>

#include "paste_steps.h"
#include "window_system.h"

namespace kestro {

struct PendingClipboardRestore {
  WindowSystem* window_system = nullptr;
  // Null while nothing is pending.
  std::shared_ptr<const ClipboardSnapshot> snapshot;
  // The run's first save was given up: the user's clipboard is gone, and
  // what the clipboard holds is only kestro's own paste.
  bool unsaved = false;
  // The clipboard's sequence number right after the latest paste wrote it.
  std::uint32_t pasted_sequence = 0;
  // Tells a superseded timer from the one that counts.
  std::uint64_t generation = 0;
};

// The one instance of the process.
PendingClipboardRestore& ProcessClipboardRestore();

// True while a restore is pending, or the run's save was given up, and the
// clipboard still holds the paste that came last: the next paste must not
// save the clipboard again.
bool ClipboardRestoreOwed(WindowSystem& window_system);

// After a paste with `pasted_sequence` on the clipboard whose save was given
// up: the later pastes of its run restore nothing either.
void NoteClipboardUnsaved(WindowSystem& window_system, std::uint32_t pasted_sequence);

// After a paste with `pasted_sequence` on the clipboard: `saved` comes back
// in `delay_ms`; a null `saved` keeps the snapshot already pending, or,
// in a run whose save was given up, says that nothing comes back.
void ScheduleClipboardRestore(WindowSystem& window_system, std::shared_ptr<const ClipboardSnapshot> saved,
                              std::uint32_t pasted_sequence, std::uint32_t delay_ms);

// Forgets the pending restore: a later paste's text is meant to stay.
void CancelClipboardRestore();

// Carries out a pending restore now; for the process's normal exit.
void FinishPendingClipboardRestore();

}  // namespace kestro

#endif  // KESTRO_SERVICES_CLIPBOARD_RESTORE_H_
