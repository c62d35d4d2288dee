#pragma once
// Display scaling. The forms are laid out in pixels of a 96 DPI display; a
// backend on a scaled display multiplies every coordinate, font height and
// picture by the scale of the monitor a window is on, and divides the
// pointer's position back. At 96 DPI every function here is the identity.
#include <cstddef>
#include <cstdint>
#include <list>

#include "ui/bitmap.h"
#include "ui/toolkit.h"

namespace ktr::ui {

inline constexpr int kLayoutDpi = 96;

class Scale {
 public:
  Scale() = default;
  // Nonsense from the system (zero, negative) counts as 96.
  explicit Scale(int dpi) : dpi_(dpi > 0 ? dpi : kLayoutDpi) {}

  int dpi() const { return dpi_; }
  bool unit() const { return dpi_ == kLayoutDpi; }

  // A layout coordinate on the display, rounded to the nearest pixel.
  int px(int layout) const;
  // A rectangle through its edges, so that rectangles that touch in the
  // layout still touch on the display.
  Rect px(const Rect& layout) const;
  // A display pixel back to the layout coordinate it lies in.
  int layout(int display) const;
  // A font height in LOGFONT's sense (negative: character pixels), and a
  // display height back to the layout, both rounded to the nearest.
  int font_height(int layout_height) const;
  int layout_font_height(int display_height) const;

  friend bool operator==(const Scale&, const Scale&) = default;

 private:
  int dpi_ = kLayoutDpi;
};

// The picture at the scale: each pixel repeated at whole factors (200 %,
// 300 %), which keeps a skin's hard edges; a bilinear filter at fractional
// ones. `exact_colours` asks for the nearest source pixel everywhere, for a
// picture whose colour key must survive (a transparent image).
Bitmap ScaleBitmap(const Bitmap& source, const Scale& scale, bool exact_colours);

// Scaled copies of the pictures shown, each computed once per picture and
// scale. A picture is found by identity (the windows share decoded pictures,
// so a highlight change brings back the object it showed before) and else
// by content, for a picture decoded anew with the same pixels. Only the part
// of a picture that can be seen is scaled, and the copies kept hold at most
// a budget of bytes (the most recently used stay; the copy just made stays
// even when it alone is larger). Making a copy throws std::bad_alloc when
// its memory cannot be had.
class ScaledPictures {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;

  explicit ScaledPictures(std::size_t capacity = 48) : capacity_(capacity) {}

  // The top-left `shown_width` x `shown_height` layout pixels of the picture
  // at the scale (the whole picture when it is no larger).
  const Bitmap& get(const Picture& source, const Scale& scale, bool exact_colours,
                    int shown_width, int shown_height);
  const Bitmap& get(const Picture& source, const Scale& scale, bool exact_colours) {
    return get(source, scale, exact_colours, source->width, source->height);
  }
  void set_budget(std::size_t bytes);
  void clear();
  std::size_t size() const { return entries_.size(); }
  std::size_t bytes() const { return bytes_; }
  // How many copies were computed, for tests and benchmarks.
  std::size_t computed() const { return computed_; }

 private:
  struct Entry {
    int dpi;
    bool exact;
    int shown_width;
    int shown_height;
    Picture source;
    Bitmap scaled;
  };
  void trim();
  std::size_t capacity_;
  std::size_t budget_ = kDefaultBudget;
  std::size_t bytes_ = 0;
  std::size_t computed_ = 0;
  std::list<Entry> entries_;  // most recently used first
};

}  // namespace ktr::ui
