#pragma once
// The skinned windows' shared mechanics: pictures from the skin folder and
// the hover latch that keeps one highlight per crossing of the background,
// driven by the pointer and by the keyboard alike.
#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "forms/layout.h"
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
  Shows shows = {};
};

// What a window adds to the latch's fixed steps.
class LatchPolicy {
 public:
  // Loads a skin picture the way the window does (its launch folder, now).
  virtual void ShowPicture(ui::Image& image, std::string_view file) = 0;
  // The entry's active picture was just loaded: it was not highlighted yet.
  virtual void FirstHighlighted(const LatchEntry&) {}
  // Every handled arrival on an entry, highlighted before or not.
  virtual void Highlighted(const LatchEntry&) {}
  // The active picture, or what the window loaded, was no valid picture.
  virtual void HighlightBroken(const LatchEntry& entry) = 0;
  // Every movement over the background, before the latch is looked at.
  virtual void BackgroundCrossed() {}
  // The highlighted entries show their pictures at rest again.
  virtual void Restored() {}
  // A picture at rest, or what Restored loaded, was no valid picture.
  virtual void RestoreBroken() = 0;

 protected:
  ~LatchPolicy() = default;
};

// AnyHighlighted blocks every entry from the first handled arrival until the
// pointer is next handled over the background; EntryHighlighted records which
// entries show their active picture. Errors other than InvalidGraphic pass
// to the caller with the flags as they were, so the next movement retries.
//
// The keyboard moves the highlight the way the pointer would: off the
// current entry across the background, then onto the next one. It holds the
// highlight until the pointer moves.
class HoverLatch {
 public:
  static constexpr int kMaxEntries = 6;

  explicit HoverLatch(LatchPolicy& policy) : policy_(policy) {}
  HoverLatch(const HoverLatch&) = delete;
  HoverLatch& operator=(const HoverLatch&) = delete;

  // The entries of a window's table, by Tag.
  template <class F>
  void add_entries(const F& form, std::span<const ControlRow<F>> rows) {
    for (const ControlRow<F>* row : EntriesByTag(rows)) {
      add({row->tag, form.*row->image, row->normal, row->active, row->shows});
    }
  }
  const LatchEntry* entry(int tag) const;

  void entry_mouse_move(int tag);
  void background_mouse_move();

  // Tab, Shift+Tab and the arrows: the next (or previous) enabled entry in
  // screen order, top to bottom and left to right, round the end. Enter and
  // Space press the keyboard's entry as a click would; everything else,
  // Escape among them, does nothing.
  void key_down(ui::Key key, bool shift);
  // The entry the keyboard highlighted while it holds the highlight.
  const LatchEntry* keyboard_entry() const;
  // The entry the pointer highlighted, until it crosses the background.
  const LatchEntry* pointer_entry() const;
  // Whether the keyboard has the highlight, or is moving it right now.
  bool keyboard_holds() const { return stepping_ || keyboard_entry(); }
  // The pointer moved: a keyboard highlight goes as if the pointer had
  // crossed the background, and the pointer leads from here.
  void pointer_moved();

  bool AnyHighlighted() const { return any_; }
  bool EntryHighlighted(int tag) const { return highlighted_.at(tag); }
  void reset();

 private:
  enum class Action { kNext, kPrevious, kPress };
  void add(LatchEntry entry);
  void step(bool forward);
  void perform(Action action);

  LatchPolicy& policy_;
  std::vector<LatchEntry> entries_;
  bool any_ = false;
  std::array<bool, kMaxEntries + 1> highlighted_{};
  // The entry of the last handled arrival, and whether the keyboard made it.
  int current_ = 0;
  bool by_keyboard_ = false;
  // The windows serve their messages while a highlight is drawn, so keys can
  // arrive in the middle of a step; they wait for it, in order.
  bool stepping_ = false;
  std::deque<Action> pending_;
};

}  // namespace ktr::forms
