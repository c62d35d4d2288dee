// What a form paints: the button-face ground, pictures in stacking order,
// transparency, the bevel line and labels, read back pixel by pixel.
#include <algorithm>
#include <memory>

#include "ui/scale.h"
#include "ui/win32/painter.h"
#include "ui/win32/tests/check.h"
#include "ui/win32/tests/support.h"

namespace ktr::ui::win32::testing {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kTeal = 0x008080;

Image& AddImage(Form& form, const char* name, Rect bounds) {
  auto& image = form.add(std::make_unique<Image>(form, name, 0, bounds));
  image.auto_size = false;
  return image;
}

Label& AddLabel(Form& form, const char* name, Rect bounds, const char* caption) {
  return form.add(std::make_unique<Label>(form, name, 0, bounds, caption));
}

// Horizontal extent of the pixels of one colour inside an area.
std::pair<int, int> Columns(const Snapshot& shot, std::uint32_t rgb, const Rect& area) {
  int first = area.left + area.width;
  int last = -1;
  for (int y = area.top; y < area.top + area.height; ++y) {
    for (int x = area.left; x < area.left + area.width; ++x) {
      if (shot.at(x, y) == rgb) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
    }
  }
  return {first, last};
}

}  // namespace

TEST_CASE(pictures_are_drawn_in_stacking_order_clipped_and_unstretched) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  AddImage(form, "Large", {10, 10, 20, 20}).set_picture(SolidBitmap(40, 40, kGreen));
  AddImage(form, "Above", {20, 20, 10, 10}).set_picture(SolidBitmap(10, 10, kBlue));
  AddImage(form, "Small", {100, 10, 30, 30}).set_picture(SolidBitmap(5, 5, kRed));
  auto& hidden = AddImage(form, "Hidden", {200, 10, 10, 10});
  hidden.set_picture(SolidBitmap(10, 10, kRed));
  hidden.set_visible(false);
  auto& cleared = AddImage(form, "Cleared", {300, 10, 10, 10});
  cleared.set_picture(SolidBitmap(10, 10, kRed));
  cleared.clear();

  Snapshot shot = TakeSnapshot(WindowOf(form));
  const std::uint32_t face = SysRgb(COLOR_BTNFACE);
  CHECK_EQ(shot.at(0, 0), face);
  CHECK_EQ(shot.at(657, 333), face);
  CHECK_EQ(shot.at(10, 10), kGreen);
  CHECK_EQ(shot.at(29, 15), kGreen);
  CHECK_EQ(shot.at(30, 15), face);  // the 40-pixel picture is cut at the control's edge
  CHECK_EQ(shot.at(15, 30), face);
  CHECK_EQ(shot.at(25, 25), kBlue);  // the later control lies above
  CHECK_EQ(shot.at(104, 14), kRed);
  CHECK_EQ(shot.at(105, 14), face);  // not stretched to the 30-pixel control
  CHECK_EQ(shot.count(kRed, 200, 10, 210, 20), 0);
  CHECK_EQ(shot.count(kRed, 300, 10, 310, 20), 0);
}

TEST_CASE(transparent_picture_leaves_out_its_bottom_left_colour) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  AddImage(form, "Under", {0, 0, 100, 100}).set_picture(SolidBitmap(100, 100, kRed));
  Bitmap person = SolidBitmap(8, 8, kTeal);
  for (int y = 2; y < 6; ++y) {
    for (int x = 2; x < 6; ++x) person.pixels[static_cast<std::size_t>(y * 8 + x)] = 0xFF000000;
  }
  person.pixels[0] = 0xFF000000 | kBlue;  // top-left differs from the key colour
  auto& image = AddImage(form, "Person", {10, 10, 12, 12});
  image.transparent = true;
  image.set_picture(person);

  Snapshot shot = TakeSnapshot(WindowOf(form));
  CHECK_EQ(shot.at(10, 17), kRed);  // the bottom-left teal shows what lies under it
  CHECK_EQ(shot.at(11, 11), kRed);
  CHECK_EQ(shot.at(10, 10), kBlue);
  CHECK_EQ(shot.at(13, 13), 0x000000u);
  CHECK_EQ(shot.count(kTeal, 0, 0, 100, 100), 0);
  CHECK_EQ(shot.at(20, 20), kRed);  // beyond the 8-pixel picture
}

