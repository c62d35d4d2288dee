#include "ui/scale.h"

#include <gtest/gtest.h>

#include <set>

namespace ktr::ui {
namespace {

Bitmap Checker(int width, int height) {
  Bitmap b{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) b.pixels.push_back((x + y) % 2 ? 0xFF0000FFu : 0xFFFFFF00u);
  }
  return b;
}

TEST(ScaleTest, LayoutAndDisplayCoordinates) {
  struct Row {
    int dpi;
    Rect layout;
    Rect display;
  };
  for (const Row& row : {Row{96, {438, 199, 172, 24}, {438, 199, 172, 24}},
                         Row{192, {0, 0, 658, 334}, {0, 0, 1316, 668}},
                         Row{144, {0, 0, 658, 334}, {0, 0, 987, 501}},
                         Row{120, {439, 158, 172, 24}, {549, 198, 215, 30}}}) {
    const Scale scale(row.dpi);
    EXPECT_EQ(scale.px(row.layout), row.display) << row.dpi;
    // Every display pixel of a control maps back into that control, and
    // the pixel just past it does not.
    const Rect d = row.display;
    EXPECT_TRUE(row.layout.contains(scale.layout(d.left), scale.layout(d.top))) << row.dpi;
    EXPECT_TRUE(row.layout.contains(scale.layout(d.left + d.width - 1),
                                    scale.layout(d.top + d.height - 1)))
        << row.dpi;
    EXPECT_FALSE(row.layout.contains(scale.layout(d.left + d.width), scale.layout(d.top)))
        << row.dpi;
  }
  // Neighbours in the layout stay neighbours on the display.
  const Scale odd(144);
  const Rect a = odd.px(Rect{0, 0, 7, 7});
  const Rect b = odd.px(Rect{7, 0, 7, 7});
  EXPECT_EQ(a.left + a.width, b.left);
  EXPECT_EQ(Scale(0).dpi(), 96);
  EXPECT_EQ(Scale(192).font_height(-12), -24);
  EXPECT_EQ(Scale(144).layout_font_height(Scale(144).font_height(-11)), -11);
}

TEST(ScaleTest, WholeFactorsRepeatPixelsAndFractionsFilter) {
  const Bitmap source = Checker(5, 3);
  const Bitmap doubled = ScaleBitmap(source, Scale(192), false);
  ASSERT_EQ(doubled.width, 10);
  ASSERT_EQ(doubled.height, 6);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x) EXPECT_EQ(doubled.at(x, y), source.at(x / 2, y / 2));
  }
  EXPECT_EQ(ScaleBitmap(source, Scale(96), false).pixels, source.pixels);

  // At 150 % a flat picture stays flat, and a checkerboard gets blended
  // pixels unless its exact colours are asked for.
  Bitmap flat{4, 4, std::vector<std::uint32_t>(16, 0xFF336699u)};
  const Bitmap flat_scaled = ScaleBitmap(flat, Scale(144), false);
  EXPECT_EQ(flat_scaled.width, 6);
  EXPECT_EQ(std::set<std::uint32_t>(flat_scaled.pixels.begin(), flat_scaled.pixels.end()),
            std::set<std::uint32_t>{0xFF336699u});
  const Bitmap blended = ScaleBitmap(source, Scale(144), false);
  const Bitmap exact = ScaleBitmap(source, Scale(144), true);
  EXPECT_EQ(exact.width, 8);  // 7.5 rounded
  EXPECT_GT(std::set<std::uint32_t>(blended.pixels.begin(), blended.pixels.end()).size(), 2u);
  EXPECT_EQ(std::set<std::uint32_t>(exact.pixels.begin(), exact.pixels.end()),
            (std::set<std::uint32_t>{0xFF0000FFu, 0xFFFFFF00u}));
}

TEST(ScaleTest, ScaledCopiesAreKeptByIdentityAndContent) {
  ScaledPictures cache(2);
  const Scale twice(192);
  auto picture = [](Bitmap b) { return std::make_shared<const Bitmap>(std::move(b)); };
  const Picture first = picture(Checker(4, 4));
  const Bitmap& a = cache.get(first, twice, false);
  EXPECT_EQ(a.width, 8);
  EXPECT_EQ(&cache.get(first, twice, false), &a);
  // A picture decoded anew with the same pixels finds the same copy.
  cache.get(picture(Checker(4, 4)), twice, false);
  EXPECT_EQ(cache.computed(), 1u);
  cache.get(first, Scale(144), false);
  Bitmap changed = Checker(4, 4);
  changed.pixels[5] = 0xFF000000u;
  EXPECT_EQ(cache.get(picture(changed), twice, false).at(2, 2), 0xFF000000u);
  EXPECT_EQ(cache.computed(), 3u);
  EXPECT_EQ(cache.size(), 2u);  // the least recently used copy went
}

TEST(ScaleTest, ScaledCopiesScaleWhatCanBeSeenWithinTheirBudget) {
  ScaledPictures cache;
  const Scale five(480);
  auto picture = [](Bitmap b) { return std::make_shared<const Bitmap>(std::move(b)); };
  // Four times the window on each side: only the window's part is scaled.
  const Picture huge = picture(Checker(2632, 1336));
  const Bitmap& shown = cache.get(huge, five, false, 658, 334);
  EXPECT_EQ(shown.width, 658 * 5);
  EXPECT_EQ(shown.height, 334 * 5);
  EXPECT_EQ(shown.at(5, 0), huge->at(1, 0));
  const std::size_t one = cache.bytes();
  EXPECT_EQ(one, std::size_t{658} * 5 * 334 * 5 * 4);

  // The budget keeps the most recent copies and drops the others before a
  // new one is made; a copy larger than the budget still serves its paint.
  cache.set_budget(one + one / 2);
  cache.get(picture(Checker(658, 334)), five, true);
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_LE(cache.bytes(), one + one / 2);
  cache.set_budget(one / 4);
  EXPECT_EQ(cache.get(huge, five, false, 658, 334).width, 658 * 5);
  EXPECT_EQ(cache.size(), 1u);
  cache.clear();
  EXPECT_EQ(cache.bytes(), 0u);
}

}  // namespace
}  // namespace ktr::ui
