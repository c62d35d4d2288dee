#include "app/launcher.h"

#include "forms/frm_ghost_install.h"
#include "forms/frm_main.h"
#include "lang/multilang.h"
#include "medium/seal.h"

namespace ktr::app {
namespace {

int Run(Host& host, ui::Backend& backend) {
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

}  // namespace

// The seal outlives every window, so that what it holds until the launcher
// exits (a program started without waiting, the language file) stays held.
int RunLauncher(Host& host, ui::Backend& backend, Integrity* integrity,
                std::optional<Sha256Digest> pin) {
  if (!pin) return Run(host, backend);
  medium::Seal seal(host.files, integrity, *pin);
  medium::SealedProfile profile(host.profile, seal);
  Host sealed{host.locale,     host.version, host.registry, profile,
              host.files,      host.processes, host.shell,  &seal};
  return Run(sealed, backend);
}

}  // namespace ktr::app
