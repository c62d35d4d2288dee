#include "ui/win32/tests/support.h"

#include <cstdlib>

namespace ktr::ui::win32::testing {

int RecordingBackend::message_box(Form* owner, const std::string& text, const std::string& caption,
                                  unsigned style) {
  boxes.push_back({owner ? WindowOf(*owner) : nullptr, text, caption, style});
  return kIdOk;
}

TestForm::TestForm(Application& app, Form* owner, const char* class_name, BorderStyle border)
    : Form(app, owner), class_name_(class_name) {
  border_style = border;
  if (border == BorderStyle::kDialog) {
    client_width = 496;
    client_height = 304;
  }
}

void TestForm::FormCreate() {
  if (on_create) on_create(*this);
}

Desk::Desk() : main(app.create_form<TestForm>(nullptr, "TTestMain", BorderStyle::kNone)) {
  main.show();
}

HWND WindowOf(const Form& form) { return reinterpret_cast<HWND>(form.native_handle()); }

int Snapshot::count(std::uint32_t rgb, int left, int top, int right, int bottom) const {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) n += at(x, y) == rgb ? 1 : 0;
  }
  return n;
}

int Snapshot::count_near(std::uint32_t rgb, int tolerance, int left, int top, int right,
                         int bottom) const {
  auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      std::uint32_t c = at(x, y);
      bool close = true;
      for (int shift : {0, 8, 16})
        close = close && std::abs(channel(c, shift) - channel(rgb, shift)) <= tolerance;
      n += close ? 1 : 0;
    }
  }
  return n;
}

namespace {

// The client area as `draw` puts it into a 32-bit top-down DIB section.
template <typename Draw>
Snapshot Capture(HWND window, Draw draw) {
  RECT client;
  ::GetClientRect(window, &client);
  Snapshot shot;
  shot.width = client.right;
  shot.height = client.bottom;
  WindowDc screen(nullptr);
  MemoryDc dc(::CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    SelectScope selected(dc.get(), bitmap.get());
    draw(dc.get(), shot.width, shot.height);
    ::GdiFlush();
  }
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  shot.pixels.assign(pixels, pixels + static_cast<std::size_t>(shot.width) * shot.height);
  return shot;
}

}  // namespace

Snapshot TakeSnapshot(HWND window) {
  return Capture(window, [window](HDC dc, int, int) {
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  });
}

Snapshot ShownSnapshot(HWND window) {
  return Capture(window, [window](HDC dc, int width, int height) {
    WindowDc shown(window);
    ::BitBlt(dc, 0, 0, width, height, shown.get(), 0, 0, SRCCOPY);
  });
}

std::uint32_t SysRgb(int index) {
  COLORREF c = ::GetSysColor(index);
  return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

Bitmap SolidBitmap(int width, int height, std::uint32_t rgb) {
  Bitmap bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.assign(static_cast<std::size_t>(width) * height, 0xFF000000 | rgb);
  return bitmap;
}

void PostClick(HWND window, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  ::PostMessageA(window, WM_MOUSEMOVE, 0, at);
  ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(window, WM_LBUTTONUP, 0, at);
}

void Pump(Backend& backend) {
  // Posted messages first, then whatever their handling queued in turn.
  for (int i = 0; i < 3; ++i) backend.process_messages();
}

}  // namespace ktr::ui::win32::testing
