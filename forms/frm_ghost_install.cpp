#include "forms/frm_ghost_install.h"

#include "medium/medium.h"

namespace ktr::forms {

TGhostInstall::TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host)
    : ui::Form(app, owner), host_(host) {}

void TGhostInstall::FormCreate() {
  launch_folder_ = medium::LaunchFolder(host_.files, host_.locale);
  set_font(application().backend().icon_title_font());
}

}  // namespace ktr::forms
