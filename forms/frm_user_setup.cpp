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

// clang-format off
// Not constexpr: GCC 12 will not convert the handlers of a base with two
// bases of its own in a constant expression.
const Row kLayout[] = {
    SkinImage<TUserSetup>("ImgBackground", {0, 0, 658, 334}, medium::kBackgroundEmpty, &TUserSetup::ImgBackgroundMouseMove),
    {kLabel, "lblTitle", 0, {54, 185, 340, 16}, "", kDefault, nullptr, nullptr, kLeft, true},
    {kLabel, "lblContent", 0, {54, 216, 340, 60}, "", kDefault, nullptr, nullptr, kLeft, true},
    SkinEntry<TUserSetup>("ImgButton1", 1, {439, 158, 172, 24}, &TUserSetup::ImgButton1Click, kEntryMove, medium::kButtonLongEmpty, medium::kButtonLongEmptyAct, {lang::RES_USER_GBBASE, lang::RES_USER_LBLBASE}),
    SkinEntry<TUserSetup>("ImgButton2", 2, {439, 199, 172, 24}, &TUserSetup::ImgButton2Click, kEntryMove, medium::kButtonLongEmpty, medium::kButtonLongEmptyAct, {lang::RES_USER_GBNORMAL, lang::RES_USER_LBLNORMAL}),
    SkinEntry<TUserSetup>("ImgButton3", 3, {439, 240, 172, 24}, &TUserSetup::ImgButton3Click, kEntryMove, medium::kButtonLongEmpty, medium::kButtonLongEmptyAct, {lang::RES_USER_GBGHOST, lang::RES_USER_LBLGHOST}),
    SkinEntry<TUserSetup>("ImgCancel", 4, {448, 291, 67, 28}, &TUserSetup::ImgCancelClick, kEntryMove, medium::kButtonEmpty, medium::kButtonEmptyAct),
    SkinEntry<TUserSetup>("ImgHelp", 5, {536, 291, 67, 28}, &TUserSetup::ImgHelpClick, kEntryMove, medium::kButtonEmpty, medium::kButtonEmptyAct),
    {kLabel, "lblButton1", 0, {452, 164, 146, 13}, "\xB1\xE2\xBA\xBB \xBC\xB3\xC4\xA1", kHand, &TUserSetup::ImgButton1Click, nullptr, kCenter},
    {kLabel, "lblButton2", 0, {452, 205, 146, 13}, "\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1\xBA\xBB \xB8\xB8\xB5\xE9\xB1\xE2", kHand, &TUserSetup::ImgButton2Click, nullptr, kCenter},
    {kLabel, "lblButton3", 0, {452, 246, 146, 13}, "\xB0\xED\xBD\xBA\xC6\xAE\xBF\xEB \xBC\xB3\xC4\xA1", kHand, &TUserSetup::ImgButton3Click, nullptr, kCenter},
    {kLabel, "lblHelp", 0, {543, 301, 52, 13}, "\xB5\xB5\xBF\xF2\xB8\xBB", kHand, &TUserSetup::ImgHelpClick, nullptr, kCenter},
    {kLabel, "lblCancel", 0, {456, 301, 52, 13}, "\xC3\xEB\xBC\xD2", kHand, &TUserSetup::ImgCancelClick, nullptr, kCenter},
    {kLabel, "lblFormTitle", 0, {54, 145, 340, 16}, "", kDefault, nullptr, nullptr, kCenter, true},
};
// clang-format on

}  // namespace

TUserSetup::TUserSetup(ui::Application& app, ui::Form* owner, const Host& host)
    : SkinnedForm(app, owner, host) {
  set_caption("\xBB\xE7\xBF\xEB\xC0\xDA \xBC\xB3\xC4\xA1");
  BuildSkin<TUserSetup>(*this, kLayout);
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
  LabelOf(*this, "lblFormTitle").set_caption(Text(lang::RES_USER_CAPTION));
  LabelOf(*this, "lblButton1").set_caption(Text(lang::RES_USER_GBBASE));
  LabelOf(*this, "lblButton2").set_caption(Text(lang::RES_USER_GBNORMAL));
  LabelOf(*this, "lblButton3").set_caption(Text(lang::RES_USER_GBGHOST));
  LabelOf(*this, "lblCancel").set_caption(Text(lang::RES_CANCEL));
  LabelOf(*this, "lblHelp").set_caption(Text(lang::RES_HELP));
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
