#pragma once
// The skinned windows' shared mechanics: pictures from the skin folder and
// the hover latch that keeps one highlight per crossing of the background.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

// Loads a skin picture into an image; RES_LANG is read anew for every file.
// Raises FileOpenError for a file that cannot be opened and InvalidGraphic
// for one that is no valid picture.
void LoadSkinPicture(const Host& host, const std::string& launch_folder, ui::Image& image,
                     std::string_view file);

// One entry of a skinned window: the image that reacts to the pointer, told
// apart from the others by its Tag.
struct LatchEntry {
  int tag = 0;
  ui::Image* image = nullptr;
  std::string_view normal;
  std::string_view active;
};

// What a window adds to the latch's fixed steps. Every hook is optional.
struct LatchHooks {
  // After the active picture of an entry that was not highlighted yet.
  std::function<void(const LatchEntry&)> first_highlight;
  // After every handled arrival on an entry, highlighted before or not.
  std::function<void(const LatchEntry&)> each_highlight;
  // An active picture was no valid picture.
  std::function<void(const LatchEntry&)> invalid_on_highlight;
  // Every movement over the background, before the latch is looked at.
  std::function<void()> background_always;
  // After the entries were restored.
  std::function<void()> restored;
  // A normal picture was no valid picture while restoring.
  std::function<void()> invalid_on_restore;
  // Last step of a restore, also after an invalid picture.
  std::function<void()> restore_finished;
};

// AnyHighlighted blocks every entry from the first handled arrival until the
// pointer is next handled over the background; EntryHighlighted records which
// entries show their active picture. Errors other than InvalidGraphic pass
// to the caller with the flags as they were, so the next movement retries.
class HoverLatch {
 public:
  static constexpr int kMaxEntries = 6;

  HoverLatch(const Host& host, const std::string& launch_folder);
  void set_hooks(LatchHooks hooks) { hooks_ = std::move(hooks); }
  void add(LatchEntry entry);
  const LatchEntry* entry(int tag) const;

  void entry_mouse_move(int tag);
  void background_mouse_move();

  bool AnyHighlighted() const { return any_; }
  bool EntryHighlighted(int tag) const { return highlighted_.at(tag); }
  void reset();

 private:
  Host host_;
  const std::string& launch_folder_;
  LatchHooks hooks_;
  std::vector<LatchEntry> entries_;
  bool any_ = false;
  std::array<bool, kMaxEntries + 1> highlighted_{};
};

}  // namespace ktr::forms
