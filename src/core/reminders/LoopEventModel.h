#pragma once

#include <array>

#include "reminders/EventItems.h"

namespace kelbrin::reminders {

// The state of one row's "windows" and "loudspeaker" boxes in the "Reminder" dialog.
struct EventChecks {
  bool windows = false;
  bool loudspeaker = false;
};

enum class SyncDirection { BoxesToItems, ItemsToBoxes };

// The "Reminder" dialog without its widgets: the check boxes of the ten rows and the dialog's
// operations. The boxes are an edit copy of the items; only Ok commits them, and Cancel or the
// next show discard them. It lives for the whole run (created once at start-up); other parts
// read kind 8's "windows" box and kind 9's "loudspeaker" box from here. Controller's thread only.
class LoopEventModel {
 public:
  // Dialog creation: defaults, then the stored settings.
  explicit LoopEventModel(EventItems& items);

  // Before each show: the stored settings win over unsaved edits.
  void FormShow();
  // "Ok(&O)": boxes -> items, then the settings are stored. Throws settings::SettingsError when
  // they cannot be written (the items are updated all the same).
  void Ok();
  // "Cancel(&C)": the edits are discarded.
  void Cancel();
  // "Default(&R)": the defaults take effect at once in memory; stored only by Ok.
  void Reset();

  // A click on a box. The boxes do not react to each other until the edits are taken over.
  void SetWindows(int kind, bool checked);
  void SetLoudspeaker(int kind, bool checked);
  const EventChecks& Checks(int kind) const;

  // Items -> boxes: loudspeaker := sound, windows := popup or sound. Boxes -> items: sound :=
  // loudspeaker, popup := windows or loudspeaker (and the windows box follows). Sound therefore
  // always implies popup.
  void SyncEventChecks(SyncDirection direction);

 private:
  void LoadEventConfig();
  EventChecks& MutableChecks(int kind);

  EventItems& items_;
  std::array<EventChecks, kEventKindCount> boxes_{};
};

}  // namespace kelbrin::reminders