TEST_CASE(bevel_is_one_etched_line_along_its_top) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestDialog", BorderStyle::kDialog);
  form.add(std::make_unique<Bevel>(form, "Bevel1", 0, Rect{7, 60, 481, 2}));
  Snapshot shot = TakeSnapshot(WindowOf(form));
  const std::uint32_t shadow = SysRgb(COLOR_BTNSHADOW);
  const std::uint32_t light = SysRgb(COLOR_BTNHIGHLIGHT);
  const std::uint32_t face = SysRgb(COLOR_BTNFACE);
  CHECK_EQ(shot.count(shadow, 7, 60, 488, 61), 481);
  CHECK_EQ(shot.count(light, 7, 61, 488, 62), 481);
  CHECK_EQ(shot.at(6, 60), face);
  CHECK_EQ(shot.at(488, 61), face);
  CHECK_EQ(shot.at(100, 59), face);
  CHECK_EQ(shot.at(100, 62), face);
}

TEST_CASE(labels_draw_their_text_inside_their_bounds) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  form.set_font(backend.icon_title_font());
  AddImage(form, "Ground", {0, 0, 658, 334}).set_picture(SolidBitmap(658, 334, kGreen));
  const Rect left{20, 20, 300, 16};
  const Rect centred{20, 60, 300, 16};
  const Rect wrapped{20, 100, 60, 60};
  const Rect disabled{20, 200, 300, 16};
  const Rect opaque{20, 240, 300, 16};
  AddLabel(form, "Left", left, "Install");
  AddLabel(form, "Centred", centred, "Install").align = TextAlign::kCenter;
  AddLabel(form, "Wrapped", wrapped, "one two three four five six").word_wrap = true;
  AddLabel(form, "Clipped", {400, 20, 20, 16}, "a long caption cut at the edge");
  AddLabel(form, "Disabled", disabled, "Install").set_enabled(false);
  AddLabel(form, "Opaque", opaque, "").transparent = false;

  Snapshot shot = TakeSnapshot(WindowOf(form));
  const std::uint32_t ink = SysRgb(COLOR_WINDOWTEXT);
  CHECK(shot.count(ink, 20, 20, 320, 36) > 10);
  CHECK_EQ(shot.count(kGreen, 20, 20, 320, 36) > 0, true);  // transparent ground
  auto [left_first, left_last] = Columns(shot, ink, left);
  auto [centre_first, centre_last] = Columns(shot, ink, centred);
  CHECK(left_first < 30 && centre_first > 100);
  CHECK_EQ(centre_last - centre_first, left_last - left_first);
  CHECK(std::abs((centre_first + centre_last) / 2 - 170) <= 3);
  // Word wrap puts the words on several lines inside the box.
  CHECK(shot.count(ink, 20, 100, 80, 113) > 0);
  CHECK(shot.count(ink, 20, 113, 80, 160) > 0);
  CHECK_EQ(shot.count(ink, 80, 100, 200, 160), 0);
  CHECK_EQ(shot.count(ink, 420, 15, 658, 40), 0);  // clipped at the label's bounds
  // Disabled: etched in the highlight and shadow colours, no ordinary ink.
  CHECK_EQ(shot.count(ink, 20, 200, 321, 217), 0);
  CHECK(shot.count_near(SysRgb(COLOR_BTNSHADOW), 24, 20, 200, 320, 216) > 10);
  CHECK(shot.count_near(SysRgb(COLOR_BTNHIGHLIGHT), 24, 21, 201, 321, 217) > 5);
  CHECK_EQ(shot.count(SysRgb(COLOR_BTNFACE), 20, 240, 320, 256), 300 * 16);
}

TEST_CASE(repaint_follows_the_model) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  auto& image = AddImage(form, "Entry", {10, 10, 20, 20});
  image.set_picture(SolidBitmap(20, 20, kRed));
  form.show();
  Pump(backend);
  HWND window = WindowOf(form);
  RECT dirty;
  CHECK(!::GetUpdateRect(window, &dirty, FALSE));
  image.set_picture(SolidBitmap(20, 20, kBlue));
  CHECK(::GetUpdateRect(window, &dirty, FALSE));
  CHECK_EQ(dirty.left, 10L);
  CHECK_EQ(dirty.right, 30L);
  Pump(backend);
  CHECK(!::GetUpdateRect(window, &dirty, FALSE));
  CHECK_EQ(TakeSnapshot(window).at(15, 15), kBlue);
}

