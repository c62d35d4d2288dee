// A look at the toolkit backend as a person sees it, for screenshots under
// Wine: a skinned borderless window with hover entries and labels in the
// system's language, a dialog-style form with an edit box and buttons, and
// a modal form opened from a modal form. Not part of the launcher.
//   entry 1: opens the dialog (its Help opens a second modal form over it)
//   entry 2: the busy pointer for two seconds
//   entry 3: the error report
//   Exit:    ends the demo
// With the argument "dialog" (or "nested") the demo opens that by itself.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "ui/toolkit.h"
#include "ui/win32/win32_backend.h"

namespace {

using namespace ktr::ui;

// Texts are written here in UTF-8 and given to the toolkit in the system's
// ANSI code page, as MultiLang.ini would give them.
std::string Ansi(const char* utf8) {
  int wide_length = ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), wide_length);
  int length = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
  text.resize(text.empty() ? 0 : text.size() - 1);
  return text;
}

struct Language {
  unsigned code_page;
  const char* title;
  const char* body;
  const char* entries[3];
};

const Language kLanguages[] = {
    {949,
     "KTR 설치",
     "고스트 이미지로 복제할 컴퓨터에 클라이언트를 설치합니다. 설치가 끝나면 편집 단추로 알림을 "
     "작성하십시오.",
     {"기본 설치", "사용자 설치본 만들기", "고스트용 설치"}},
    {932,
     "KTR インストール",
     "Ghost "
     "イメージで複製するコンピュータにクライアントをインストールします。終了後、編集ボタンで通知を"
     "作成してください。",
     {"基本インストール", "カスタム インストーラ", "Ghost 用インストール"}},
    {936,
     "KTR 安装",
     "在将用 Ghost 映像克隆的计算机上安装客户端。安装完成后，请用编辑按钮编写通知。",
     {"基本安装", "制作自定义安装程序", "Ghost 安装"}},
    {0,
     "KTR Installation",
     "Installs the client on a computer whose disk is to be cloned with Ghost images. Afterwards "
     "write the notice with the Edit button.",
     {"Basic install", "Custom installer", "Ghost install"}},
};

const Language& CurrentLanguage() {
  for (const Language& language : kLanguages) {
    if (language.code_page == ::GetACP()) return language;
  }
  return kLanguages[3];
}

Bitmap Gradient(int width, int height, std::uint32_t top, std::uint32_t bottom) {
  Bitmap b{width, height, {}};
  for (int y = 0; y < height; ++y) {
    auto mix = [&](int shift) {
      int a = (top >> shift) & 0xFF, z = (bottom >> shift) & 0xFF;
      return static_cast<std::uint32_t>(a + (z - a) * y / std::max(height - 1, 1)) << shift;
    };
    std::uint32_t rgb = 0xFF000000 | mix(16) | mix(8) | mix(0);
    for (int x = 0; x < width; ++x) b.pixels.push_back(rgb);
  }
  return b;
}

// The head-and-shoulders figure on teal that the notice dialog shows.
Bitmap Person() {
  Bitmap b = Gradient(32, 32, 0x008080, 0x008080);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      int dx = x - 16, dy = y - 11;
      std::uint32_t& p = b.pixels[static_cast<std::size_t>(y * 32 + x)];
      if (dx * dx + dy * dy <= 36) p = y < 9 ? 0xFF000000 : 0xFFFFD8B0;
      if (y >= 19 && std::abs(dx) <= 12 - (31 - y) / 3) p = 0xFF2050C0;
    }
  }
  return b;
}

class DemoForm : public Form {
 public:
  DemoForm(Application& app, Form* owner, const char* name) : Form(app, owner), name_(name) {}
  const char* class_name() const override { return name_; }

 private:
  const char* name_;
};

template <class T, class... Args>
T& Add(Form& form, Args&&... args) {
  return form.add(std::make_unique<T>(form, std::forward<Args>(args)...));
}

std::unique_ptr<DemoForm> MakeNested(Application& app, Form* owner) {
  auto form = std::make_unique<DemoForm>(app, owner, "TDemoNested");
  form->client_width = 360;
  form->client_height = 160;
  auto& ground = Add<Image>(*form, "ImgBackground", 0, Rect{0, 0, 360, 160});
  ground.align_client = true;
  ground.set_picture(Gradient(360, 160, 0x402060, 0x8040A0));
  Add<Label>(*form, "lblText", 0, Rect{20, 20, 320, 60}, Ansi(CurrentLanguage().body)).word_wrap =
      true;
  auto& close = Add<Image>(*form, "ImgClose", 1, Rect{250, 110, 90, 30});
  close.set_picture(Gradient(90, 30, 0xE0E0E0, 0xA0A0A0));
  close.set_cursor(Cursor::kHandPoint);
  auto& caption = Add<Label>(*form, "lblClose", 0, Rect{250, 118, 90, 16}, "OK");
  caption.align = TextAlign::kCenter;
  caption.set_cursor(Cursor::kHandPoint);
  auto* self = form.get();
  close.on_click = caption.on_click = [self](Control&) { self->set_modal_result(kModalOk); };
  form->create();
  form->set_font(app.backend().icon_title_font());
  return form;
}

