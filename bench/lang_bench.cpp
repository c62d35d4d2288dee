// ReadLangString on the full English MultiLang.ini of a medium on disk: the
// file is opened, read and searched anew for every lookup, so the position
// of the key in the section is the only thing that varies. RawIniRead is the
// floor: the same file's bytes read with plain POSIX calls.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_medium.h"
#include "bench/disk_host.h"
#include "lang/keys.h"
#include "lang/multilang.h"

namespace {

using ktr::bench::BenchMedium;

void ReadLangString(benchmark::State& state) {
  const BenchMedium& medium = BenchMedium::Get();
  const std::string_view key = ktr::lang::kAllKeys.at(static_cast<std::size_t>(state.range(0)));
  ktr::bench::DiskHost disk(ktr::bench::kMediumDrive, medium.root(),
                            std::string(ktr::bench::kLaunchFolder));
  ktr::lang::SetLanguageIndexForTesting(ktr::lang::kEnglish);
  const std::string base(ktr::bench::kLaunchFolder);
  if (ktr::lang::ReadLangString(disk.profile, base, key) != BenchMedium::ValueOf(key)) {
    state.SkipWithError("the lookup does not find the medium's value");
    return;
  }
  for (auto _ : state) {
    std::string value = ktr::lang::ReadLangString(disk.profile, base, key);
    benchmark::DoNotOptimize(value.data());
  }
  state.SetLabel(std::string(key));
}

void RawIniRead(benchmark::State& state) {
  const auto path = BenchMedium::Get().multilang();
  std::string bytes;
  for (auto _ : state) {
    if (!ktr::bench::ReadWholeFile(path, bytes)) {
      state.SkipWithError("cannot read MultiLang.ini");
      break;
    }
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

// The first key, RES_LANG (read for every skin picture) and the last key.
BENCHMARK(ReadLangString)->ArgName("key")->Arg(0)->Arg(7)->Arg(37);
BENCHMARK(RawIniRead);
