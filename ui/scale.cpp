#include "ui/scale.h"

#include <algorithm>
#include <cstdint>

namespace ktr::ui {
namespace {

// Rounds half away from zero, as MulDiv does.
int MulDivRound(int value, int numerator, int denominator) {
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                        : -((-product + half) / denominator));
}

int FloorDiv(std::int64_t value, std::int64_t divisor) {
  std::int64_t q = value / divisor;
  if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) --q;
  return static_cast<int>(q);
}

// The nearest source pixel; at a whole factor that is each pixel repeated.
Bitmap Nearest(const Bitmap& source, int width, int height) {
  Bitmap out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const int sy = std::min(source.height - 1, static_cast<int>(std::int64_t{y} * source.height / height));
    for (int x = 0; x < width; ++x) {
      const int sx = std::min(source.width - 1, static_cast<int>(std::int64_t{x} * source.width / width));
      out.pixels[static_cast<std::size_t>(y) * width + x] = source.at(sx, sy);
    }
  }
  return out;
}

// Bilinear, sampling at pixel centres, in 8-bit fixed point.
Bitmap Bilinear(const Bitmap& source, int width, int height) {
  Bitmap out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * height);
  auto axis = [](int out_index, int out_size, int in_size, int& first, int& weight) {
    // Centre of the output pixel in source coordinates, times 256.
    const std::int64_t centre = ((2 * std::int64_t{out_index} + 1) * in_size * 256) / (2 * out_size) - 128;
    const std::int64_t clamped = std::clamp<std::int64_t>(centre, 0, std::int64_t{in_size - 1} * 256);
    first = static_cast<int>(clamped >> 8);
    weight = static_cast<int>(clamped & 0xFF);
    if (first >= in_size - 1) {
      first = in_size - 1;
      weight = 0;
    }
  };
  for (int y = 0; y < height; ++y) {
    int y0, wy;
    axis(y, height, source.height, y0, wy);
    const int y1 = std::min(y0 + 1, source.height - 1);
    for (int x = 0; x < width; ++x) {
      int x0, wx;
      axis(x, width, source.width, x0, wx);
      const int x1 = std::min(x0 + 1, source.width - 1);
      const std::uint32_t p00 = source.at(x0, y0), p10 = source.at(x1, y0);
      const std::uint32_t p01 = source.at(x0, y1), p11 = source.at(x1, y1);
      std::uint32_t pixel = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const int c00 = (p00 >> shift) & 0xFF, c10 = (p10 >> shift) & 0xFF;
        const int c01 = (p01 >> shift) & 0xFF, c11 = (p11 >> shift) & 0xFF;
        const int top = c00 * (256 - wx) + c10 * wx;
        const int bottom = c01 * (256 - wx) + c11 * wx;
        const int value = (top * (256 - wy) + bottom * wy + (1 << 15)) >> 16;
        pixel |= static_cast<std::uint32_t>(value) << shift;
      }
      out.pixels[static_cast<std::size_t>(y) * width + x] = pixel;
    }
  }
  return out;
}

}  // namespace

int Scale::px(int layout) const { return unit() ? layout : MulDivRound(layout, dpi_, kLayoutDpi); }

Rect Scale::px(const Rect& r) const {
  if (unit()) return r;
  const int left = px(r.left);
  const int top = px(r.top);
  return {left, top, px(r.left + r.width) - left, px(r.top + r.height) - top};
}

int Scale::layout(int display) const {
  return unit() ? display : FloorDiv(std::int64_t{display} * kLayoutDpi, dpi_);
}

int Scale::font_height(int layout_height) const { return px(layout_height); }

int Scale::layout_font_height(int display_height) const {
  return unit() ? display_height : MulDivRound(display_height, kLayoutDpi, dpi_);
}

