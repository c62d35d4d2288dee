#include "forms/frm_main.h"

#include <array>
#include <memory>
#include <utility>

#include "forms/builtin_pictures.h"
#include "forms/frm_user_setup.h"
#include "forms/layout.h"
#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/medium.h"
#include "medium/command_line.h"
#include "platform/errors.h"
#include "platform/os_type.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

using Row = forms::ControlRow<TMainForm>;
using namespace forms::layout;

// The form resource, bottom of the stacking order first.
// clang-format off
constexpr Row kLayout[] = {
    {kImage, "ImgBackground", 0, {0, 0, 658, 334}, "", kArrow, nullptr, &TMainForm::ImgBackgroundMouseMove},
    {kImage, "ImgSnScan", 2, {438, 169, 172, 24}, "", kHand, &TMainForm::ImgSnScanClick, &TMainForm::ImgManualMouseMove},
    {kImage, "ImgExit", 6, {490, 291, 67, 28}, "", kHand, &TMainForm::ImgCloseClick, &TMainForm::ImgManualMouseMove},
    {kImage, "ImgContent", 0, {44, 140, 358, 143}},
    {kImage, "ImgManual", 1, {438, 138, 172, 24}, "", kHand, &TMainForm::ImgManualClick, &TMainForm::ImgManualMouseMove},
    {kImage, "ImgInstallClient", 3, {438, 199, 172, 24}, "", kHand, &TMainForm::ImgInstallClientClick, &TMainForm::ImgManualMouseMove},
    {kImage, "ImgInstallServer", 4, {438, 230, 172, 24}, "", kHand, &TMainForm::ImgInstallServerClick, &TMainForm::ImgManualMouseMove},
    {kImage, "ImgCDView", 5, {438, 260, 172, 24}, "", kHand, &TMainForm::ImgCDViewClick, &TMainForm::ImgManualMouseMove},
};
// clang-format on

struct EntryRow {
  int tag;
  const char* image;
  std::string_view normal;
  std::string_view active;
  std::string_view content;
};

// Per-entry pictures, by Tag; the latch restores entries in this order.
constexpr std::array<EntryRow, 6> kEntries = {{
    {1, "ImgManual", "Button1.bmp", "ButtonAct1.bmp", medium::kContentManual},
    {2, "ImgSnScan", "Button2.bmp", "ButtonAct2.bmp", medium::kContentSnScan},
    {3, "ImgInstallClient", "Button3.bmp", "ButtonAct3.bmp", medium::kContentInstallClient},
    {4, "ImgInstallServer", "Button4.bmp", "ButtonAct4.bmp", medium::kContentInstallServer},
    {5, "ImgCDView", "Button5.bmp", "ButtonAct5.bmp", medium::kContentEmpty},
    {6, "ImgExit", "ButtonExit.bmp", "ButtonExitAct.bmp", medium::kContentEmpty},
}};

// The Windows editions on which the extra program is offered: NT Server,
// 2000 Professional and 2000 Server.
bool OffersExtraProgram(int os_type_index) {
  return os_type_index == 3 || os_type_index == 5 || os_type_index == 6;
}

const EntryRow& EntryFor(int tag) {
  for (const EntryRow& row : kEntries) {
    if (row.tag == tag) return row;
  }
  return kEntries.front();
}

}  // namespace

TMainForm::TMainForm(ui::Application& app, const Host& host)
    : ui::Form(app, nullptr), host_(host), latch_(host, launch_folder_) {
  visible_at_creation = true;
  forms::BuildLayout<TMainForm>(*this, kLayout);
  auto& background = forms::ImageOf(*this, "ImgBackground");
  background.align_client = true;
  background.set_picture(forms::BuiltinBackground());
  for (const EntryRow& row : kEntries) {
    forms::ImageOf(*this, row.image).set_picture(forms::BuiltinEntry(row.tag));
  }

  auto& content = forms::ImageOf(*this, "ImgContent");
  forms::LatchHooks hooks;
  hooks.first_highlight = [this, &content](const forms::LatchEntry& e) {
    forms::LoadSkinPicture(host_, launch_folder_, content, EntryFor(e.tag).content);
  };
  hooks.invalid_on_highlight = [this](const forms::LatchEntry&) { ClearPictures(false); };
  hooks.restored = [this, &content] {
    forms::LoadSkinPicture(host_, launch_folder_, content, medium::kContentEmpty);
  };
  hooks.invalid_on_restore = [this] { ClearPictures(false); };
  latch_.set_hooks(std::move(hooks));
  for (const EntryRow& row : kEntries) {
    latch_.add({row.tag, &forms::ImageOf(*this, row.image), row.normal, row.active});
  }
}

std::string TMainForm::Text(std::string_view key) const {
  return lang::ReadLangString(host_.profile, launch_folder_, key);
}

