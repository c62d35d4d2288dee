#include "ui/win32/painter.h"

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

namespace ktr::ui::win32 {
namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFF;

RECT RectOf(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

void FillSysColour(HDC dc, const RECT& area, int colour) {
  ::FillRect(dc, &area, ::GetSysColorBrush(colour));
}

BITMAPINFO TopDownInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Not stretched: the picture sits at the control's top-left corner and what
// lies outside the control is cut off.
void DrawOpaque(const Rect& b, const Bitmap& picture, const Canvas& canvas) {
  SavedDc saved(canvas.dc);
  ::IntersectClipRect(canvas.dc, b.left, b.top, b.left + b.width, b.top + b.height);
  BITMAPINFO info = TopDownInfo(picture.width, picture.height);
  ::SetDIBitsToDevice(canvas.dc, b.left, b.top, picture.width, picture.height, 0, 0, 0,
                      picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS);
}

// The colour of the bottom-left pixel is left out, so the form shows through.
void DrawTransparent(const Rect& b, const Bitmap& picture, const Canvas& canvas) {
  if (!canvas.bits) return;  // NeedsBackBuffer keeps such a form off other canvases
  const std::uint32_t key = picture.at(0, picture.height - 1) & kColourMask;
  const int x0 = std::max(b.left, 0);
  const int y0 = std::max(b.top, 0);
  const int x1 = std::min({b.left + b.width, b.left + picture.width, canvas.width});
  const int y1 = std::min({b.top + b.height, b.top + picture.height, canvas.height});
  ::GdiFlush();
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = canvas.bits + static_cast<std::size_t>(y) * canvas.width;
    for (int x = x0; x < x1; ++x) {
      std::uint32_t pixel = picture.at(x - b.left, y - b.top) & kColourMask;
      if (pixel != key) row[x] = pixel;
    }
  }
}

bool Drawable(const Picture& picture) {
  return picture && picture->width > 0 && picture->height > 0 &&
         picture->pixels.size() >= static_cast<std::size_t>(picture->width) * picture->height;
}

}  // namespace

std::pair<int, int> ShownPart(const Image& image, const Bitmap& picture) {
  const Rect& b = image.bounds();
  const Form& form = image.form();
  return {std::min({picture.width, b.width, form.client_width - b.left}),
          std::min({picture.height, b.height, form.client_height - b.top})};
}

namespace {

void DrawImage(const Image& image, const Canvas& canvas, const PaintScale& at) {
  const auto& picture = image.picture();
  if (!Drawable(picture)) return;
  const Bitmap* shown = &*picture;
  std::optional<Bitmap> uncached;
  if (!at.scale.unit()) {
    const auto [width, height] = ShownPart(image, *picture);
    if (width <= 0 || height <= 0) return;
    // A transparent picture keeps its exact colours, or the key would not
    // match the blended pixels along its edges. A copy that finds no memory
    // is left out of this paint; the window heard of it when the picture was
    // set, and an error box on every repaint would help nobody.
    try {
      if (at.pictures) {
        shown = &at.pictures->get(picture, at.scale, image.transparent, width, height);
      } else {
        uncached = ScaleBitmap(*picture, at.scale, image.transparent);
        shown = &*uncached;
      }
    } catch (const std::bad_alloc&) {
      return;
    }
  }
  const Rect bounds = at.scale.px(image.bounds());
  if (image.transparent) {
    DrawTransparent(bounds, *shown, canvas);
  } else {
    DrawOpaque(bounds, *shown, canvas);
  }
}

// An opaque picture that fills the whole canvas (a skin's background): the
// ground under it would only be painted over.
bool CoversCanvas(const Control& control, const Canvas& canvas, const Scale& scale) {
  if (!control.visible() || control.kind() != ControlKind::kImage) return false;
  const auto& image = static_cast<const Image&>(control);
  const auto& picture = image.picture();
  if (image.transparent || !Drawable(picture)) return false;
  const Rect layout = image.bounds();
  const Rect b = scale.px(layout);
  return picture->width >= layout.width && picture->height >= layout.height && b.left <= 0 &&
         b.top <= 0 && b.left + b.width >= canvas.width && b.top + b.height >= canvas.height;
}

void DrawLabel(const Label& label, HFONT font, HDC dc, const Scale& scale) {
  RECT area = RectOf(scale.px(label.bounds()));
  if (!label.transparent) FillSysColour(dc, area, COLOR_BTNFACE);
  if (label.caption().empty()) return;
  SelectScope selected(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  UINT flags = DT_EXPANDTABS | (label.align == TextAlign::kCenter ? DT_CENTER : DT_LEFT);
  if (label.word_wrap) flags |= DT_WORDBREAK;
  const std::string& text = label.caption();
  const int length = static_cast<int>(text.size());
  if (label.enabled()) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextA(dc, text.data(), length, &area, flags);
    return;
  }
  // The system's etched look for disabled text: a highlight copy one pixel
  // down and right, the shadow-coloured text over it.
  RECT offset = area;
  const int step = std::max(1, scale.px(1));
  ::OffsetRect(&offset, step, step);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
  ::DrawTextA(dc, text.data(), length, &offset, flags);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  ::DrawTextA(dc, text.data(), length, &area, flags);
}

// A lowered line along the top edge: shadow, then highlight under it.
void DrawBevel(const Bevel& bevel, HDC dc, const Scale& scale) {
  const Rect b = scale.px(bevel.bounds());
  const int line = std::max(1, scale.px(1));
  SavedDc saved(dc);
  ::IntersectClipRect(dc, b.left, b.top, b.left + b.width, b.top + b.height);
  FillSysColour(dc, {b.left, b.top, b.left + b.width, b.top + line}, COLOR_BTNSHADOW);
  FillSysColour(dc, {b.left, b.top + line, b.left + b.width, b.top + 2 * line}, COLOR_BTNHIGHLIGHT);
}

}  // namespace

BackBuffer::BackBuffer(HDC reference, int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  dc_.reset(::CreateCompatibleDC(reference));
  if (!dc_) return;
  BITMAPINFO info = TopDownInfo(width_, height_);
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) return;
  selection_.emplace(dc_.get(), bitmap_.get());
  bits_ = static_cast<std::uint32_t*>(bits);
}

bool NeedsBackBuffer(const Form& form) {
  return std::any_of(form.controls().begin(), form.controls().end(), [](const auto& control) {
    return control->visible() && control->kind() == ControlKind::kImage &&
           static_cast<const Image&>(*control).transparent;
  });
}

void PaintForm(const Form& form, HFONT font, const Canvas& canvas, const PaintScale& at) {
  HDC dc = canvas.dc;
  const auto& controls = form.controls();
  if (std::none_of(controls.begin(), controls.end(),
                   [&](const auto& c) { return CoversCanvas(*c, canvas, at.scale); })) {
    FillSysColour(dc, {0, 0, canvas.width, canvas.height}, COLOR_BTNFACE);
  }
  for (const auto& control : controls) {
    if (!control->visible()) continue;
    switch (control->kind()) {
      case ControlKind::kImage:
        DrawImage(static_cast<const Image&>(*control), canvas, at);
        break;
      case ControlKind::kLabel:
        DrawLabel(static_cast<const Label&>(*control), font, dc, at.scale);
        break;
      case ControlKind::kBevel:
        DrawBevel(static_cast<const Bevel&>(*control), dc, at.scale);
        break;
      case ControlKind::kMemo:
      case ControlKind::kButton:
        break;
    }
  }
  ::GdiFlush();
}

}  // namespace ktr::ui::win32
