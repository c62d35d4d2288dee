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

// clang-format off
// Not constexpr: GCC 12 will not convert the handlers of a base with two
// bases of its own in a constant expression.
const Row kLayout[] = {
    SkinImage<TGhostInstall>("ImgBackground", {0, 0, 658, 334}, medium::kBackgroundEmpty, &TGhostInstall::ImgBackgroundMouseMove),
    SkinEntry<TGhostInstall>("ImgConfirm", 3, {414, 291, 67, 28}, &TGhostInstall::ImgConfirmClick, kEntryMove, medium::kButtonEmpty, medium::kButtonEmptyAct),
    SkinEntry<TGhostInstall>("ImgCancel", 4, {493, 291, 67, 28}, &TGhostInstall::ImgCancelClick, kEntryMove, medium::kButtonEmpty, medium::kButtonEmptyAct),
    SkinEntry<TGhostInstall>("ImgHelp", 5, {570, 291, 67, 28}, &TGhostInstall::ImgHelpClick, kEntryMove, medium::kButtonEmpty, medium::kButtonEmptyAct),
    SkinEntry<TGhostInstall>("ImgButton1", 1, {439, 180, 172, 24}, &TGhostInstall::ImgButton1Click, kEntryMove, medium::kButtonLongEmpty, medium::kButtonLongEmptyAct, {lang::RES_GHOST_INSTALL_CAPTION, lang::RES_GHOST_LBLINSTALL, lang::RES_GHOST_LBLINSTNOTE}),
    SkinEntry<TGhostInstall>("ImgButton2", 2, {439, 221, 172, 24}, &TGhostInstall::ImgButton2Click, kEntryMove, medium::kButtonLongEmpty, medium::kButtonLongEmptyAct, {lang::RES_GHOST_EDITNOTICE_CAPTION, lang::RES_GHOST_LBLEDIT, lang::RES_GHOST_LBLEDITNOTE}),
    {kLabel, "lblButton1", 0, {452, 186, 146, 13}, "\xBC\xB3\xC4\xA1", kHand, &TGhostInstall::ImgButton1Click, nullptr, kCenter},
    {kLabel, "lblButton2", 0, {452, 227, 146, 13}, "\xC6\xED\xC1\xFD", kHand, &TGhostInstall::ImgButton2Click, nullptr, kCenter},
    {kLabel, "lblCancel", 0, {501, 300, 52, 13}, "\xC3\xEB\xBC\xD2", kHand, &TGhostInstall::ImgCancelClick, nullptr, kCenter},
    {kLabel, "lblHelp", 0, {577, 300, 52, 13}, "\xB5\xB5\xBF\xF2\xB8\xBB", kHand, &TGhostInstall::ImgHelpClick, nullptr, kCenter},
    {kLabel, "lblConfirm", 0, {422, 300, 52, 13}, "\xC8\xAE\xC0\xCE", kHand, &TGhostInstall::ImgConfirmClick, nullptr, kCenter},
    {kLabel, "lblTitle", 0, {54, 166, 340, 16}, "", kDefault, nullptr, nullptr, kLeft, true},
    {kLabel, "lblContent", 0, {54, 187, 340, 57}, "", kDefault, nullptr, nullptr, kLeft, true},
    {kLabel, "lblNotice", 0, {54, 248, 340, 29}, "", kDefault, nullptr, nullptr, kLeft, true},
    {kLabel, "lblFormTitle", 0, {54, 145, 340, 16}, "", kDefault, nullptr, nullptr, kCenter, true},
};
// clang-format on

}  // namespace

TGhostInstall::TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host)
    : SkinnedForm(app, owner, host) {
  set_caption("GhostInstall");
  BuildSkin<TGhostInstall>(*this, kLayout);
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
  ImageOf(*this, "ImgBackground").clear();
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
  LabelOf(*this, "lblFormTitle").set_caption(caption);
  LabelOf(*this, "lblButton1").set_caption(Text(lang::RES_BTNINSTALL));
  LabelOf(*this, "lblButton2").set_caption(Text(lang::RES_BTNEDIT));
  LabelOf(*this, "lblConfirm").set_caption(Text(lang::RES_OK));
  LabelOf(*this, "lblCancel").set_caption(Text(lang::RES_CANCEL));
  LabelOf(*this, "lblHelp").set_caption(Text(lang::RES_HELP));
}

void TGhostInstall::SetEnabled(const char* image, const char* label, bool enabled) {
  find(image)->set_enabled(enabled);
  find(label)->set_enabled(enabled);
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
  LabelOf(*this, "lblNotice").set_caption(Text(lang::RES_GHOST_LBLINSTCOMP));
  SetEnabled("ImgButton1", "lblButton1", false);
  SetEnabled("ImgCancel", "lblCancel", false);
  SetEnabled("ImgButton2", "lblButton2", true);
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
  LabelOf(*this, "lblContent").set_caption(Text(lang::RES_GHOST_EDIT_COMP));
  SetEnabled("ImgButton2", "lblButton2", false);
  SetEnabled("ImgConfirm", "lblConfirm", true);
}

void TGhostInstall::ImgConfirmClick(ui::Control&) {
  ui::BusyCursor busy(application());
  set_modal_result(ui::kModalOk);
}

void TGhostInstall::ImgCancelClick(ui::Control&) { set_modal_result(ui::kModalCancel); }

void TGhostInstall::ImgHelpClick(ui::Control&) { StartHelp(lang::RES_GHOSTCLI); }

}  // namespace ktr::forms
