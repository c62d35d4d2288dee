#pragma once
// What the backend's tests share: a backend whose message boxes are
// recorded instead of shown, forms built in the test, and pictures of what
// a form paints.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/win32/gdi.h"
#include "ui/win32/win32_backend.h"

namespace ktr::ui::win32::testing {

struct BoxCall {
  HWND owner_window;
  std::string text;
  std::string caption;
  unsigned style;
};

class RecordingBackend : public Win32Backend {
 public:
  int message_box(Form* owner, const std::string& text, const std::string& caption,
                  unsigned style) override;
  std::vector<BoxCall> boxes;
};

class TestForm : public Form {
 public:
  TestForm(Application& app, Form* owner, const char* class_name, BorderStyle border);
  const char* class_name() const override { return class_name_; }
  std::function<void(TestForm&)> on_create;
  std::function<void(Key, bool shift)> on_key;

 protected:
  void FormCreate() override;
  void KeyDown(Key key, bool shift) override {
    if (on_key) on_key(key, shift);
  }

 private:
  const char* class_name_;
};

// Where most tests start: a backend, its application and a shown main form.
struct Desk {
  Desk();
  RecordingBackend backend;
  Application app{backend};
  TestForm& main;
};

HWND WindowOf(const Form& form);

// The client area as the form paints it (through WM_PRINTCLIENT), 0xRRGGBB.
struct Snapshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
  }
  int count(std::uint32_t rgb, int left, int top, int right, int bottom) const;
  // Pixels within `tolerance` of a colour in every channel: antialiased
  // text has few pixels of exactly its colour in some fonts.
  int count_near(std::uint32_t rgb, int tolerance, int left, int top, int right, int bottom) const;
};
Snapshot TakeSnapshot(HWND window);
// What the window shows now, read back from it rather than drawn again.
Snapshot ShownSnapshot(HWND window);

// A system colour as 0xRRGGBB, the way a 32-bit DIB holds it.
std::uint32_t SysRgb(int index);
Bitmap SolidBitmap(int width, int height, std::uint32_t rgb);

// Sends input the way the system would queue it, then lets the backend
// dispatch it through its loop.
void PostClick(HWND window, int x, int y);
void Pump(Backend& backend);

}  // namespace ktr::ui::win32::testing
