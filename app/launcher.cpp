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
  // Both windows are made before either creation step runs: under Wine a
  // window made while the display server is still mapping the shown main
  // menu takes half as long again. The steps keep their order: the main
  // menu's, after which it is shown, then the Ghost window's.
  auto& main = app.add_form<forms::TMainForm>(host);
  // Made once at start and never shown; its creation still runs in full, so
  // a broken Ghost skin is reported at start-up.
  auto& ghost = app.add_form<forms::TGhostInstall>(nullptr, host);
  main.create();
  ghost.create();
  app.run();
  return 0;
}

}  // namespace ktr::app
