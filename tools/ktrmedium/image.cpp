#include "tools/ktrmedium/image.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "tools/ktrmedium/check.h"
#include "tools/ktrmedium/medium_tree.h"
#include "tools/ktrmedium/run_program.h"
#ifndef _WIN32
#include "medium/seal.h"
#include "tools/ktrmedium/seal.h"
#include "tools/ktrmedium/sign.h"
#endif

namespace ktr::tools {
namespace {

namespace fs = std::filesystem;

// 2000-01-01 00:00:00 UTC, unless SOURCE_DATE_EPOCH says otherwise.
constexpr std::int64_t kDefaultEpoch = 946684800;
constexpr const char* kDefaultLabel = "KTR";

std::int64_t ImageEpoch() {
  const char* given = std::getenv("SOURCE_DATE_EPOCH");
  if (!given || !*given) return kDefaultEpoch;
  char* end = nullptr;
  const long long epoch = std::strtoll(given, &end, 10);
  return (*end == '\0' && epoch >= 0) ? epoch : kDefaultEpoch;
}

// YYYYMMDDhhmmsscc in UTC: the form of xorriso's volume "uuid" date.
std::string VolumeUuid(std::int64_t epoch) {
  const std::time_t when = static_cast<std::time_t>(epoch);
  const std::tm* utc = std::gmtime(&when);
  char text[32] = "1970010100000000";
  if (utc) std::strftime(text, sizeof text, "%Y%m%d%H%M%S00", utc);
  return text;
}

// A folder of our own for the generated autorun.inf, removed on every path:
// nothing is written into the medium.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && path_.empty(); ++attempt) {
      fs::path candidate = fs::temp_directory_path() / ("ktrmedium-" + std::to_string(random()));
      if (fs::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("cannot make a scratch folder");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

int Usage() {
  std::fprintf(stderr,
               "usage: ktrmedium image [--volume-label LABEL] [--force] [--pkcs12 CERT.p12 "
               "--password-file FILE [--timestamp URL]] FOLDER OUT.iso\n");
  return 2;
}

#ifndef _WIN32
// The programs of the medium's root that the disc carries signed: copies
// signed in the scratch folder, the medium itself left as it is.
std::vector<ImageReplacement> SignedCopies(const fs::path& folder, const fs::path& scratch,
                                           const ktrmedium::SigningKey& key) {
  const fs::path staged = scratch / "signed";
  fs::create_directory(staged);
  std::vector<ImageReplacement> replacements;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != "ktrsetup.exe" && lower != "ktrmedium.exe") continue;
    if (!entry.is_regular_file()) continue;
    fs::copy_file(entry.path(), staged / name);
    replacements.push_back({(staged / name).string(), "/" + name});
  }
  const ktrmedium::Outcome signed_ = ktrmedium::SignStagedPrograms(staged, key);
  if (!signed_.ok) throw std::runtime_error("signing failed: " + signed_.message);
  return replacements;
}

// The image's own list: every file the disc holds, the signed copies and
// the generated autorun.inf in place of the folder's, signed with the key
// the launcher now carries. Any list of the folder itself is replaced.
void SealImage(const fs::path& folder, const fs::path& scratch, const fs::path& autorun,
               const ktrmedium::SigningKey& key, std::vector<ImageReplacement>& replacements) {
  std::vector<std::pair<std::string, fs::path>> files;
  const ktrmedium::Outcome listed = ktrmedium::FilesToSeal(folder, files);
  if (!listed.ok) throw std::runtime_error(listed.message);
  files.emplace_back("autorun.inf", autorun);
  for (const ImageReplacement& replacement : replacements) {
    const std::string name = replacement.in_image.substr(1);
    std::erase_if(files, [&](const auto& file) { return FoldedName(file.first) == FoldedName(name); });
    files.emplace_back(name, replacement.source);
  }
  std::erase_if(files, [&](const auto& file) {
    return file.second != autorun && FoldedName(file.first) == "autorun.inf";
  });
  ktrmedium::SealedList sealed;
  const ktrmedium::Outcome made = ktrmedium::MakeSealedList(files, key, sealed);
  if (!made.ok) throw std::runtime_error("sealing failed: " + made.message);
  for (const auto& [name, bytes] : {std::pair{medium::kSumsFile, &sealed.list},
                                    std::pair{medium::kSumsSignature, &sealed.signature}}) {
    const fs::path file = scratch / std::string(name);
    std::ofstream out(file, std::ios::binary);
    out << *bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + file.string());
    replacements.push_back({file.string(), "/" + std::string(name)});
  }
}
#endif

}  // namespace

std::string AutorunText() { return "[autorun]\r\nopen=KtrSetup.exe\r\nicon=KtrSetup.exe\r\n"; }

bool IsVolumeLabel(const std::string& label) {
  if (label.empty() || label.size() > 16) return false;
  for (char c : label) {
    const bool fine = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == ' ';
    if (!fine) return false;
  }
  return true;
}

