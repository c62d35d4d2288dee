#include "forms/frm_main.h"

#include <memory>
#include <string_view>

#include "forms/builtin_pictures.h"
#include "forms/frm_user_setup.h"
#include "forms/layout.h"
#include "forms/sealed_step.h"
#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/command_line.h"
#include "medium/medium.h"
#include "platform/debugger_note.h"
#include "platform/errors.h"
#include "platform/os_type.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

using Row = ControlRow<TMainForm>;
using namespace layout;

constexpr auto kEntryMove = &TMainForm::ImgManualMouseMove;

// The form resource, bottom of the stacking order first; each entry's row
// also gives its pictures and the content picture shown beside it.
constexpr Row kLayout[] = {
    SkinImage(&TMainForm::ImgBackground, "ImgBackground", {0, 0, 658, 334},
              medium::kBackgroundEmpty, &TMainForm::ImgBackgroundMouseMove),
    SkinEntry(&TMainForm::ImgSnScan, "ImgSnScan", 2, {438, 169, 172, 24},
              &TMainForm::ImgSnScanClick, kEntryMove, "Button2.bmp", "ButtonAct2.bmp",
              {medium::kContentSnScan})
        .said_as(lang::RES_NAME_SCAN, lang::RES_DESC_SCAN),
    SkinEntry(&TMainForm::ImgExit, "ImgExit", 6, {490, 291, 67, 28}, &TMainForm::ImgCloseClick,
              kEntryMove, "ButtonExit.bmp", "ButtonExitAct.bmp", {medium::kContentEmpty})
        .said_as(lang::RES_NAME_EXIT),
    SkinImage(&TMainForm::ImgContent, "ImgContent", {44, 140, 358, 143}, medium::kContentEmpty),
    SkinEntry(&TMainForm::ImgManual, "ImgManual", 1, {438, 138, 172, 24},
              &TMainForm::ImgManualClick, kEntryMove, "Button1.bmp", "ButtonAct1.bmp",
              {medium::kContentManual})
        .said_as(lang::RES_NAME_MANUAL, lang::RES_DESC_MANUAL),
    SkinEntry(&TMainForm::ImgInstallClient, "ImgInstallClient", 3, {438, 199, 172, 24},
              &TMainForm::ImgInstallClientClick, kEntryMove, "Button3.bmp", "ButtonAct3.bmp",
              {medium::kContentInstallClient})
        .said_as(lang::RES_NAME_CLIENT, lang::RES_DESC_CLIENT),
    SkinEntry(&TMainForm::ImgInstallServer, "ImgInstallServer", 4, {438, 230, 172, 24},
              &TMainForm::ImgInstallServerClick, kEntryMove, "Button4.bmp", "ButtonAct4.bmp",
              {medium::kContentInstallServer})
        .said_as(lang::RES_NAME_SERVER, lang::RES_DESC_SERVER),
    SkinEntry(&TMainForm::ImgCDView, "ImgCDView", 5, {438, 260, 172, 24},
              &TMainForm::ImgCDViewClick, kEntryMove, "Button5.bmp", "ButtonAct5.bmp",
              {medium::kContentEmpty})
        .said_as(lang::RES_NAME_BROWSE),
};

// The Windows editions on which the extra program is offered.
bool OffersExtraProgram(platform::Edition edition) {
  using platform::Edition;
  return edition == Edition::kNtServer || edition == Edition::k2000Professional ||
         edition == Edition::k2000Server;
}

}  // namespace

TMainForm::TMainForm(ui::Application& app, const Host& host) : ui::Form(app, nullptr), host_(host) {
  visible_at_creation = true;
  BuildLayout<TMainForm>(*this, kLayout);
  ImgBackground->align_client = true;
  SetBuiltinBackground(*ImgBackground);
  for (const Row* row : EntriesByTag<TMainForm>(kLayout))
    SetBuiltinEntry(*(this->*row->image), row->tag);
  latch_.add_entries<TMainForm>(*this, kLayout);
  SpeakLayout<TMainForm>(*this, kLayout);
}

const ui::Control* TMainForm::KeyboardHighlight() const {
  const LatchEntry* entry = latch_.keyboard_entry();
  return entry ? entry->image : nullptr;
}

const ui::Control* TMainForm::PointerHighlight() const {
  const LatchEntry* entry = latch_.pointer_entry();
  return entry ? entry->image : nullptr;
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
  for (const Row* row : SkinLoadOrder<TMainForm>(kLayout)) {
    if (with_background || this->*row->image != ImgBackground) (this->*row->image)->clear();
  }
}

// A missing picture stops the loading with an error for the default report;
// the pictures loaded before it stay and the rest keep their built-in ones.
void TMainForm::LoadSkin() {
  ui::BusyCursor busy(application());
  try {
    for (const Row* row : SkinLoadOrder<TMainForm>(kLayout)) {
      ShowPicture(*(this->*row->image), row->normal);
    }
    application().process_messages();
  } catch (const InvalidGraphic&) {
    ClearPictures(true);
  }
}

void TMainForm::ShowPicture(ui::Image& image, std::string_view file) {
  LoadSkinPicture(host_, launch_folder_, image, file);
}

