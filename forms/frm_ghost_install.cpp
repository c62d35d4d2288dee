#include "forms/frm_ghost_install.h"

#include <memory>

#include "forms/frm_edit_notice.h"
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

using Row = ControlRow<TGhostInstall>;
using namespace layout;

constexpr auto kEntryMove = &TGhostInstall::ImgButton1MouseMove;

using F = TGhostInstall;

// Not constexpr: GCC 12 will not convert the handlers of a base with two
// bases of its own in a constant expression.
const Row kLayout[] = {
    SkinImage(&F::ImgBackground, "ImgBackground", {0, 0, 658, 334}, medium::kBackgroundEmpty,
              &F::ImgBackgroundMouseMove),
    SkinEntry(&F::ImgConfirm, "ImgConfirm", 3, {414, 291, 67, 28}, &F::ImgConfirmClick, kEntryMove,
              medium::kButtonEmpty, medium::kButtonEmptyAct)
        .said_as(&F::lblConfirm),
    SkinEntry(&F::ImgCancel, "ImgCancel", 4, {493, 291, 67, 28}, &F::ImgCancelClick, kEntryMove,
              medium::kButtonEmpty, medium::kButtonEmptyAct)
        .said_as(&F::lblCancel),
    SkinEntry(&F::ImgHelp, "ImgHelp", 5, {570, 291, 67, 28}, &F::ImgHelpClick, kEntryMove,
              medium::kButtonEmpty, medium::kButtonEmptyAct)
        .said_as(&F::lblHelp),
    SkinEntry(
        &F::ImgButton1, "ImgButton1", 1, {439, 180, 172, 24}, &F::ImgButton1Click, kEntryMove,
        medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
        {lang::RES_GHOST_INSTALL_CAPTION, lang::RES_GHOST_LBLINSTALL, lang::RES_GHOST_LBLINSTNOTE})
        .said_as(&F::lblButton1),
    SkinEntry(
        &F::ImgButton2, "ImgButton2", 2, {439, 221, 172, 24}, &F::ImgButton2Click, kEntryMove,
        medium::kButtonLongEmpty, medium::kButtonLongEmptyAct,
        {lang::RES_GHOST_EDITNOTICE_CAPTION, lang::RES_GHOST_LBLEDIT, lang::RES_GHOST_LBLEDITNOTE})
        .said_as(&F::lblButton2),
    // 설치 (Install)
    CaptionLabel(&F::lblButton1, "lblButton1", {452, 186, 146, 13}, "\xBC\xB3\xC4\xA1",
                 &F::ImgButton1Click),
    // 편집 (Edit)
    CaptionLabel(&F::lblButton2, "lblButton2", {452, 227, 146, 13}, "\xC6\xED\xC1\xFD",
                 &F::ImgButton2Click),
    // 취소 (Cancel)
    CaptionLabel(&F::lblCancel, "lblCancel", {501, 300, 52, 13}, "\xC3\xEB\xBC\xD2",
                 &F::ImgCancelClick),
    // 도움말 (Help)
    CaptionLabel(&F::lblHelp, "lblHelp", {577, 300, 52, 13}, "\xB5\xB5\xBF\xF2\xB8\xBB",
                 &F::ImgHelpClick),
    // 확인 (Confirm)
    CaptionLabel(&F::lblConfirm, "lblConfirm", {422, 300, 52, 13}, "\xC8\xAE\xC0\xCE",
                 &F::ImgConfirmClick),
    TextLabel(&F::lblTitle, "lblTitle", {54, 166, 340, 16}),
    TextLabel(&F::lblContent, "lblContent", {54, 187, 340, 57}),
    TextLabel(&F::lblNotice, "lblNotice", {54, 248, 340, 29}),
    TextLabel(&F::lblFormTitle, "lblFormTitle", {54, 145, 340, 16}, kCenter),
};

}  // namespace

TGhostInstall::TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host)
    : SkinnedForm(app, owner, host) {
  set_caption("GhostInstall");
  BuildSkin<TGhostInstall>(*this, kLayout, &F::ImgBackground,
                           {&F::lblTitle, &F::lblContent, &F::lblNotice});
}

void TGhostInstall::FirstHighlighted(const LatchEntry& entry) {
  if (!entry.shows[0].empty()) SetDescription(entry);
}

void TGhostInstall::Highlighted(const LatchEntry& entry) {
  if (entry.shows[0].empty()) return;
  ShowDescription(true);
  application().process_messages();
}

// Unlike its siblings, this window gives up its background on a broken
// highlight picture and keeps the buttons.
void TGhostInstall::HighlightBroken(const LatchEntry&) {
  ImgBackground->clear();
  ShowDescription(true);
  application().process_messages();
}

