#include "app/launcher.h"

#include "forms/frm_ghost_install.h"
#include "forms/frm_main.h"
#include "lang/multilang.h"

namespace ktr::app {

int RunLauncher(Host& host, ui::Backend& backend) {
  // The language is fixed before the first window exists and never changes.
  lang::InitLanguageIndex(host.locale);
  ui::Application app(backend);
  app.set_title(kInitialTitle);
  app.create_form<forms::TMainForm>(host);
  // Made once at start and never shown; its creation still runs in full, so
  // a broken Ghost skin is reported at start-up.
  app.create_form<forms::TGhostInstall>(nullptr, host);
  app.run();
  return 0;
}

}  // namespace ktr::app
