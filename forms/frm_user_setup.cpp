#include "forms/frm_user_setup.h"

#include <array>
#include <memory>

#include "forms/builtin_pictures.h"
#include "forms/frm_ghost_install.h"
#include "forms/layout.h"
#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/medium.h"
#include "platform/command_line.h"
#include "platform/errors.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

using Row = ControlRow<TUserSetup>;
constexpr ui::ControlKind kImage = ui::ControlKind::kImage;
constexpr ui::ControlKind kLabel = ui::ControlKind::kLabel;
constexpr ui::Cursor kHand = ui::Cursor::kHandPoint;
constexpr ui::TextAlign kCenter = ui::TextAlign::kCenter;
constexpr ui::TextAlign kLeft = ui::TextAlign::kLeft;

constexpr Row kLayout[] = {
    {kImage, "ImgBackground", 0, {0, 0, 658, 334}, "", ui::Cursor::kArrow, nullptr,
     &TUserSetup::ImgBackgroundMouseMove},
    {kLabel, "lblTitle", 0, {54, 185, 340, 16}, "", ui::Cursor::kDefault, nullptr, nullptr, kLeft,
     true},
    {kLabel, "lblContent", 0, {54, 216, 340, 60}, "", ui::Cursor::kDefault, nullptr, nullptr,
     kLeft, true},
    {kImage, "ImgButton1", 1, {439, 158, 172, 24}, "", kHand, &TUserSetup::ImgButton1Click,
     &TUserSetup::ImgButton1MouseMove},
    {kImage, "ImgButton2", 2, {439, 199, 172, 24}, "", kHand, &TUserSetup::ImgButton2Click,
     &TUserSetup::ImgButton1MouseMove},
    {kImage, "ImgButton3", 3, {439, 240, 172, 24}, "", kHand, &TUserSetup::ImgButton3Click,
     &TUserSetup::ImgButton1MouseMove},
    {kImage, "ImgCancel", 4, {448, 291, 67, 28}, "", kHand, &TUserSetup::ImgCancelClick,
     &TUserSetup::ImgButton1MouseMove},
    {kImage, "ImgHelp", 5, {536, 291, 67, 28}, "", kHand, &TUserSetup::ImgHelpClick,
     &TUserSetup::ImgButton1MouseMove},
    {kLabel, "lblButton1", 0, {452, 164, 146, 13}, "\xB1\xE2\xBA\xBB \xBC\xB3\xC4\xA1", kHand,
     &TUserSetup::ImgButton1Click, nullptr, kCenter},
    {kLabel, "lblButton2", 0, {452, 205, 146, 13},
     "\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1\xBA\xBB \xB8\xB8\xB5\xE9\xB1\xE2", kHand,
     &TUserSetup::ImgButton2Click, nullptr, kCenter},
    {kLabel, "lblButton3", 0, {452, 246, 146, 13},
     "\xB0\xED\xBD\xBA\xC6\xAE\xBF\xEB \xBC\xB3\xC4\xA1", kHand, &TUserSetup::ImgButton3Click,
     nullptr, kCenter},
    {kLabel, "lblHelp", 0, {543, 301, 52, 13}, "\xB5\xB5\xBF\xF2\xB8\xBB", kHand,
     &TUserSetup::ImgHelpClick, nullptr, kCenter},
    {kLabel, "lblCancel", 0, {456, 301, 52, 13}, "\xC3\xEB\xBC\xD2", kHand,
     &TUserSetup::ImgCancelClick, nullptr, kCenter},
    {kLabel, "lblFormTitle", 0, {54, 145, 340, 16}, "", ui::Cursor::kDefault, nullptr, nullptr,
     kCenter, true},
};

struct ButtonRow {
  int tag;
  const char* image;
  std::string_view normal;
  std::string_view active;
  std::string_view title;  // empty: the description labels stay as they are
  std::string_view content;
};

constexpr std::array<ButtonRow, 5> kButtons = {{
    {1, "ImgButton1", medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
     lang::RES_USER_GBBASE, lang::RES_USER_LBLBASE},
    {2, "ImgButton2", medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
     lang::RES_USER_GBNORMAL, lang::RES_USER_LBLNORMAL},
    {3, "ImgButton3", medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
     lang::RES_USER_GBGHOST, lang::RES_USER_LBLGHOST},
    {4, "ImgCancel", medium::kButtonEmpty, medium::kButtonEmptyAct, {}, {}},
    {5, "ImgHelp", medium::kButtonEmpty, medium::kButtonEmptyAct, {}, {}},
}};

}  // namespace