// What reaches the window: shown, it is painted whole (straight to the
// window, no ground under a background that covers it), a change goes on
// through the back buffer, and a change made while hidden is there when it
// is shown again.
TEST_CASE(a_shown_window_shows_the_model_and_every_change) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  const int width = form.client_width;
  const int height = form.client_height;
  AddImage(form, "Background", {0, 0, width, height})
      .set_picture(SolidBitmap(width, height, kGreen));
  auto& entry = AddImage(form, "Entry", {10, 10, 20, 20});
  entry.set_picture(SolidBitmap(20, 20, kRed));
  form.show();
  Pump(backend);
  HWND window = WindowOf(form);
  Snapshot shown = ShownSnapshot(window);
  CHECK_EQ(shown.count(kGreen, 0, 0, width, height), width * height - 400);
  CHECK_EQ(shown.count(kRed, 10, 10, 30, 30), 400);
  entry.set_picture(SolidBitmap(20, 20, kBlue));
  Pump(backend);
  CHECK_EQ(ShownSnapshot(window).count(kBlue, 10, 10, 30, 30), 400);
  form.hide();
  entry.set_picture(SolidBitmap(20, 20, kRed));
  form.show();
  Pump(backend);
  CHECK_EQ(ShownSnapshot(window).count(kRed, 10, 10, 30, 30), 400);
}

}  // namespace ktr::ui::win32::testing

namespace ktr::ui::win32::testing {

// At 200 % every picture and line lands at twice its layout place.
TEST_CASE(a_form_paints_at_the_display_scale) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  AddImage(form, "Entry", {10, 10, 20, 20}).set_picture(SolidBitmap(20, 20, kRed));
  form.add(std::make_unique<Bevel>(form, "Bevel1", 0, Rect{7, 60, 100, 2}));

  const Scale scale(192);
  ScaledPictures pictures;
  BackBuffer buffer(nullptr, 1316, 668);
  CHECK(buffer.valid());
  PaintForm(form, nullptr, buffer, {scale, &pictures});
  auto at = [&buffer](int x, int y) {
    return buffer.bits()[static_cast<std::size_t>(y) * buffer.width() + x] & 0xFFFFFFu;
  };
  const std::uint32_t face = SysRgb(COLOR_BTNFACE);
  CHECK_EQ(at(20, 20), kRed);
  CHECK_EQ(at(59, 59), kRed);
  CHECK_EQ(at(60, 40), face);
  CHECK_EQ(at(19, 40), face);
  CHECK_EQ(at(14, 120), SysRgb(COLOR_BTNSHADOW));
  CHECK_EQ(at(14, 121), SysRgb(COLOR_BTNSHADOW));
  CHECK_EQ(at(14, 122), SysRgb(COLOR_BTNHIGHLIGHT));
  CHECK_EQ(at(14, 124), face);
  CHECK_EQ(pictures.computed(), 1u);
  PaintForm(form, nullptr, buffer, {scale, &pictures});
  CHECK_EQ(pictures.computed(), 1u);  // the second paint reuses the copy
}

// Moved to a monitor of another scale, the window takes the frame the
// system suggests, paints at the new scale and hit-tests in its pixels.
TEST_CASE(a_window_rescales_when_its_monitor_scale_changes) {
  RecordingBackend backend;
  Application app(backend);
  auto& form = app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone);
  auto& entry = AddImage(form, "Entry", {10, 10, 20, 20});
  entry.set_picture(SolidBitmap(20, 20, kRed));
  int entered = 0;
  entry.on_mouse_move = [&entered](Control&) { ++entered; };
  form.show();
  Pump(backend);
  HWND window = WindowOf(form);
  RECT before;
  ::GetClientRect(window, &before);
  RECT suggested{0, 0, before.right * 2, before.bottom * 2};
  ::SendMessageA(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
  RECT after;
  ::GetClientRect(window, &after);
  CHECK_EQ(after.right, before.right * 2);
  Snapshot shot = TakeSnapshot(window);
  CHECK_EQ(shot.at(59, 59), kRed);
  CHECK_EQ(shot.at(60, 30), SysRgb(COLOR_BTNFACE));
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(58, 58));  // layout 29,29
  ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(25, 62));  // layout 12,31: below it
  Pump(backend);
  CHECK_EQ(entered, 1);
}

}  // namespace ktr::ui::win32::testing
