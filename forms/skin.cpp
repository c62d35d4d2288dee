#include "forms/skin.h"

#include <algorithm>
#include <stdexcept>

#include "medium/medium.h"
#include "platform/errors.h"

namespace ktr::forms {

void LoadSkinPicture(const Host& host, const std::string& launch_folder, ui::Image& image,
                     std::string_view file) {
  image.set_picture(image.form().application().picture_files().load(
      host.files, medium::SkinFile(host.profile, launch_folder, file)));
}

void HoverLatch::add(LatchEntry entry) {
  if (entry.tag < 1 || entry.tag > kMaxEntries || this->entry(entry.tag)) {
    throw std::logic_error("an entry's Tag must be unique and within the latch");
  }
  entries_.push_back(entry);
}

const LatchEntry* HoverLatch::entry(int tag) const {
  for (const LatchEntry& e : entries_) {
    if (e.tag == tag) return &e;
  }
  return nullptr;
}

void HoverLatch::reset() {
  any_ = false;
  highlighted_.fill(false);
  current_ = 0;
  by_keyboard_ = false;
  pending_.clear();
}

void HoverLatch::entry_mouse_move(int tag) {
  if (any_) return;
  const LatchEntry* e = entry(tag);
  if (!e) return;
  try {
    if (!highlighted_.at(tag)) {
      policy_.ShowPicture(*e->image, e->active);
      policy_.FirstHighlighted(*e);
      highlighted_[tag] = true;
    }
    policy_.Highlighted(*e);
  } catch (const InvalidGraphic&) {
    policy_.HighlightBroken(*e);
  }
  any_ = true;
  current_ = tag;
  by_keyboard_ = false;
}

void HoverLatch::background_mouse_move() {
  policy_.BackgroundCrossed();
  if (!any_) return;
  try {
    for (const LatchEntry& e : entries_) {
      if (!highlighted_.at(e.tag)) continue;
      policy_.ShowPicture(*e.image, e.normal);
      highlighted_[e.tag] = false;
    }
    policy_.Restored();
  } catch (const InvalidGraphic&) {
    policy_.RestoreBroken();
  }
  any_ = false;
  by_keyboard_ = false;
}

void HoverLatch::step(bool forward) {
  std::vector<const LatchEntry*> order;
  for (const LatchEntry& e : entries_) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(), [](const LatchEntry* a, const LatchEntry* b) {
    const ui::Rect& x = a->image->bounds();
    const ui::Rect& y = b->image->bounds();
    return x.top != y.top ? x.top < y.top : x.left < y.left;
  });
  const int count = static_cast<int>(order.size());
  int at = forward ? -1 : count;
  if (any_) {
    for (int i = 0; i < count; ++i) {
      if (order[static_cast<std::size_t>(i)]->tag == current_) at = i;
    }
  }
  for (int tries = 0; tries < count; ++tries) {
    at = ((forward ? at + 1 : at - 1) % count + count) % count;
    const LatchEntry& next = *order[static_cast<std::size_t>(at)];
    if (!next.image->enabled() || !next.image->visible()) continue;
    background_mouse_move();
    entry_mouse_move(next.tag);
    by_keyboard_ = true;
    return;
  }
}

void HoverLatch::key_down(ui::Key key, bool shift) {
  switch (key) {
    case ui::Key::kTab:
      perform(shift ? Action::kPrevious : Action::kNext);
      break;
    case ui::Key::kRight:
    case ui::Key::kDown:
      perform(Action::kNext);
      break;
    case ui::Key::kLeft:
    case ui::Key::kUp:
      perform(Action::kPrevious);
      break;
    case ui::Key::kReturn:
    case ui::Key::kSpace:
      perform(Action::kPress);
      break;
    default:
      break;
  }
}

void HoverLatch::perform(Action action) {
  pending_.push_back(action);
  if (stepping_) return;
  stepping_ = true;
  try {
    while (!pending_.empty()) {
      const Action next = pending_.front();
      pending_.pop_front();
      if (next == Action::kPress) {
        // The click may run a whole installation; keys pressed meanwhile
        // are the user's next moves, not part of this step.
        stepping_ = false;
        const LatchEntry* e = keyboard_entry();
        if (e && e->image->enabled() && e->image->visible()) e->image->click();
        stepping_ = true;
      } else {
        step(next == Action::kNext);
      }
    }
  } catch (...) {
    stepping_ = false;
    pending_.clear();
    throw;
  }
  stepping_ = false;
}

const LatchEntry* HoverLatch::keyboard_entry() const {
  return any_ && by_keyboard_ ? entry(current_) : nullptr;
}

const LatchEntry* HoverLatch::pointer_entry() const {
  return any_ && !by_keyboard_ ? entry(current_) : nullptr;
}

void HoverLatch::pointer_moved() {
  if (keyboard_entry()) background_mouse_move();
}

}  // namespace ktr::forms
