// The whole check of a medium as `ktrmedium check` runs it: the folder
// listed, every file it looks at read once, every rule applied. The medium is
// the demo medium that scripts/bench.sh lays out (KTR_BENCH_DEMO_MEDIUM);
// the target is well under a second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "tools/ktrmedium/check.h"
#include "tools/ktrmedium/medium_tree.h"

namespace {

void MediumCheck(benchmark::State& state) {
  const char* folder = std::getenv("KTR_BENCH_DEMO_MEDIUM");
  if (!folder) {
    state.SkipWithError("KTR_BENCH_DEMO_MEDIUM names no medium (scripts/bench.sh sets it)");
    return;
  }
  std::size_t findings = 0;
  for (auto _ : state) {
    ktr::tools::MediumTree tree{std::filesystem::path(folder)};
    const ktr::tools::CheckResult result = ktr::tools::CheckMedium(tree);
    findings = result.findings.size();
    benchmark::DoNotOptimize(findings);
  }
  state.SetLabel(std::to_string(findings) + " findings");
}
BENCHMARK(MediumCheck)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