TUserSetup::TUserSetup(ui::Application& app, ui::Form* owner, const Host& host)
    : ui::Form(app, owner), host_(host), latch_(host_, launch_folder_) {
  set_caption("\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1");
  BuildLayout<TUserSetup>(*this, kLayout);
  auto& background = ImageOf(*this, "ImgBackground");
  background.align_client = true;
  background.set_picture(BuiltinBackground());
  for (const ButtonRow& row : kButtons) {
    ImageOf(*this, row.image)
        .set_picture(row.tag <= 3 ? BuiltinLongButton() : BuiltinShortButton());
  }

  LatchHooks hooks;
  hooks.each_highlight = [this](const LatchEntry& e) {
    const ButtonRow& row = kButtons[e.tag - 1];
    if (row.title.empty()) return;
    LabelOf(*this, "lblTitle").set_caption(Text(row.title));
    LabelOf(*this, "lblContent").set_caption(Text(row.content));
    ShowDescription(true);
    application().process_messages();
  };
  hooks.invalid_on_highlight = [this](const LatchEntry&) {
    ClearButtons();
    ShowDescription(true);
    application().process_messages();
  };
  hooks.background_always = [this] {
    if (LabelOf(*this, "lblTitle").visible()) ShowDescription(false);
  };
  hooks.invalid_on_restore = [this] { ClearButtons(); };
  hooks.restore_finished = [this] { application().process_messages(); };
  latch_.set_hooks(std::move(hooks));
  for (const ButtonRow& row : kButtons) {
    latch_.add({row.tag, &ImageOf(*this, row.image), row.normal, row.active});
  }
}

std::string TUserSetup::Text(std::string_view key) const {
  return lang::ReadLangString(host_.profile, launch_folder_, key);
}

void TUserSetup::FormCreate() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
  set_caption(Text(lang::RES_USER_CAPTION));
  set_font(application().backend().icon_title_font());
  ShowDescription(false);
  LoadSkin();
  LabelOf(*this, "lblFormTitle").set_caption(Text(lang::RES_USER_CAPTION));
  LabelOf(*this, "lblButton1").set_caption(Text(lang::RES_USER_GBBASE));
  LabelOf(*this, "lblButton2").set_caption(Text(lang::RES_USER_GBNORMAL));
  LabelOf(*this, "lblButton3").set_caption(Text(lang::RES_USER_GBGHOST));
  LabelOf(*this, "lblCancel").set_caption(Text(lang::RES_CANCEL));
  LabelOf(*this, "lblHelp").set_caption(Text(lang::RES_HELP));
  ImgHelpClick(*find("ImgHelp"));
}

void TUserSetup::LoadSkin() {
  ui::BusyCursor busy(application());
  try {
    LoadSkinPicture(host_, launch_folder_, ImageOf(*this, "ImgBackground"),
                    medium::kBackgroundEmpty);
    for (const ButtonRow& row : kButtons) {
      LoadSkinPicture(host_, launch_folder_, ImageOf(*this, row.image), row.normal);
    }
    application().process_messages();
  } catch (const InvalidGraphic&) {
    ImageOf(*this, "ImgBackground").clear();
    ClearButtons();
  }
}

void TUserSetup::ClearButtons() {
  for (const ButtonRow& row : kButtons) ImageOf(*this, row.image).clear();
}

void TUserSetup::ShowDescription(bool visible) {
  LabelOf(*this, "lblTitle").set_visible(visible);
  LabelOf(*this, "lblContent").set_visible(visible);
}

void TUserSetup::ImgBackgroundMouseMove(ui::Control&) { latch_.background_mouse_move(); }

void TUserSetup::ImgButton1MouseMove(ui::Control& sender) { latch_.entry_mouse_move(sender.tag()); }

void TUserSetup::ImgButton1Click(ui::Control&) {
  hide();
  try {
    application().process_messages();
    platform::RunAndWait(host_.processes,
                         platform::ProgramCommandLine(launch_folder_, medium::kClientInstaller),
                         kSwShow);
  } catch (...) {
    show();
    throw;
  }
  show();
}

// The builder finds its templates relative to its working folder, so it runs
// inside its own folder; the launcher's current directory comes back after.
void TUserSetup::ImgButton2Click(ui::Control&) {
  hide();
  try {
    application().process_messages();
    const std::string saved = host_.files.current_directory();
    const unsigned long entered = host_.files.set_current_directory(
        launch_folder_ + std::string(medium::kInstallBuildFolder));
    if (entered != 0) throw InOutError(entered);
    unsigned long restored = 0;
    try {
      platform::RunAndWait(host_.processes,
                           platform::ProgramCommandLine(launch_folder_, medium::kInstallBuild),
                           kSwShow);
    } catch (...) {
      host_.files.set_current_directory(saved);
      throw;
    }
    restored = host_.files.set_current_directory(saved);
    if (restored != 0) throw InOutError(restored);
  } catch (...) {
    show();
    throw;
  }
  show();
}

void TUserSetup::ImgButton3Click(ui::Control&) {
  int result = ui::kModalNone;
  {
    auto ghost = ui::MakeForm<TGhostInstall>(application(), this, host_);
    hide();
    try {
      application().process_messages();
      result = ghost->show_modal();
    } catch (...) {
      ghost.reset();
      show();
      throw;
    }
  }
  show();
  if (result == ui::kModalOk) close();
}

void TUserSetup::ImgCancelClick(ui::Control&) { set_modal_result(ui::kModalCancel); }

void TUserSetup::ImgHelpClick(ui::Control&) {
  try {
    host_.processes.start(Text(lang::RES_HELPCLI), kSwShow);
  } catch (...) {
    // Help is optional; the menu works without it.
  }
}

}  // namespace ktr::forms