void TMainForm::FirstHighlighted(const LatchEntry& entry) {
  ShowPicture(*ImgContent, entry.shows[0]);
}

void TMainForm::HighlightBroken(const LatchEntry&) { ClearPictures(false); }

void TMainForm::Restored() { ShowPicture(*ImgContent, medium::kContentEmpty); }

void TMainForm::RestoreBroken() { ClearPictures(false); }

void TMainForm::KeyDown(ui::Key key, bool shift) { latch_.key_down(key, shift); }

bool TMainForm::PointerMoved(bool moved) {
  if (latch_.keyboard_holds() && !moved) return false;
  latch_.pointer_moved();
  return true;
}

void TMainForm::ImgManualMouseMove(ui::Control& sender) { latch_.entry_mouse_move(sender.tag()); }

void TMainForm::ImgBackgroundMouseMove(ui::Control&) { latch_.background_mouse_move(); }

// The shell reads the document after this returns, so a sealed launcher
// holds it until it exits.
void TMainForm::ImgManualClick(ui::Control&) {
  const std::string document = launch_folder_ + Text(lang::RES_MANUAL);
  medium::Verified step = CheckFile(*this, host_, launch_folder_, document);
  if (!step.ok()) return;
  try {
    ui::BusyCursor busy(application());
    host_.shell.execute(application().backend().application_handle(), "open", document,
                        kSwShowNormal);
  } catch (...) {
    platform::NoteForDebugger("manual", std::current_exception());
    application().application_message_box(Text(lang::RES_ERROR_EXPLOER), Text(lang::RES_ERROR),
                                          ui::kMbOk);
  }
  HoldUntilExit(host_, std::move(step));
}

void TMainForm::ImgSnScanClick(ui::Control&) {
  try {
    std::string command = medium::ProgramCommandLine(launch_folder_, medium::kScanner);
    command += ' ';
    command += medium::kScannerHost;
    command += lang::LanguageOf(FLanguageIndex) == lang::Language::kKorean
                   ? medium::kScannerPackageKorean
                   : medium::kScannerPackageOther;
    medium::Verified step = CheckCommand(*this, host_, launch_folder_, command);
    if (!step.ok()) return;
    host_.processes.start(command, kSwShow);
    HoldUntilExit(host_, std::move(step));
  } catch (...) {
    // The scanner is a convenience; a failed start says nothing.
    platform::NoteForDebugger("virus scan", std::current_exception());
  }
}

void TMainForm::RunInstaller(const std::string& command_line) {
  platform::RunAndWait(host_.processes, command_line, kSwShow);
}

void TMainForm::ImgInstallClientClick(ui::Control&) {
  const platform::Edition edition =
      platform::EditionOf(platform::GetOSTypeIndex(host_.version, host_.registry));
  if (lang::LanguageOf(FLanguageIndex) == lang::Language::kKorean) {
    ui::HiddenWhile hidden(*this, ui::MakeForm<TUserSetup>(application(), this, host_));
    hidden.run().show_modal();
    return;
  }
  // Checked while the window is still shown, so that a refusal is told
  // from it and the window simply stays.
  const std::string client =
      medium::MediumCommandLine(host_.files, launch_folder_, Text(lang::RES_CLIENT_INSTALL));
  const medium::Verified step = CheckCommand(*this, host_, launch_folder_, client);
  if (step.refused()) return;
  ui::HiddenWhile hidden(*this);
  application().process_messages();
  if (step.ok()) RunInstaller(client);
  application().process_messages();
  if (OffersExtraProgram(edition)) {
    const std::string relative = Text(lang::RES_CODE_X_INSTALL);
    if (host_.files.exists(launch_folder_ + relative) &&
        application().message_box(this, Text(lang::RES_CODE_X), Text(lang::RES_INSTALL_TITLE),
                                  ui::kMbOkCancel) == ui::kIdOk) {
      const std::string extra = medium::ProgramCommandLine(launch_folder_, relative);
      const medium::Verified extra_step = CheckCommand(*this, host_, launch_folder_, extra);
      if (extra_step.ok()) RunInstaller(extra);
    }
  }
}

void TMainForm::ImgInstallServerClick(ui::Control&) {
  const std::string server =
      medium::MediumCommandLine(host_.files, launch_folder_, Text(lang::RES_SERVER_INSTALL));
  const medium::Verified step = CheckCommand(*this, host_, launch_folder_, server);
  if (step.refused()) return;
  ui::HiddenWhile hidden(*this);
  try {
    application().process_messages();
    if (step.ok()) RunInstaller(server);
  } catch (...) {
    // Nothing to report: the installer shows its own failures.
    platform::NoteForDebugger("server installation", std::current_exception());
  }
}

// The program's own folder, not the launch folder: a shortcut may start the
// launcher elsewhere, and the medium is where the program lies.
void TMainForm::ImgCDViewClick(ui::Control&) {
  try {
    host_.shell.execute(0, "explore", medium::ProgramFolder(host_.files, host_.locale),
                        kSwShowNormal);
  } catch (...) {
    platform::NoteForDebugger("medium view", std::current_exception());
  }
}

void TMainForm::ImgCloseClick(ui::Control&) { close(); }

}  // namespace ktr::forms
