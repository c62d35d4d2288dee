// The cost of verifying a step against a plain read of the same bytes, with
// the launcher's own code on the Windows API: a folder of 100 MB (an
// installer and its packages) read through held handles, once plainly and
// once hashed as the sealed launcher hashes it (medium::Seal::DigestOf on
// Win32Integrity). Each pass reads from the system's cache after a warm-up.
// Usage: ktr_hash_bench FOLDER RESULT-FILE [ROUNDS]
//        ktr_hash_bench once plain|hashed FOLDER RESULT-FILE
//        ktr_hash_bench step LAUNCH-FOLDER LANGUAGE-FILE PROGRAM PIN-HEX RESULT-FILE
// The second form times what a sealed launcher adds on a real medium: the
// list's signature check with the language file's hash (its first text
// lookup), then the verification of one program's step.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "medium/seal.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"

namespace {

using Clock = std::chrono::steady_clock;

// 60 MB of installer and four packages of 10 MB beside it.
const std::vector<std::pair<std::string, std::size_t>> kFolder = {
    {"Install.exe", 60u << 20}, {"data1.cab", 10u << 20}, {"data2.cab", 10u << 20},
    {"data3.cab", 10u << 20}, {"data4.cab", 10u << 20}};

bool Make(const std::string& folder) {
  ::CreateDirectoryA(folder.c_str(), nullptr);
  std::vector<char> block(1 << 20);
  unsigned seed = 12345;
  for (const auto& [name, size] : kFolder) {
    FILE* out = std::fopen((folder + "\\" + name).c_str(), "wb");
    if (!out) return false;
    for (std::size_t done = 0; done < size; done += block.size()) {
      for (char& c : block) c = static_cast<char>(seed = seed * 1103515245u + 12345u);
      std::fwrite(block.data(), 1, block.size(), out);
    }
    std::fclose(out);
  }
  return true;
}

double Pass(ktr::win32::Win32Files& files, ktr::win32::Win32Integrity* integrity,
            const std::string& folder, std::uint64_t& bytes) {
  std::vector<char> block(256u << 10);
  const auto start = Clock::now();
  for (const auto& [name, size] : kFolder) {
    auto reader = files.open_read_shared(folder + "\\" + name);
    if (!reader) std::exit(3);
    if (integrity) {
      auto hasher = integrity->sha256();
      if (!hasher || !ktr::medium::Seal::DigestOf(*hasher, *reader)) std::exit(4);
    } else {
      while (reader->read(block.data(), block.size()) > 0) {
      }
    }
    bytes += size;
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int Step(char** argv) {
  const std::string launch = argv[2];
  const std::optional<ktr::Sha256Digest> pin = ktr::medium::DigestOfHex(argv[5]);
  if (!pin) return 2;
  ktr::win32::Win32Files files;
  ktr::win32::Win32Integrity integrity;
  ktr::medium::Seal seal(files, &integrity, *pin);
  auto start = Clock::now();
  const bool language = seal.language_file_verified(launch, argv[3]);
  const double first_need = std::chrono::duration<double>(Clock::now() - start).count();
  start = Clock::now();
  const ktr::medium::Verified step = seal.program(launch, argv[4]);
  const double program = std::chrono::duration<double>(Clock::now() - start).count();
  FILE* out = std::fopen(argv[6], "w");
  if (!out) return 6;
  std::fprintf(out, "language_ok=%d first_need_ms=%.2f step_ok=%d step_files=%u step_ms=%.2f\n",
               language ? 1 : 0, 1000 * first_need, step.ok() ? 1 : 0,
               static_cast<unsigned>(step.held()), 1000 * program);
  std::fclose(out);
  return 0;
}

// One pass, plain or hashed, for a caller that empties the system's cache
// before each: the cost from the medium rather than from memory.
int Once(char** argv) {
  const bool hash = std::string(argv[2]) == "hashed";
  const std::string folder = argv[3];
  if (::GetFileAttributesA((folder + "\\" + kFolder.back().first).c_str()) ==
          INVALID_FILE_ATTRIBUTES &&
      !Make(folder)) {
    return 5;
  }
  ktr::win32::Win32Files files;
  ktr::win32::Win32Integrity integrity;
  std::uint64_t bytes = 0;
  const double seconds = Pass(files, hash ? &integrity : nullptr, folder, bytes);
  FILE* out = std::fopen(argv[4], "w");
  if (!out) return 6;
  std::fprintf(out, "%.4f\n", seconds);
  std::fclose(out);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 7 && std::string(argv[1]) == "step") return Step(argv);
  if (argc >= 5 && std::string(argv[1]) == "once") return Once(argv);
  if (argc < 3) return 2;
  const std::string folder = argv[1];
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  if (!Make(folder)) return 5;
  ktr::win32::Win32Files files;
  ktr::win32::Win32Integrity integrity;
  std::uint64_t bytes = 0;
  Pass(files, nullptr, folder, bytes);  // warm the cache
  std::vector<double> plain, hashed;
  for (int round = 0; round < rounds; ++round) {
    plain.push_back(Pass(files, nullptr, folder, bytes));
    hashed.push_back(Pass(files, &integrity, folder, bytes));
  }
  std::sort(plain.begin(), plain.end());
  std::sort(hashed.begin(), hashed.end());
  const double read = plain[plain.size() / 2], hash = hashed[hashed.size() / 2];
  FILE* out = std::fopen(argv[2], "w");
  if (!out) return 6;
  std::fprintf(out, "plain_read_s=%.4f hashed_s=%.4f ratio=%.2f hash_mb_s=%.1f read_mb_s=%.1f\n",
               read, hash, hash / read, 100.0 / hash, 100.0 / read);
  std::fclose(out);
  for (const auto& [name, size] : kFolder) ::DeleteFileA((folder + "\\" + name).c_str());
  ::RemoveDirectoryA(folder.c_str());
  return 0;
}
