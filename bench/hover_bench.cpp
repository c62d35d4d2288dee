// One highlight change of the main menu, natively: a TMainForm on the
// headless backend over a medium on disk. Moving onto the manual entry loads
// ButtonAct1.bmp and ContentManual.bmp and looks RES_LANG up twice; moving
// back onto the background loads Button1.bmp and ContentEmpty.bmp, again
// with two lookups. The headless repaint costs nothing, so what is measured
// is the launcher's own work: path building, INI parsing, decoding, the
// toolkit's dispatch.
//
// The Raw benchmarks read the same bytes in the same order with plain POSIX
// calls and keep nothing from them: the floor the launcher's cost is set
// against (scripts/bench.sh prints the ratio; the aim is 1.5 at most).
// All four report the thread's processor time as their time (cpu_clock.h).
#include <benchmark/benchmark.h>

#include <string>

#include "app/frm_main.h"
#include "bench/bench_medium.h"
#include "bench/cpu_clock.h"
#include "bench/disk_host.h"
#include "lang/multilang.h"
#include "tests/fakes/headless_backend.h"

namespace {

using ktr::bench::BenchMedium;
using ktr::bench::ThreadSeconds;

// The main menu, created as at start-up, on the benchmark medium.
struct MainMenu {
  MainMenu()
      : disk(ktr::bench::kMediumDrive, BenchMedium::Get().root(),
             std::string(ktr::bench::kLaunchFolder)) {
    ktr::lang::SetLanguageIndexForTesting(ktr::lang::kEnglish);
    form = &app.create_form<ktr::app::TMainForm>(disk.host());
  }

  // Why the menu is not in the state a measurement needs, or null.
  const char* Fault() const {
    if (!backend.message_boxes.empty()) return "the main menu reported an error";
    if (WidthOf("ImgContent") != 358) return "the skin was not loaded";
    return nullptr;
  }
  int WidthOf(const char* image) const {
    const auto& picture = ktr::testing::ImageNamed(*form, image).picture();
    return picture ? picture->width : 0;
  }

  ktr::bench::DiskHost disk;
  ktr::testing::HeadlessBackend backend;
  ktr::ui::Application app{backend};
  ktr::app::TMainForm* form = nullptr;
};

// `onto_entry` times the move onto the entry, otherwise the move back onto
// the background; the other move of the pair runs untimed.
void Hover(benchmark::State& state, bool onto_entry) {
  MainMenu menu;
  if (const char* fault = menu.Fault()) {
    state.SkipWithError(fault);
    return;
  }
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    ktr::testing::MoveOver(*menu.form, "ImgManual");
    const double t1 = ThreadSeconds();
    ktr::testing::MoveOver(*menu.form, "ImgBackground");
    const double t2 = ThreadSeconds();
    state.SetIterationTime(onto_entry ? t1 - t0 : t2 - t1);
  }
  if (const char* fault = menu.Fault()) state.SkipWithError(fault);
  if (menu.form->latch().AnyHighlighted() ||
      menu.WidthOf("ImgManual") != 172) {
    state.SkipWithError("the highlight did not come and go");
  }
}

void HoverHighlight(benchmark::State& state) { Hover(state, true); }
void HoverRestore(benchmark::State& state) { Hover(state, false); }

// The bytes of one change: the INI for RES_LANG, a button picture, the INI
// again, a content picture.
void Raw(benchmark::State& state, std::string_view button, std::string_view content) {
  const BenchMedium& medium = BenchMedium::Get();
  const auto ini = medium.multilang();
  const auto button_path = medium.skin_file(button);
  const auto content_path = medium.skin_file(content);
  std::string ini_bytes, button_bytes, content_bytes;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    const bool read = ktr::bench::ReadWholeFile(ini, ini_bytes) &&
                      ktr::bench::ReadWholeFile(button_path, button_bytes) &&
                      ktr::bench::ReadWholeFile(ini, ini_bytes) &&
                      ktr::bench::ReadWholeFile(content_path, content_bytes);
    if (!read) {
      state.SkipWithError("cannot read the medium");
      break;
    }
    benchmark::DoNotOptimize(button_bytes.data());
    benchmark::DoNotOptimize(content_bytes.data());
    state.SetIterationTime(ThreadSeconds() - t0);
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(2 * ini_bytes.size() + button_bytes.size() +
                                                    content_bytes.size()));
}

void RawHighlight(benchmark::State& state) { Raw(state, "ButtonAct1.bmp", "ContentManual.bmp"); }
void RawRestore(benchmark::State& state) { Raw(state, "Button1.bmp", "ContentEmpty.bmp"); }

}  // namespace

BENCHMARK(HoverHighlight)->UseManualTime();
BENCHMARK(RawHighlight)->UseManualTime();
BENCHMARK(HoverRestore)->UseManualTime();
BENCHMARK(RawRestore)->UseManualTime();
