#include "forms/frm_user_setup.h"

#include <memory>

#include "forms/frm_ghost_install.h"
#include "forms/layout.h"
#include "forms/sealed_step.h"
#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/command_line.h"
#include "medium/medium.h"
#include "platform/errors.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

using Row = ControlRow<TUserSetup>;
using namespace layout;

constexpr auto kEntryMove = &TUserSetup::ImgButton1MouseMove;

using F = TUserSetup;

// Not constexpr: GCC 12 will not convert the handlers of a base with two
// bases of its own in a constant expression.
const Row kLayout[] = {
    SkinImage(&F::ImgBackground, "ImgBackground", {0, 0, 658, 334}, medium::kBackgroundEmpty,
              &F::ImgBackgroundMouseMove),
    TextLabel(&F::lblTitle, "lblTitle", {54, 185, 340, 16}),
    TextLabel(&F::lblContent, "lblContent", {54, 216, 340, 60}),
    SkinEntry(&F::ImgButton1, "ImgButton1", 1, {439, 158, 172, 24}, &F::ImgButton1Click, kEntryMove,
              medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
              {lang::RES_USER_GBBASE, lang::RES_USER_LBLBASE})
        .said_as(&F::lblButton1),
    SkinEntry(&F::ImgButton2, "ImgButton2", 2, {439, 199, 172, 24}, &F::ImgButton2Click, kEntryMove,
              medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
              {lang::RES_USER_GBNORMAL, lang::RES_USER_LBLNORMAL})
        .said_as(&F::lblButton2),
    SkinEntry(&F::ImgButton3, "ImgButton3", 3, {439, 240, 172, 24}, &F::ImgButton3Click, kEntryMove,
              medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
              {lang::RES_USER_GBGHOST, lang::RES_USER_LBLGHOST})
        .said_as(&F::lblButton3),
    SkinEntry(&F::ImgCancel, "ImgCancel", 4, {448, 291, 67, 28}, &F::ImgCancelClick, kEntryMove,
              medium::kButtonEmpty, medium::kButtonEmptyAct)
        .said_as(&F::lblCancel),
    SkinEntry(&F::ImgHelp, "ImgHelp", 5, {536, 291, 67, 28}, &F::ImgHelpClick, kEntryMove,
              medium::kButtonEmpty, medium::kButtonEmptyAct)
        .said_as(&F::lblHelp),
    // 기본 설치 (Basic installation)
    CaptionLabel(&F::lblButton1, "lblButton1", {452, 164, 146, 13},
                 "\xB1\xE2\xBA\xBB \xBC\xB3\xC4\xA1", &F::ImgButton1Click),
    // 사용자 설치본 만들기 (Make a customised installer)
    CaptionLabel(&F::lblButton2, "lblButton2", {452, 205, 146, 13},
                 "\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1\xBA\xBB \xB8\xB8\xB5\xE9\xB1\xE2",
                 &F::ImgButton2Click),
    // 고스트용 설치 (Installation for Ghost)
    CaptionLabel(&F::lblButton3, "lblButton3", {452, 246, 146, 13},
                 "\xB0\xED\xBD\xBA\xC6\xAE\xBF\xEB \xBC\xB3\xC4\xA1", &F::ImgButton3Click),
    // 도움말 (Help)
    CaptionLabel(&F::lblHelp, "lblHelp", {543, 301, 52, 13}, "\xB5\xB5\xBF\xF2\xB8\xBB",
                 &F::ImgHelpClick),
    // 취소 (Cancel)
    CaptionLabel(&F::lblCancel, "lblCancel", {456, 301, 52, 13}, "\xC3\xEB\xBC\xD2",
                 &F::ImgCancelClick),
    TextLabel(&F::lblFormTitle, "lblFormTitle", {54, 145, 340, 16}, kCenter),
};

}  // namespace

TUserSetup::TUserSetup(ui::Application& app, ui::Form* owner, const Host& host)
    : SkinnedForm(app, owner, host) {
  set_caption("\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1");  // 사용자 설치 (User installation)
  BuildSkin<TUserSetup>(*this, kLayout, &F::ImgBackground, {&F::lblTitle, &F::lblContent, nullptr});
}

void TUserSetup::Highlighted(const LatchEntry& entry) {
  if (entry.shows[0].empty()) return;
  SetDescription(entry);
  ShowDescription(true);
  application().process_messages();
}

void TUserSetup::HighlightBroken(const LatchEntry&) {
  ClearButtons();
  ShowDescription(true);
  application().process_messages();
}

void TUserSetup::FormCreate() {
  TakeLaunchFolder();
  set_caption(Text(lang::RES_USER_CAPTION));
  set_font(application().backend().icon_title_font());
  ShowDescription(false);
  LoadSkin();
  lblFormTitle->set_caption(Text(lang::RES_USER_CAPTION));
  lblButton1->set_caption(Text(lang::RES_USER_GBBASE));
  lblButton2->set_caption(Text(lang::RES_USER_GBNORMAL));
  lblButton3->set_caption(Text(lang::RES_USER_GBGHOST));
  lblCancel->set_caption(Text(lang::RES_CANCEL));
  lblHelp->set_caption(Text(lang::RES_HELP));
  StartHelp(lang::RES_HELPCLI);
}

void TUserSetup::ImgButton1Click(ui::Control&) { RunInstaller(medium::kClientInstaller); }

// The builder finds its templates relative to its working folder, so it runs
// inside its own folder; the launcher's current directory comes back after.
void TUserSetup::ImgButton2Click(ui::Control&) {
  const std::string line = medium::ProgramCommandLine(launch_folder_, medium::kInstallBuild);
  const medium::Verified step = CheckCommand(*this, host_, launch_folder_, line);
  if (step.refused()) return;
  ui::HiddenWhile hidden(*this);
  application().process_messages();
  platform::EnteredFolder builder(host_.files,
                                  launch_folder_ + std::string(medium::kInstallBuildFolder));
  if (step.ok()) platform::RunAndWait(host_.processes, line, kSwShow);
  builder.leave();
}

void TUserSetup::ImgButton3Click(ui::Control&) {
  int result = ui::kModalNone;
  {
    ui::HiddenWhile hidden(*this, ui::MakeForm<TGhostInstall>(application(), this, host_));
    application().process_messages();
    result = hidden.run().show_modal();
  }
  if (result == ui::kModalOk) close();
}

void TUserSetup::ImgCancelClick(ui::Control&) { set_modal_result(ui::kModalCancel); }

void TUserSetup::ImgHelpClick(ui::Control&) { StartHelp(lang::RES_HELPCLI); }

}  // namespace ktr::forms
