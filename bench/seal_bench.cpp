// What a sealed launcher's verification of a step costs natively: a folder
// of 100 MB (an installer of 60 MB and four packages of 10 MB beside it) on
// disk, hashed through the launcher's own code (medium::Seal::DigestOf over
// the files port, OpenSSL's SHA-256 as the in-memory host has it), against a
// plain read of the same bytes with POSIX calls in every iteration. The
// counter ratio is the one the seal is held to (1.5 at most); the files are
// in the system's cache after the first pass, so this is the hashing's own
// cost, not the medium's.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "bench/cpu_clock.h"
#include "bench/disk_host.h"
#include "medium/seal.h"
#include "testing/openssl_integrity.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::pair<std::string, std::size_t>> kFolder = {
    {"Install.exe", 60u << 20}, {"data1.cab", 10u << 20}, {"data2.cab", 10u << 20},
    {"data3.cab", 10u << 20}, {"data4.cab", 10u << 20}};

const fs::path& Folder() {
  static const fs::path folder = [] {
    const fs::path made = fs::temp_directory_path() / "ktr-seal-bench";
    fs::create_directories(made / "Setup");
    std::vector<char> block(1 << 20);
    unsigned seed = 12345;
    for (const auto& [name, size] : kFolder) {
      std::ofstream out(made / "Setup" / name, std::ios::binary);
      for (std::size_t done = 0; done < size; done += block.size()) {
        for (char& c : block) c = static_cast<char>(seed = seed * 1103515245u + 12345u);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
    }
    return made;
  }();
  return folder;
}

void SealedStepOf100MB(benchmark::State& state) {
  ktr::bench::DiskFiles files('D', Folder(), "D:\\");
  ktr::fake::OpenSslIntegrity integrity;
  std::string buffer;
  double hashed = 0, plain = 0;
  for (auto _ : state) {
    double start = ktr::bench::ThreadSeconds();
    for (const auto& [name, size] : kFolder) {
      auto reader = files.open_read_shared("D:\\Setup\\" + name);
      auto hasher = integrity.sha256();
      benchmark::DoNotOptimize(ktr::medium::Seal::DigestOf(*hasher, *reader));
    }
    hashed += ktr::bench::ThreadSeconds() - start;
    start = ktr::bench::ThreadSeconds();
    for (const auto& [name, size] : kFolder) {
      ktr::bench::ReadWholeFile(Folder() / "Setup" / name, buffer);
      benchmark::DoNotOptimize(buffer.data());
    }
    plain += ktr::bench::ThreadSeconds() - start;
  }
  state.counters["plain_ms"] = 1000 * plain / static_cast<double>(state.iterations());
  state.counters["hashed_ms"] = 1000 * hashed / static_cast<double>(state.iterations());
  state.counters["ratio"] = hashed / plain;
  state.counters["hash_MB_s"] = 100 * static_cast<double>(state.iterations()) / hashed;
}
BENCHMARK(SealedStepOf100MB)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
