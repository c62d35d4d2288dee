#include "forms/frm_edit_notice.h"

#include <array>
#include <memory>

#include "forms/alert_lines.h"
#include "forms/builtin_pictures.h"
#include "forms/layout.h"
#include "forms/sealed_step.h"
#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/command_line.h"
#include "medium/medium.h"
#include "platform/debugger_note.h"
#include "platform/errors.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

using Row = ControlRow<TEditNotice>;
using namespace layout;

// Windows' own code for a refused open (ERROR_ACCESS_DENIED).
constexpr unsigned long kAccessDenied = 5;

using F = TEditNotice;

constexpr Row kLayout[] = {
    {.image = &F::Image1, .name = "Image1", .bounds = {7, 9, 39, 39}},
    {.label = &F::Label1,
     .name = "Label1",
     .bounds = {57, 11, 431, 43},
     .caption = "Change User Information. Send a notice for changing User Information. Enter a "
                "message below and press 'OK' to send a notice.",
     .word_wrap = true},
    {.bevel = &F::Bevel1, .name = "Bevel1", .bounds = {7, 60, 481, 2}},
    {.memo = &F::memoAlert,
     .name = "memoAlert",
     .bounds = {7, 72, 481, 191},
     .tab_order = 0,
     .named_by = &F::Label1},
    {.button = &F::btnYes,
     .name = "btnYes",
     .bounds = {167, 270, 104, 29},
     .caption = "Confirm(&O)",
     .click = &F::btnYesClick,
     .tab_order = 1,
     .modal_result = ui::kModalOk},
    {.button = &F::btnCancel,
     .name = "btnCancel",
     .bounds = {277, 270, 104, 29},
     .caption = "Cancel(&C)",
     .tab_order = 2,
     .modal_result = ui::kModalCancel},
    // 도움말(&H) (Help)
    {.button = &F::btnHelp,
     .name = "btnHelp",
     .bounds = {386, 270, 104, 29},
     .caption = "\xB5\xB5\xBF\xF2\xB8\xBB(&H)",
     .click = &F::btnHelpClick,
     .tab_order = 3},
};

}  // namespace

TEditNotice::TEditNotice(ui::Application& app, ui::Form* owner, const Host& host)
    : ui::Form(app, owner), host_(host) {
  border_style = ui::BorderStyle::kDialog;
  client_width = 496;
  client_height = 304;
  set_caption("Change User Informarion... [Edit Notice]");

  BuildLayout<TEditNotice>(*this, kLayout);
  SpeakLayout<TEditNotice>(*this, kLayout);
  Image1->auto_size = false;
  Image1->transparent = true;
  SetBuiltinNoticePicture(*Image1);
  memoAlert->ime_name =
      "\xC7\xD1\xB1\xB9\xBE\xEE\x28\xC7\xD1\xB1\xDB\x29";  // 한국어(한글) (Korean (Hangul))
}

std::string TEditNotice::Text(std::string_view key) const {
  return lang::ReadLangString(host_.profile, launch_folder_, key);
}

void TEditNotice::FormCreate() {
  set_font(application().backend().icon_title_font());
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
  FProgramFolder = medium::ProgramFolder(host_.files, host_.locale);
  set_caption(Text(lang::RES_EDITNOTICE_CAPTION));
  Label1->set_caption(Text(lang::RES_EDITNOTICE_LBL));
  btnYes->set_caption(Text(lang::RES_OK));
  btnCancel->set_caption(Text(lang::RES_CANCEL));
  btnHelp->set_caption(Text(lang::RES_HELP));
  language_index_ = lang::GetLangIndex(host_.locale);
  AlertShow();
}

// The template is gathered in one text and given to the box once: appended
// line by line, every line copied the whole text again (and the native box
// with it), and a template of a few megabytes kept the dialog from opening
// for longer than anyone waits. The lines read before a failed read stay.
void TEditNotice::AlertShow() {
  ui::Memo& memo = *memoAlert;
  memo.clear();
  const std::string path =
      FProgramFolder + std::string(medium::kAlertFiles[static_cast<std::size_t>(language_index_)]);
  if (!host_.files.exists(path)) {
    memo.append_line(Text(lang::RES_ALERT_MSG));
    return;
  }
  // Held while it is read, so that the text shown is the one verified.
  const medium::Verified step = CheckFile(*this, host_, launch_folder_, path);
  if (!step.ok()) return;
  auto reader = host_.files.open_read_shared(path);
  if (!reader) {
    // The text is the one the notice dialog has always shown; the system's
    // own cause may be another.
    platform::NoteForDebugger("notice template " + path, host_.files.last_error());
    throw InOutError(kAccessDenied);
  }
  std::string text;
  try {
    NoticeFromTemplate(*reader, host_.locale.ansi_code_page(), text);
  } catch (...) {
    memo.set_text(std::move(text));
    throw;
  }
  memo.set_text(std::move(text));
}

// Either the whole notice takes the place of the old one, owned by the
// administrators, or the failure is reported and the old one stays.
void TEditNotice::SaveNotice() {
  const std::string path(medium::kSavedNotice);
  if (!platform::PlaceText(host_.files, path, memoAlert->text())) {
    throw FileCreateError(path, host_.files.last_error());
  }
}

// A notice that is not saved, or a tool that will not start, is no
// confirmation: the dialog stays open after the report so that the cause can
// be put right and the notice confirmed again, or the dialog cancelled.
void TEditNotice::btnYesClick(ui::Control&) {
  try {
    SaveNotice();
    host_.registry.write_string(std::string(medium::kRunOnceKey),
                                std::string(medium::kRunOnceValue),
                                std::string(medium::kRunOnceData));
  } catch (...) {
    set_modal_result(ui::kModalNone);
    throw;
  }
}

void TEditNotice::btnHelpClick(ui::Control&) {
  // Help is optional; the dialog stays as it was whatever becomes of it.
  StartCheckedHelp(*this, host_, launch_folder_, Text(lang::RES_GHOSTCLI));
}

}  // namespace ktr::forms
