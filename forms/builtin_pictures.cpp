#include "forms/builtin_pictures.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ktr::forms {
namespace {

constexpr std::uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) |
         (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

int Mix(int from, int to, int step, int steps) { return from + (to - from) * step / steps; }

ui::Bitmap Filled(int width, int height, std::uint32_t colour) {
  ui::Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.assign(static_cast<std::size_t>(width) * height, colour);
  return bitmap;
}

void FillRect(ui::Bitmap& bitmap, int left, int top, int width, int height, std::uint32_t colour) {
  for (int y = top; y < top + height && y < bitmap.height; ++y) {
    for (int x = left; x < left + width && x < bitmap.width; ++x) {
      bitmap.pixels[static_cast<std::size_t>(y) * bitmap.width + x] = colour;
    }
  }
}

// A deep blue vertical gradient with a light band where the entries sit and a
// frame around the content panel, so the bare window still reads as a menu.
ui::Bitmap DrawBackground() {
  ui::Bitmap bitmap = Filled(660, 337, 0);
  for (int y = 0; y < bitmap.height; ++y) {
    std::uint32_t colour = Rgb(Mix(18, 40, y, bitmap.height), Mix(42, 92, y, bitmap.height),
                               Mix(96, 160, y, bitmap.height));
    FillRect(bitmap, 0, y, bitmap.width, 1, colour);
  }
  FillRect(bitmap, 0, 96, 660, 2, Rgb(240, 180, 40));
  FillRect(bitmap, 420, 126, 208, 200, Rgb(226, 234, 244));
  FillRect(bitmap, 40, 136, 366, 151, Rgb(226, 234, 244));
  FillRect(bitmap, 44, 140, 358, 143, Rgb(250, 252, 255));
  return bitmap;
}

ui::Bitmap DrawEntry(int tag) {
  const bool exit = tag == 6;
  ui::Bitmap bitmap = Filled(exit ? 67 : 172, exit ? 28 : 24, 0);
  for (int y = 0; y < bitmap.height; ++y) {
    FillRect(bitmap, 0, y, bitmap.width, 1,
             exit ? Rgb(Mix(190, 150, y, bitmap.height), 60, 50)
                  : Rgb(Mix(70, 30, y, bitmap.height), Mix(120, 80, y, bitmap.height),
                        Mix(200, 160, y, bitmap.height)));
  }
  // A marker per entry, so that the entries can be told apart without text.
  const std::uint32_t marker = Rgb(240, 180, 40);
  for (int i = 0; i < (exit ? 1 : tag); ++i) FillRect(bitmap, 8 + i * 7, 9, 4, 6, marker);
  return bitmap;
}

// The blank buttons under the caption labels: a plain vertical gradient.
ui::Bitmap BlankButton(int width, int height) {
  ui::Bitmap bitmap = Filled(width, height, 0);
  for (int y = 0; y < height; ++y) {
    FillRect(bitmap, 0, y, width, 1,
             Rgb(Mix(92, 52, y, height), Mix(132, 92, y, height), Mix(204, 164, y, height)));
  }
  return bitmap;
}

ui::Bitmap DrawNoticePicture() {
  const std::uint32_t teal = Rgb(0, 128, 128);
  ui::Bitmap bitmap = Filled(32, 32, teal);
  const std::uint32_t hair = Rgb(0, 0, 0);
  const std::uint32_t face = Rgb(255, 255, 192);
  const std::uint32_t body = Rgb(0, 0, 255);
  // Shoulders and upper body: a wide rounded block at the bottom.
  for (int y = 20; y < 32; ++y) {
    const int inset = y < 23 ? 23 - y + 4 : 4;
    FillRect(bitmap, inset, y, 32 - 2 * inset, 1, body);
  }
  // Head: a face with hair over its top and sides.
  for (int y = 4; y < 19; ++y) {
    const int half = y < 7 ? 3 + (y - 4) * 2 : (y > 15 ? 7 - (y - 15) : 7);
    FillRect(bitmap, 16 - half, y, 2 * half, 1, y < 8 ? hair : face);
  }
  FillRect(bitmap, 9, 8, 2, 5, hair);
  FillRect(bitmap, 21, 8, 2, 5, hair);
  FillRect(bitmap, 13, 11, 2, 2, hair);  // eyes
  FillRect(bitmap, 18, 11, 2, 2, hair);
  FillRect(bitmap, 14, 19, 4, 1, face);  // neck
  return bitmap;
}

// Each picture is drawn once, on first use, and shared.
template <auto Draw, auto... kArguments>
const ui::Picture& Once() {
  static const ui::Picture picture = std::make_shared<const ui::Bitmap>(Draw(kArguments...));
  return picture;
}

const ui::Picture& Entry(int tag) {
  static const std::array<ui::Picture, 7> pictures = [] {
    std::array<ui::Picture, 7> drawn;
    for (int t = 1; t < 7; ++t) {
      drawn[static_cast<std::size_t>(t)] = std::make_shared<const ui::Bitmap>(DrawEntry(t));
    }
    return drawn;
  }();
  return pictures.at(static_cast<std::size_t>(tag));
}

}  // namespace

void SetBuiltinBackground(ui::Image& image) { image.set_picture(660, 337, Once<DrawBackground>); }

void SetBuiltinEntry(ui::Image& image, int tag) {
  const bool exit = tag == 6;
  image.set_picture(exit ? 67 : 172, exit ? 28 : 24, [tag] { return Entry(tag); });
}

void SetBuiltinLongButton(ui::Image& image) {
  image.set_picture(172, 24, Once<BlankButton, 172, 24>);
}

void SetBuiltinShortButton(ui::Image& image) {
  image.set_picture(67, 28, Once<BlankButton, 67, 28>);
}

void SetBuiltinNoticePicture(ui::Image& image) {
  image.set_picture(32, 32, Once<DrawNoticePicture>);
}

}  // namespace ktr::forms