std::vector<std::string> XorrisoArguments(const std::string& folder, const std::string& autorun,
                                          const std::string& iso, const std::string& label,
                                          std::int64_t epoch,
                                          const std::vector<ImageReplacement>& replacements) {
  const std::string at = "=" + std::to_string(epoch);
  std::vector<std::string> args = {"xorriso", "-no_rc",    "-report_about",
                                   "FAILURE", "-abort_on", "FAILURE"};
  auto add = [&](std::initializer_list<std::string> words) { args.insert(args.end(), words); };
  add({"-outdev", "stdio:" + iso});
  add({"-joliet", "on"});
  add({"-volid", label});
  add({"-volume_date", "uuid", VolumeUuid(epoch)});
  add({"-volume_date", "all_file_dates", at});
  add({"-iso_nowtime", at});
  add({"-map", folder, "/"});
  add({"-map", autorun, "/autorun.inf"});
  // Mapped after the folder, a file replaces the medium's own of that name.
  for (const ImageReplacement& replacement : replacements) {
    add({"-map", replacement.source, replacement.in_image});
  }
  add({"-chown_r", "0", "/", "--"});
  add({"-chgrp_r", "0", "/", "--"});
  return args;
}

int RunImage(const std::vector<std::string>& args) {
  bool force = false;
  std::string label = kDefaultLabel;
  std::vector<std::string> paths;
#ifndef _WIN32
  ktrmedium::SigningKey key;
#endif
  for (std::size_t i = 0; i < args.size(); ++i) {
#ifndef _WIN32
    // Takes the option and its value and leaves i past both.
    std::string error;
    if (std::size_t at = i; ktrmedium::TakeSigningOption(args, at, key, error)) {
      if (!error.empty()) {
        std::fprintf(stderr, "ktrmedium image: %s\n", error.c_str());
        return Usage();
      }
      i = at - 1;
      continue;
    }
#endif
    if (args[i] == "--force") {
      force = true;
    } else if (args[i] == "--volume-label") {
      if (++i == args.size()) return Usage();
      label = args[i];
    } else if (args[i].starts_with("-")) {
      std::fprintf(stderr, "ktrmedium image: unknown option %s\n", args[i].c_str());
      return Usage();
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() != 2) return Usage();
#ifndef _WIN32
  if (key.pkcs12.empty() != key.password_file.empty() ||
      (key.pkcs12.empty() && !key.timestamp_url.empty())) {
    std::fprintf(stderr, "ktrmedium image: signing needs both --pkcs12 and --password-file\n");
    return Usage();
  }
#endif
  if (!IsVolumeLabel(label)) {
    std::fprintf(stderr,
                 "ktrmedium image: the volume label must be 1 to 16 letters, digits, '_', '-' "
                 "or blanks\n");
    return 2;
  }
  const fs::path folder(paths[0]);
  const fs::path iso(paths[1]);
  try {
    MediumTree tree(folder);
    const CheckResult checked = CheckMedium(tree);
    const std::size_t errors = checked.count(Severity::kError);
    if (errors > 0) {
      const std::string report = ReadableReport(checked, paths[0]);
      std::fwrite(report.data(), 1, report.size(), stderr);
      if (!force) {
        std::fprintf(stderr,
                     "ktrmedium image: refused, the medium has errors (--force makes "
                     "the image all the same)\n");
        return 1;
      }
    }
    ScratchFolder scratch;
    const fs::path autorun = scratch.path() / "autorun.inf";
    {
      std::ofstream out(autorun, std::ios::binary);
      out << AutorunText();
      if (!out.flush()) throw std::runtime_error("cannot write autorun.inf");
    }
    std::vector<ImageReplacement> replacements;
#ifndef _WIN32
    if (!key.pkcs12.empty()) {
      replacements = SignedCopies(folder, scratch.path(), key);
      SealImage(folder, scratch.path(), autorun, key, replacements);
    }
#endif
    // Written under a name of its own beside the result and moved over it only
    // when whole: xorriso would add a session to an existing image.
    const fs::path partial = fs::path(iso).concat(".partial");
    fs::remove(partial);
    const int code = RunProgram(XorrisoArguments(fs::absolute(folder).string(), autorun.string(),
                                                 partial.string(), label, ImageEpoch(),
                                                 replacements));
    if (code != 0) {
      std::error_code ignored;
      fs::remove(partial, ignored);
      if (code == -1 || code == 127) {
        std::fprintf(stderr, "ktrmedium image: xorriso not found (Debian package xorriso)\n");
      } else {
        std::fprintf(stderr, "ktrmedium image: xorriso failed with exit code %d\n", code);
      }
      return 2;
    }
    std::error_code moved;
    fs::rename(partial, iso, moved);
    if (moved) {
      fs::remove(partial, moved);
      std::fprintf(stderr, "ktrmedium image: cannot write %s\n", paths[1].c_str());
      return 2;
    }
    std::printf("%s: %llu bytes, volume %s\n", paths[1].c_str(),
                static_cast<unsigned long long>(fs::file_size(iso)), label.c_str());
    return errors > 0 ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ktrmedium image: %s\n", error.what());
    return 2;
  }
}

}  // namespace ktr::tools
