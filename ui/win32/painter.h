#pragma once
// Draws what a form shows on its own surface: the button-face ground and the
// graphic controls (image, label, bevel) in stacking order, into a back
// buffer that is then copied to the screen in one piece, so nothing flickers.
// A window that has only just been shown has nothing on the screen yet to
// flicker against; its first paint may go straight to the window.
// Native children (memo, button) draw themselves.
#include <cstdint>
#include <optional>
#include <utility>

#include "ui/scale.h"
#include "ui/toolkit.h"
#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

// Where a form is drawn: a device context of `width` x `height` pixels, and
// those pixels when they are ours to read and write (a back buffer).
struct Canvas {
  HDC dc = nullptr;
  int width = 0;
  int height = 0;
  std::uint32_t* bits = nullptr;
};

// A 32-bit top-down DIB section in a memory DC: GDI draws into it and the
// painter reads and writes its pixels directly.
class BackBuffer {
 public:
  BackBuffer(HDC reference, int width, int height);
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  bool valid() const { return bits_ != nullptr; }
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // Only after GdiFlush: GDI may still be drawing into it.
  std::uint32_t* bits() const { return bits_; }
  Canvas canvas() const { return {dc(), width_, height_, bits_}; }

 private:
  int width_;
  int height_;
  std::uint32_t* bits_ = nullptr;
  MemoryDc dc_;
  GdiObject bitmap_;
  std::optional<SelectScope> selection_;
};

// The form at a display scale: positions, pictures and lines scaled, the
// labels in `font`, which the caller has made at that scale. Scaled pictures
// come from and go to `pictures`.
struct PaintScale {
  Scale scale;
  ScaledPictures* pictures = nullptr;
};

void PaintForm(const Form& form, HFONT font, const Canvas& canvas, const PaintScale& at = {});
inline void PaintForm(const Form& form, HFONT font, BackBuffer& buffer, const PaintScale& at = {}) {
  PaintForm(form, font, buffer.canvas(), at);
}

// What of an image's picture can be seen, in layout pixels from its top-left
// corner: it is cut off at the control's edges and the window's.
std::pair<int, int> ShownPart(const Image& image, const Bitmap& picture);

// A transparent picture is keyed into pixels of ours: only without one can
// the form be drawn on a device context that is not a back buffer.
bool NeedsBackBuffer(const Form& form);

}  // namespace ktr::ui::win32
