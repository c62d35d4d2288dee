#include "forms/skinned_form.h"

#include "forms/sealed_step.h"

#include <stdexcept>

#include "forms/builtin_pictures.h"
#include "forms/layout.h"
#include "lang/multilang.h"
#include "medium/command_line.h"
#include "medium/medium.h"
#include "platform/errors.h"
#include "platform/process_helpers.h"

namespace ktr::forms {

SkinnedForm::SkinnedForm(ui::Application& app, ui::Form* owner, const Host& host)
    : ui::Form(app, owner), host_(host) {}

void SkinnedForm::SetBuiltinPictures() {
  background_->align_client = true;
  SetBuiltinBackground(*background_);
  for (const SkinPicture& picture : skin_) {
    if (picture.normal == medium::kButtonLongEmpty) {
      SetBuiltinLongButton(*picture.image);
    } else if (picture.normal == medium::kButtonEmpty) {
      SetBuiltinShortButton(*picture.image);
    }
  }
}

const ui::Control* SkinnedForm::KeyboardHighlight() const {
  const LatchEntry* entry = latch_.keyboard_entry();
  return entry ? entry->image : nullptr;
}

const ui::Control* SkinnedForm::PointerHighlight() const {
  const LatchEntry* entry = latch_.pointer_entry();
  return entry ? entry->image : nullptr;
}

void SkinnedForm::TakeLaunchFolder() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
}

std::string SkinnedForm::Text(std::string_view key) const {
  return lang::ReadLangString(host_.profile, launch_folder_, key);
}

const LatchEntry& SkinnedForm::Button(int tag) const {
  if (const LatchEntry* entry = latch_.entry(tag)) return *entry;
  throw std::logic_error("no button has this Tag");
}

// A broken picture stops the loading; the background and the buttons go.
void SkinnedForm::LoadSkin() {
  ui::BusyCursor busy(application());
  try {
    for (const SkinPicture& picture : skin_) {
      ShowPicture(*picture.image, picture.normal);
    }
    application().process_messages();
  } catch (const InvalidGraphic&) {
    background_->clear();
    ClearButtons();
  }
}

void SkinnedForm::ClearButtons() {
  for (const SkinPicture& picture : skin_) {
    if (picture.image != background_) picture.image->clear();
  }
}

void SkinnedForm::SetDescription(const LatchEntry& button) {
  for (std::size_t i = 0; i < description_.size(); ++i) {
    if (description_[i]) description_[i]->set_caption(Text(button.shows[i]));
  }
}

void SkinnedForm::ShowDescription(bool visible) {
  for (ui::Label* label : description_) {
    if (label) label->set_visible(visible);
  }
}

bool SkinnedForm::DescriptionShown() const { return description_[0]->visible(); }

void SkinnedForm::ImgBackgroundMouseMove(ui::Control&) { latch_.background_mouse_move(); }

void SkinnedForm::ImgButton1MouseMove(ui::Control& sender) {
  latch_.entry_mouse_move(sender.tag());
}

void SkinnedForm::KeyDown(ui::Key key, bool shift) { latch_.key_down(key, shift); }

bool SkinnedForm::PointerMoved(bool moved) {
  if (latch_.keyboard_holds() && !moved) return false;
  latch_.pointer_moved();
  return true;
}

void SkinnedForm::ShowPicture(ui::Image& image, std::string_view file) {
  LoadSkinPicture(host_, launch_folder_, image, file);
}

void SkinnedForm::BackgroundCrossed() {
  if (DescriptionShown()) ShowDescription(false);
}

void SkinnedForm::Restored() { application().process_messages(); }

void SkinnedForm::RestoreBroken() {
  ClearButtons();
  application().process_messages();
}

bool SkinnedForm::RunInstaller(std::string_view relative_program) {
  const std::string line = medium::ProgramCommandLine(launch_folder_, relative_program);
  const medium::Verified step = CheckCommand(*this, host_, launch_folder_, line);
  if (step.refused()) return false;
  ui::HiddenWhile hidden(*this);
  application().process_messages();
  if (step.ok()) platform::RunAndWait(host_.processes, line, kSwShow);
  return true;
}

void SkinnedForm::StartHelp(std::string_view key) {
  StartCheckedHelp(*this, host_, launch_folder_, Text(key));
}

}  // namespace ktr::forms
