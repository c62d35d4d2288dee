#include "forms/skin.h"

#include "medium/medium.h"
#include "platform/errors.h"

namespace ktr::forms {

void LoadSkinPicture(const Host& host, const std::string& launch_folder, ui::Image& image,
                     std::string_view file) {
  image.set_picture(
      ui::LoadBitmapFile(host.files, medium::SkinFile(host.profile, launch_folder, file)));
}

HoverLatch::HoverLatch(const Host& host, const std::string& launch_folder)
    : host_(host), launch_folder_(launch_folder) {}

void HoverLatch::add(LatchEntry entry) { entries_.push_back(entry); }

const LatchEntry* HoverLatch::entry(int tag) const {
  for (const LatchEntry& e : entries_) {
    if (e.tag == tag) return &e;
  }
  return nullptr;
}

void HoverLatch::reset() {
  any_ = false;
  highlighted_.fill(false);
}

void HoverLatch::entry_mouse_move(int tag) {
  if (any_) return;
  const LatchEntry* e = entry(tag);
  if (!e) return;
  try {
    if (!highlighted_.at(tag)) {
      LoadSkinPicture(host_, launch_folder_, *e->image, e->active);
      if (hooks_.first_highlight) hooks_.first_highlight(*e);
      highlighted_[tag] = true;
    }
    if (hooks_.each_highlight) hooks_.each_highlight(*e);
  } catch (const InvalidGraphic&) {
    if (hooks_.invalid_on_highlight) hooks_.invalid_on_highlight(*e);
  }
  any_ = true;
}

void HoverLatch::background_mouse_move() {
  if (hooks_.background_always) hooks_.background_always();
  if (!any_) return;
  try {
    for (const LatchEntry& e : entries_) {
      if (!highlighted_.at(e.tag)) continue;
      LoadSkinPicture(host_, launch_folder_, *e.image, e.normal);
      highlighted_[e.tag] = false;
    }
    if (hooks_.restored) hooks_.restored();
  } catch (const InvalidGraphic&) {
    if (hooks_.invalid_on_restore) hooks_.invalid_on_restore();
  }
  if (hooks_.restore_finished) hooks_.restore_finished();
  any_ = false;
}

}  // namespace ktr::forms
