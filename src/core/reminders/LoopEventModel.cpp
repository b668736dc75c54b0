#include "reminders/LoopEventModel.h"

namespace kelbrin::reminders {

LoopEventModel::LoopEventModel(EventItems& items) : items_(items) {
  items_.SetDefaults();
  LoadEventConfig();
}

void LoopEventModel::LoadEventConfig() {
  items_.LoadEventConfig();
  SyncEventChecks(SyncDirection::ItemsToBoxes);
}

void LoopEventModel::FormShow() { LoadEventConfig(); }

void LoopEventModel::Ok() {
  SyncEventChecks(SyncDirection::BoxesToItems);
  items_.SaveEventConfig();
}

void LoopEventModel::Cancel() { SyncEventChecks(SyncDirection::ItemsToBoxes); }

void LoopEventModel::Reset() {
  items_.SetDefaults();
  SyncEventChecks(SyncDirection::ItemsToBoxes);
}

void LoopEventModel::SetWindows(int kind, bool checked) { MutableChecks(kind).windows = checked; }

void LoopEventModel::SetLoudspeaker(int kind, bool checked) {
  MutableChecks(kind).loudspeaker = checked;
}

const EventChecks& LoopEventModel::Checks(int kind) const {
  return boxes_.at(static_cast<std::size_t>(kind));
}

EventChecks& LoopEventModel::MutableChecks(int kind) {
  return boxes_.at(static_cast<std::size_t>(kind));
}

void LoopEventModel::SyncEventChecks(SyncDirection direction) {
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    TEventItem& item = items_[kind];
    EventChecks& box = MutableChecks(kind);
    if (direction == SyncDirection::ItemsToBoxes) {
      box.loudspeaker = item.sound;
      box.windows = item.popup || item.sound;
    } else {
      item.sound = box.loudspeaker;
      box.windows = box.windows || box.loudspeaker;
      item.popup = box.windows;
    }
  }
}

}  // namespace kelbrin::reminders