std::unique_ptr<DemoForm> MakeDialog(Application& app, Form* owner, bool open_nested) {
  auto form = std::make_unique<DemoForm>(app, owner, "TDemoNotice");
  form->border_style = BorderStyle::kDialog;
  form->client_width = 496;
  form->client_height = 304;
  auto& image = Add<Image>(*form, "Image1", 0, Rect{7, 9, 39, 39});
  image.auto_size = false;
  image.transparent = true;
  image.set_picture(Person());
  Add<Label>(*form, "Label1", 0, Rect{57, 11, 431, 43}, Ansi(CurrentLanguage().body)).word_wrap =
      true;
  Add<Bevel>(*form, "Bevel1", 0, Rect{7, 60, 481, 2});
  auto& memo = Add<Memo>(*form, "memoAlert", 0, Rect{7, 72, 481, 191});
  memo.ime_name = "Korean";
  memo.set_text(Ansi(CurrentLanguage().body) + "\r\n\r\n" + Ansi(CurrentLanguage().entries[2]));
  auto& yes = Add<Button>(*form, "btnYes", 0, Rect{167, 270, 104, 29}, "Confirm(&O)");
  yes.modal_result = kModalOk;
  yes.tab_order = 1;
  auto& cancel = Add<Button>(*form, "btnCancel", 0, Rect{277, 270, 104, 29}, "Cancel(&C)");
  cancel.modal_result = kModalCancel;
  cancel.tab_order = 2;
  auto& help = Add<Button>(*form, "btnHelp", 0, Rect{386, 270, 104, 29}, "Help(&H)");
  help.tab_order = 3;
  auto* self = form.get();
  help.on_click = [self, &app](Control&) {
    auto nested = MakeNested(app, self);
    nested->show_modal();
  };
  form->create();
  form->set_caption(Ansi(CurrentLanguage().title));
  form->set_font(app.backend().icon_title_font());
  if (open_nested) {
    // Pressed as soon as the dialog's own loop runs.
    HWND button = ::FindWindowExA(reinterpret_cast<HWND>(self->native_handle()), nullptr, "Button",
                                  "Help(&H)");
    ::PostMessageA(button, BM_CLICK, 0, 0);
  }
  return form;
}

class MainDemo : public DemoForm {
 public:
  MainDemo(Application& app, std::string mode)
      : DemoForm(app, nullptr, "TDemoMain"), mode_(std::move(mode)) {
    visible_at_creation = true;
    auto& ground = Add<Image>(*this, "ImgBackground", 0, Rect{0, 0, 658, 334});
    ground.align_client = true;
    ground.set_picture(Gradient(658, 334, 0x102050, 0x3070B0));
    ground.set_cursor(Cursor::kArrow);
    ground.on_mouse_move = [this](Control&) { Highlight(nullptr); };
    const Language& language = CurrentLanguage();
    auto& title = Add<Label>(*this, "lblFormTitle", 0, Rect{54, 40, 340, 16}, Ansi(language.title));
    title.align = TextAlign::kCenter;
    Add<Label>(*this, "lblContent", 0, Rect{54, 80, 340, 60}, Ansi(language.body)).word_wrap = true;
    Add<Label>(*this, "lblDisabled", 0, Rect{54, 160, 340, 16}, Ansi(language.entries[1]))
        .set_enabled(false);
    int row = 0;
    for (const Language& other : kLanguages) {
      Add<Label>(*this, "lblOther", 0, Rect{54, 200 + 20 * row++, 340, 16}, Ansi(other.entries[0]));
    }
    for (int i = 0; i < 4; ++i) {
      auto& entry = Add<Image>(*this, "ImgEntry", i + 1, Rect{438, 138 + 34 * i, 172, 24});
      entry.set_picture(Normal());
      entry.set_cursor(Cursor::kHandPoint);
      entry.on_mouse_move = [this](Control& c) { Highlight(&static_cast<Image&>(c)); };
      entry.on_click = [this](Control& c) { Clicked(c.tag()); };
      const char* text = i < 3 ? language.entries[i] : "Exit";
      auto& caption =
          Add<Label>(*this, "lblEntry", 0, Rect{452, 143 + 34 * i, 146, 13}, Ansi(text));
      caption.align = TextAlign::kCenter;
      caption.set_cursor(Cursor::kHandPoint);
      caption.on_click = entry.on_click;
    }
  }

 protected:
  void FormCreate() override {
    set_caption(Ansi(CurrentLanguage().title));
    application().set_title(Ansi(CurrentLanguage().title));
    set_font(application().backend().icon_title_font());
  }

 public:
  void OpenFromStart() {
    if (mode_ != "dialog" && mode_ != "nested") return;
    auto dialog = MakeDialog(application(), this, mode_ == "nested");
    dialog->show_modal();
  }

 private:
  static Bitmap Normal() { return Gradient(172, 24, 0x3060C0, 0x1840A0); }
  static Bitmap Active() { return Gradient(172, 24, 0xF0B030, 0xC08010); }

  void Highlight(Image* entry) {
    if (entry == lit_) return;
    if (lit_) lit_->set_picture(Normal());
    if (entry) entry->set_picture(Active());
    lit_ = entry;
  }

  void Clicked(int tag) {
    if (tag == 1) {
      auto dialog = MakeDialog(application(), this, false);
      dialog->show_modal();
    } else if (tag == 2) {
      BusyCursor busy(application());
      ::Sleep(2000);
    } else if (tag == 3) {
      throw std::runtime_error("Cannot open file D:\\imgdata\\KOREAN\\ButtonAct3.bmp");
    } else {
      close();
    }
  }

  std::string mode_;
  Image* lit_ = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  ktr::ui::win32::Win32Backend backend;
  Application app(backend);
  app.set_title("KTR Installation");
  auto& main = app.create_form<MainDemo>(std::string(command_line ? command_line : ""));
  main.OpenFromStart();
  app.run();
  return 0;
}
