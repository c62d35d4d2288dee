#include "forms/skinned_form.h"

#include "forms/builtin_pictures.h"
#include "forms/layout.h"
#include "lang/multilang.h"
#include "medium/medium.h"
#include "medium/command_line.h"
#include "platform/errors.h"
#include "platform/process_helpers.h"

namespace ktr::forms {
namespace {

constexpr const char* kDescriptionLabels[] = {"lblTitle", "lblContent", "lblNotice"};

}  // namespace

SkinnedForm::SkinnedForm(ui::Application& app, ui::Form* owner, const Host& host,
                         std::span<const SkinButton> buttons)
    : ui::Form(app, owner), host_(host), latch_(host_, launch_folder_), buttons_(buttons) {}

void SkinnedForm::AttachButtons(LatchHooks hooks) {
  auto& background = ImageOf(*this, "ImgBackground");
  background.align_client = true;
  background.set_picture(BuiltinBackground());
  for (const SkinButton& button : buttons_) {
    ImageOf(*this, button.image)
        .set_picture(button.normal == medium::kButtonLongEmpty ? BuiltinLongButton()
                                                               : BuiltinShortButton());
    latch_.add({button.tag, &ImageOf(*this, button.image), button.normal, button.active});
  }
  latch_.set_hooks(std::move(hooks));
}

void SkinnedForm::TakeLaunchFolder() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
}

std::string SkinnedForm::Text(std::string_view key) const {
  return lang::ReadLangString(host_.profile, launch_folder_, key);
}

const SkinButton& SkinnedForm::Button(int tag) const {
  for (const SkinButton& button : buttons_) {
    if (button.tag == tag) return button;
  }
  return buttons_.front();
}

void SkinnedForm::LoadSkin() {
  ui::BusyCursor busy(application());
  try {
    LoadSkinPicture(host_, launch_folder_, ImageOf(*this, "ImgBackground"),
                    medium::kBackgroundEmpty);
    for (const SkinButton& button : buttons_) {
      LoadSkinPicture(host_, launch_folder_, ImageOf(*this, button.image), button.normal);
    }
    application().process_messages();
  } catch (const InvalidGraphic&) {
    ImageOf(*this, "ImgBackground").clear();
    ClearButtons();
  }
}

void SkinnedForm::ClearButtons() {
  for (const SkinButton& button : buttons_) ImageOf(*this, button.image).clear();
}

void SkinnedForm::SetDescription(const SkinButton& button) {
  const std::string_view keys[] = {button.title, button.content, button.notice};
  for (std::size_t i = 0; i < std::size(kDescriptionLabels); ++i) {
    if (auto* label = dynamic_cast<ui::Label*>(find(kDescriptionLabels[i]))) {
      label->set_caption(Text(keys[i]));
    }
  }
}

void SkinnedForm::ShowDescription(bool visible) {
  for (const char* name : kDescriptionLabels) {
    if (ui::Control* label = find(name)) label->set_visible(visible);
  }
}

bool SkinnedForm::DescriptionShown() const { return find("lblTitle")->visible(); }

void SkinnedForm::ImgBackgroundMouseMove(ui::Control&) { latch_.background_mouse_move(); }

void SkinnedForm::ImgButton1MouseMove(ui::Control& sender) {
  latch_.entry_mouse_move(sender.tag());
}

void SkinnedForm::RunHidden(const std::function<void()>& work) {
  hide();
  try {
    application().process_messages();
    work();
  } catch (...) {
    show();
    throw;
  }
  show();
}

void SkinnedForm::RunInstaller(std::string_view relative_program) {
  RunHidden([&] {
    platform::RunAndWait(host_.processes,
                         medium::ProgramCommandLine(launch_folder_, relative_program), kSwShow);
  });
}

void SkinnedForm::StartHelp(std::string_view key) {
  medium::StartHelp(host_.processes, host_.files, launch_folder_, Text(key));
}

}  // namespace ktr::forms