Bitmap ScaleBitmap(const Bitmap& source, const Scale& scale, bool exact_colours) {
  if (scale.unit() || source.width <= 0 || source.height <= 0 ||
      source.pixels.size() < static_cast<std::size_t>(source.width) * source.height) {
    return source;
  }
  if (scale.dpi() % kLayoutDpi == 0) {
    const int factor = scale.dpi() / kLayoutDpi;
    return Nearest(source, source.width * factor, source.height * factor);
  }
  const int width = std::max(1, scale.px(source.width));
  const int height = std::max(1, scale.px(source.height));
  return exact_colours ? Nearest(source, width, height) : Bilinear(source, width, height);
}

namespace {

// The length of a side at the scale, as ScaleBitmap makes it.
std::int64_t ScaledLength(int length, const Scale& scale) {
  if (scale.unit()) return length;
  if (scale.dpi() % kLayoutDpi == 0) return std::int64_t{length} * (scale.dpi() / kLayoutDpi);
  return std::max(1, scale.px(length));
}

std::size_t BytesOf(const Bitmap& bitmap) { return bitmap.pixels.size() * sizeof(std::uint32_t); }

// The top-left part of a picture; the picture itself when that is all of it.
Bitmap Scaled(const Bitmap& source, const Scale& scale, bool exact_colours, int width,
              int height) {
  if (width >= source.width && height >= source.height) {
    return ScaleBitmap(source, scale, exact_colours);
  }
  Bitmap part;
  part.width = std::max(1, std::min(width, source.width));
  part.height = std::max(1, std::min(height, source.height));
  part.pixels.resize(static_cast<std::size_t>(part.width) * part.height);
  for (int y = 0; y < part.height; ++y) {
    const auto row = source.pixels.begin() + static_cast<std::ptrdiff_t>(y) * source.width;
    std::copy(row, row + part.width,
              part.pixels.begin() + static_cast<std::ptrdiff_t>(y) * part.width);
  }
  return ScaleBitmap(part, scale, exact_colours);
}

}  // namespace

const Bitmap& ScaledPictures::get(const Picture& source, const Scale& scale, bool exact_colours,
                                  int shown_width, int shown_height) {
  const int width = std::clamp(shown_width, 1, std::max(1, source->width));
  const int height = std::clamp(shown_height, 1, std::max(1, source->height));
  auto same_use = [&](const Entry& e) {
    return e.dpi == scale.dpi() && e.exact == exact_colours && e.shown_width == width &&
           e.shown_height == height;
  };
  auto hit = std::find_if(entries_.begin(), entries_.end(),
                          [&](const Entry& e) { return same_use(e) && e.source == source; });
  if (hit == entries_.end()) {
    // Pictures of one size usually differ early, where the comparison stops.
    hit = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
      return same_use(e) && e.source->width == source->width &&
             e.source->height == source->height && e.source->pixels == source->pixels;
    });
    // The newer object stands for the content from now on, so that it is
    // found by identity next time.
    if (hit != entries_.end()) hit->source = source;
  }
  if (hit != entries_.end()) {
    entries_.splice(entries_.begin(), entries_, hit);
    return entries_.front().scaled;
  }
  // The copies that the budget would drop anyway go first, so that the new
  // one does not have to find room beside them.
  const std::size_t needed = static_cast<std::size_t>(ScaledLength(width, scale)) *
                             static_cast<std::size_t>(ScaledLength(height, scale)) *
                             sizeof(std::uint32_t);
  while (!entries_.empty() && bytes_ + needed > budget_) {
    bytes_ -= BytesOf(entries_.back().scaled);
    entries_.pop_back();
  }
  Bitmap scaled = Scaled(*source, scale, exact_colours, width, height);
  ++computed_;
  bytes_ += BytesOf(scaled);
  entries_.push_front({scale.dpi(), exact_colours, width, height, source, std::move(scaled)});
  trim();
  return entries_.front().scaled;
}

void ScaledPictures::set_budget(std::size_t bytes) {
  budget_ = bytes;
  trim();
}

void ScaledPictures::clear() {
  entries_.clear();
  bytes_ = 0;
}

void ScaledPictures::trim() {
  while (entries_.size() > 1 && (entries_.size() > capacity_ || bytes_ > budget_)) {
    bytes_ -= BytesOf(entries_.back().scaled);
    entries_.pop_back();
  }
}

}  // namespace ktr::ui
