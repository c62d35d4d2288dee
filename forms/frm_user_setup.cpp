#include "forms/frm_user_setup.h"

#include "medium/medium.h"

namespace ktr::forms {

TUserSetup::TUserSetup(ui::Application& app, ui::Form* owner, const Host& host)
    : ui::Form(app, owner), host_(host) {}

void TUserSetup::FormCreate() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
  set_font(application().backend().icon_title_font());
}

}  // namespace ktr::forms