void TGhostInstall::FormCreate() {
  TakeLaunchFolder();
  set_font(application().backend().icon_title_font());
  LoadSkin();
  ShowDescription(false);
  const std::string caption = Text(lang::RES_GHOST_CAPTION);
  set_caption(caption);
  lblFormTitle->set_caption(caption);
  lblButton1->set_caption(Text(lang::RES_BTNINSTALL));
  lblButton2->set_caption(Text(lang::RES_BTNEDIT));
  lblConfirm->set_caption(Text(lang::RES_OK));
  lblCancel->set_caption(Text(lang::RES_CANCEL));
  lblHelp->set_caption(Text(lang::RES_HELP));
}

void TGhostInstall::SetEnabled(ui::Image& image, ui::Label& label, bool enabled) {
  image.set_enabled(enabled);
  label.set_enabled(enabled);
}

void TGhostInstall::Warn(ui::Form* owner) {
  application().message_box(owner, Text(lang::RES_GHOST_LBLINCOMPLETE), Text(lang::RES_ERROR),
                            ui::kMbOk | ui::kMbIconWarning);
}

void TGhostInstall::ImgButton1Click(ui::Control&) {
  if (!RunInstaller(medium::kClientInstaller)) return;
  const std::string agent = platform::AddTrailingBackslash(std::string(medium::kAgentFolder),
                                                           host_.locale.ansi_code_page()) +
                            std::string(medium::kAgentProgram);
  if (!host_.files.exists(agent)) {
    Warn(this);
    return;
  }
  // Nothing to remove is fine; a value that stays would give every clone of
  // this disk the same identity.
  if (host_.registry.delete_value(std::string(medium::kClientKey),
                                  std::string(medium::kClientIdValue)) ==
      RegDeleteResult::kRefused) {
    Warn(this);
    return;
  }
  lblNotice->set_caption(Text(lang::RES_GHOST_LBLINSTCOMP));
  SetEnabled(*ImgButton1, *lblButton1, false);
  SetEnabled(*ImgCancel, *lblCancel, false);
  SetEnabled(*ImgButton2, *lblButton2, true);
}

// The run-once entry starts whatever lies at the tool's place on drive C:
// with the rights of whoever signs in next. A file already there, even one
// byte for byte the medium's, may have been made writable to any user by an
// earlier system's rules, and a handle or a mapped view that someone opened
// on it before (or between a comparison and a change of its descriptor) keeps
// writing into it whatever descriptor it gets afterwards. So the tool is
// always placed anew, protected from its creation and moved over whatever
// was there: the file the value names is one that nobody else has ever held
// open. A link or a folder in its place is not followed.
bool TGhostInstall::PlaceTool() {
  const std::string source = launch_folder_ + std::string(medium::kMediumTool);
  const std::string destination(medium::kInstalledToolCopy);
  if (!host_.seal) return platform::PlaceCopy(host_.files, source, destination);
  // Sealed: copied from the handle that is hashed on the way, and placed
  // only when the bytes copied are the ones the list names.
  tool_refused_.reset();
  std::string refused;
  const std::optional<Sha256Digest> listed =
      host_.seal->listed_digest(launch_folder_, source, refused);
  // Neither listed nor there: the copy fails as on any medium without it.
  if (!listed && refused == source && !host_.files.attributes(source)) return false;
  std::unique_ptr<FileReader> reader = listed ? host_.files.open_read(source) : nullptr;
  if (listed && !reader) return false;
  bool matched = false;
  if (listed) {
    medium::HashingReader hashing(*reader, host_.seal->hasher());
    const bool placed = platform::PlaceCopyFrom(host_.files, hashing, source, destination, [&] {
      matched = hashing.digest() == listed;
      return matched;
    });
    if (placed) return true;
    if (matched) return false;
    refused = source;
  }
  tool_refused_ = refused;
  return false;
}

void TGhostInstall::ImgButton2Click(ui::Control&) {
  auto dialog = ui::MakeForm<TEditNotice>(application(), this, host_);
  application().process_messages();
  if (dialog->show_modal() != ui::kModalOk) return;
  if (!PlaceTool()) {
    // The dialog registered the tool before it was placed: the value must
    // not be left pointing at a program that is not ours.
    host_.registry.delete_value(std::string(medium::kRunOnceKey),
                                std::string(medium::kRunOnceValue));
    if (tool_refused_) {
      ShowRefusal(*dialog, host_, launch_folder_, *tool_refused_);
    } else {
      Warn(dialog.get());
    }
    return;
  }
  lblContent->set_caption(Text(lang::RES_GHOST_EDIT_COMP));
  SetEnabled(*ImgButton2, *lblButton2, false);
  SetEnabled(*ImgConfirm, *lblConfirm, true);
}

void TGhostInstall::ImgConfirmClick(ui::Control&) {
  ui::BusyCursor busy(application());
  set_modal_result(ui::kModalOk);
}

void TGhostInstall::ImgCancelClick(ui::Control&) { set_modal_result(ui::kModalCancel); }

void TGhostInstall::ImgHelpClick(ui::Control&) { StartHelp(lang::RES_GHOSTCLI); }

}  // namespace ktr::forms