void TMainForm::FormCreate() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
  set_caption(Text(lang::RES_MAINFORM));
  application().set_title(Text(lang::RES_TITLE));
  set_font(application().backend().icon_title_font());
  FLanguageIndex = lang::GetLangIndex(host_.locale);
  latch_.reset();
  LoadSkin();
}

void TMainForm::ClearPictures(bool with_background) {
  if (with_background) forms::ImageOf(*this, "ImgBackground").clear();
  forms::ImageOf(*this, "ImgContent").clear();
  for (const EntryRow& row : kEntries) forms::ImageOf(*this, row.image).clear();
}

// A missing picture stops the loading with an error for the default report;
// the pictures loaded before it stay and the rest keep their built-in ones.
void TMainForm::LoadSkin() {
  ui::BusyCursor busy(application());
  const std::array<std::pair<const char*, std::string_view>, 8> order = {{
      {"ImgBackground", medium::kBackgroundEmpty},
      {"ImgContent", medium::kContentEmpty},
      {"ImgManual", EntryFor(1).normal},
      {"ImgSnScan", EntryFor(2).normal},
      {"ImgInstallClient", EntryFor(3).normal},
      {"ImgInstallServer", EntryFor(4).normal},
      {"ImgCDView", EntryFor(5).normal},
      {"ImgExit", EntryFor(6).normal},
  }};
  try {
    for (const auto& [name, file] : order) {
      forms::LoadSkinPicture(host_, launch_folder_, forms::ImageOf(*this, name), file);
    }
    application().process_messages();
  } catch (const InvalidGraphic&) {
    ClearPictures(true);
  }
}

void TMainForm::ImgManualMouseMove(ui::Control& sender) { latch_.entry_mouse_move(sender.tag()); }

void TMainForm::ImgBackgroundMouseMove(ui::Control&) { latch_.background_mouse_move(); }

void TMainForm::ImgManualClick(ui::Control&) {
  try {
    ui::BusyCursor busy(application());
    host_.shell.execute(application().backend().application_handle(), "open",
                        launch_folder_ + Text(lang::RES_MANUAL), kSwShowNormal);
  } catch (...) {
    application().application_message_box(Text(lang::RES_ERROR_EXPLOER), Text(lang::RES_ERROR),
                                          ui::kMbOk);
  }
}

void TMainForm::ImgSnScanClick(ui::Control&) {
  try {
    std::string command = medium::ProgramCommandLine(launch_folder_, medium::kScanner);
    command += ' ';
    command += medium::kScannerHost;
    command += FLanguageIndex == lang::kKorean ? medium::kScannerPackageKorean
                                               : medium::kScannerPackageOther;
    host_.processes.start(command, kSwShow);
  } catch (...) {
    // The scanner is a convenience; a failed start says nothing.
  }
}

void TMainForm::RunInstaller(const std::string& command_line) {
  platform::RunAndWait(host_.processes, command_line, kSwShow);
}

void TMainForm::ImgInstallClientClick(ui::Control&) {
  const int os_type_index = platform::GetOSTypeIndex(host_.version, host_.registry);
  if (FLanguageIndex == lang::kKorean) {
    std::unique_ptr<forms::TUserSetup> setup;
    try {
      setup = ui::MakeForm<forms::TUserSetup>(application(), this, host_);
      hide();
      setup->show_modal();
    } catch (...) {
      setup.reset();
      show();
      throw;
    }
    setup.reset();
    show();
    return;
  }
  try {
    hide();
    application().process_messages();
    RunInstaller(
        medium::MediumCommandLine(host_.files, launch_folder_, Text(lang::RES_CLIENT_INSTALL)));
    application().process_messages();
    if (OffersExtraProgram(os_type_index)) {
      const std::string relative = Text(lang::RES_CODE_X_INSTALL);
      if (host_.files.exists(launch_folder_ + relative) &&
          application().message_box(this, Text(lang::RES_CODE_X), Text(lang::RES_INSTALL_TITLE),
                                    ui::kMbOkCancel) == ui::kIdOk) {
        RunInstaller(medium::ProgramCommandLine(launch_folder_, relative));
      }
    }
  } catch (...) {
    show();
    throw;
  }
  show();
}

void TMainForm::ImgInstallServerClick(ui::Control&) {
  hide();
  try {
    application().process_messages();
    RunInstaller(
        medium::MediumCommandLine(host_.files, launch_folder_, Text(lang::RES_SERVER_INSTALL)));
  } catch (...) {
    // Nothing to report: the installer shows its own failures.
  }
  show();
}

// The program's own folder, not the launch folder: a shortcut may start the
// launcher elsewhere, and the medium is where the program lies.
void TMainForm::ImgCDViewClick(ui::Control&) {
  try {
    host_.shell.execute(0, "explore", medium::ProgramFolder(host_.files, host_.locale),
                        kSwShowNormal);
  } catch (...) {
  }
}

void TMainForm::ImgCloseClick(ui::Control&) { close(); }

}  // namespace ktr::forms
