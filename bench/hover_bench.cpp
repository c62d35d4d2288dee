// One highlight change of the main menu, natively: a TMainForm on the
// headless backend over a medium on disk. Moving onto the manual entry loads
// ButtonAct1.bmp and ContentManual.bmp and looks RES_LANG up twice; moving
// back onto the background loads Button1.bmp and ContentEmpty.bmp, again
// with two lookups. The headless repaint costs nothing, so what is measured
// is the launcher's own work on top of the reads: path building, INI
// parsing, decoding, the toolkit's dispatch.
//
// The yardstick is a raw read of the same bytes in the same order with plain
// POSIX calls, keeping nothing from them. It runs in every iteration right
// after the move it stands for, so that a change in the machine's load falls
// on both alike; the counters give its time (raw_us) and the ratio of the
// two (the aim is 1.5 at most). Times are the thread's processor time
// (cpu_clock.h).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_medium.h"
#include "bench/cpu_clock.h"
#include "bench/disk_host.h"
#include "forms/frm_main.h"
#include "lang/multilang.h"
#include "testing/headless_backend.h"
#include "ui/scale.h"

namespace {

using ktr::bench::BenchMedium;
using ktr::bench::ThreadSeconds;

// The main menu, created as at start-up, on the benchmark medium.
struct MainMenu {
  MainMenu()
      : disk(ktr::bench::kMediumDrive, BenchMedium::Get().root(),
             std::string(ktr::bench::kLaunchFolder)) {
    ktr::lang::SetLanguageIndexForTesting(ktr::lang::kEnglish);
    form = &app.create_form<ktr::forms::TMainForm>(disk.host());
  }

  // Why the menu is not in the state a measurement needs, or null.
  const char* Fault() const {
    if (!backend.message_boxes.empty()) return "the main menu reported an error";
    if (WidthOf("ImgContent") != 358) return "the skin was not loaded";
    return nullptr;
  }
  int WidthOf(const char* image) const {
    const auto& picture = ktr::fake::ImageNamed(*form, image).picture();
    return picture ? picture->width : 0;
  }

  ktr::bench::DiskHost disk;
  ktr::fake::HeadlessBackend backend;
  ktr::ui::Application app{backend};
  ktr::forms::TMainForm* form = nullptr;
};

// The bytes of one change: the INI for RES_LANG, an entry picture, the INI
// again, a content picture.
class RawReads {
 public:
  RawReads(std::string_view entry, std::string_view content)
      : ini_(BenchMedium::Get().multilang()),
        entry_(BenchMedium::Get().skin_file(entry)),
        content_(BenchMedium::Get().skin_file(content)) {}

  bool Run() {
    const bool read = ktr::bench::ReadWholeFile(ini_, ini_bytes_) &&
                      ktr::bench::ReadWholeFile(entry_, entry_bytes_) &&
                      ktr::bench::ReadWholeFile(ini_, ini_bytes_) &&
                      ktr::bench::ReadWholeFile(content_, content_bytes_);
    benchmark::DoNotOptimize(entry_bytes_.data());
    benchmark::DoNotOptimize(content_bytes_.data());
    return read;
  }

 private:
  std::filesystem::path ini_, entry_, content_;
  std::string ini_bytes_, entry_bytes_, content_bytes_;
};

// `onto_entry` times the move onto the entry, otherwise the move back onto
// the background; the other move of the pair runs untimed.
void Hover(benchmark::State& state, bool onto_entry, int dpi) {
  MainMenu menu;
  const ktr::ui::Scale scale(dpi);
  ktr::ui::ScaledPictures scaled;
  // What the painter does with the two pictures that changed.
  auto paint = [&] {
    if (scale.unit()) return;
    for (const char* name : {"ImgManual", "ImgContent"}) {
      const auto& picture = ktr::fake::ImageNamed(*menu.form, name).picture();
      if (picture) benchmark::DoNotOptimize(scaled.get(picture, scale, false).pixels.data());
    }
  };
  if (const char* fault = menu.Fault()) {
    state.SkipWithError(fault);
    return;
  }
  RawReads raw = onto_entry ? RawReads("ButtonAct1.bmp", "ContentManual.bmp")
                            : RawReads("Button1.bmp", "ContentEmpty.bmp");
  double ours_total = 0;
  double raw_total = 0;
  for (auto _ : state) {
    const double t0 = ThreadSeconds();
    ktr::fake::MoveOver(*menu.form, "ImgManual");
    paint();
    const double t1 = ThreadSeconds();
    ktr::fake::MoveOver(*menu.form, "ImgBackground");
    paint();
    const double t2 = ThreadSeconds();
    if (!raw.Run()) {
      state.SkipWithError("cannot read the medium");
      return;
    }
    const double t3 = ThreadSeconds();
    const double ours = onto_entry ? t1 - t0 : t2 - t1;
    ours_total += ours;
    raw_total += t3 - t2;
    state.SetIterationTime(ours);
  }
  if (const char* fault = menu.Fault()) state.SkipWithError(fault);
  if (menu.form->latch().AnyHighlighted() || menu.WidthOf("ImgManual") != 172) {
    state.SkipWithError("the highlight did not come and go");
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["raw_us"] = iterations > 0 ? raw_total / iterations * 1e6 : 0;
  state.counters["ratio"] = raw_total > 0 ? ours_total / raw_total : 0;
}

void HoverHighlight(benchmark::State& state) { Hover(state, true, ktr::ui::kLayoutDpi); }
void HoverRestore(benchmark::State& state) { Hover(state, false, ktr::ui::kLayoutDpi); }
void HoverHighlightAt200(benchmark::State& state) { Hover(state, true, 192); }
void HoverRestoreAt200(benchmark::State& state) { Hover(state, false, 192); }

}  // namespace

BENCHMARK(HoverHighlight)->UseManualTime();
BENCHMARK(HoverRestore)->UseManualTime();
BENCHMARK(HoverHighlightAt200)->UseManualTime();
BENCHMARK(HoverRestoreAt200)->UseManualTime();
