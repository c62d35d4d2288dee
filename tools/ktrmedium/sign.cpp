#include "tools/ktrmedium/sign.h"

#include "tools/ktrmedium/run_program.h"
#include "tools/ktrmedium/seal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <system_error>

namespace ktr::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSigningTool = "osslsigncode";
constexpr const char* kUsage =
    "usage: ktrmedium sign PROGRAM.exe --pkcs12 CERT.p12 --password-file FILE "
    "[--timestamp URL]\n";

// The signing tool without a shell, so that no path or address is ever read
// as shell syntax, with what it says kept.
tools::ProgramRun RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), kSigningTool);
  tools::ProgramRun run = tools::RunProgramCollecting(args);
  if (!run.started) run.output += " (Debian package osslsigncode)";
  return run;
}

Outcome Failed(std::string message) { return Outcome{false, std::move(message)}; }

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

// Says why FILE cannot serve as an input, or nothing when it can.
std::string UnreadableInput(const fs::path& file, const char* what) {
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    return std::string(what) + " " + file.string() + " is not a file";
  }
  if (!std::ifstream(file, std::ios::binary)) {
    return std::string("cannot read the ") + what + " " + file.string();
  }
  return {};
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Flushes the signed program to the disk before it replaces the original,
// so that a crash cannot leave an empty file under the program's name.
bool Flushed(const fs::path& file) {
  const int descriptor = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return false;
  const bool flushed = fsync(descriptor) == 0;
  close(descriptor);
  return flushed;
}

}  // namespace

Outcome SignProgram(const fs::path& program, const SigningKey& key) {
  for (const auto& [file, what] : {std::pair{program, "program"},
                                   {key.pkcs12, "certificate"},
                                   {key.password_file, "password file"}}) {
    if (std::string problem = UnreadableInput(file, what); !problem.empty()) {
      return Failed(problem);
    }
  }
  struct stat original {};
  if (stat(program.c_str(), &original) != 0) {
    return Failed("cannot read the program " + program.string());
  }

  // The tool refuses to overwrite a file, so it writes into a folder of its
  // own beside the program: on the same file system the move is atomic.
  const fs::path folder = program.has_parent_path() ? program.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + program.filename().string() + ".signing-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return Failed("cannot create a temporary folder beside " + program.string() + ": " +
                  std::strerror(errno));
  }
  const fs::path work = pattern;
  const fs::path signed_program = work / program.filename();

  // A launcher gets the certificate's key into its reserved place first, so
  // that the signature covers it: it then verifies the medium it runs from.
  fs::path input = program;
  std::string problem;
  Sha256Digest digest{};
  const fs::path pinned_copy = work / ("pinned-" + program.filename().string());
  bool pinned = false;
  std::size_t offset = 0;
  std::ifstream probe(program, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(probe), std::istreambuf_iterator<char>()};
  if (FindPinRegion(bytes, offset) != PinRegion::kNone) {
    Outcome keyed = SignerKeyOf(key, digest);
    if (keyed.ok) keyed = PinnedCopy(program, pinned_copy, digest, pinned);
    if (!keyed.ok) problem = keyed.message;
    if (pinned) input = pinned_copy;
  }
  if (!problem.empty()) {
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return Failed(problem);
  }

  // The password is read from its file by the tool itself: it never appears
  // on a command line, where every user of the machine could read it.
  // The tool reads a password file named "-" from its standard input.
  const fs::path password_file =
      key.password_file == "-" ? fs::path(".") / key.password_file : key.password_file;
  std::vector<std::string> args{
      "sign", "-pkcs12", key.pkcs12.string(), "-readpass", password_file.string(), "-h", "sha256"};
  if (key.timestamp_url.empty()) {
    args.insert(args.end(), {"-time", std::to_string(kFixedSigningTime)});
  } else {
    args.insert(args.end(), {"-ts", key.timestamp_url});
  }
  args.insert(args.end(), {"-in", input.string(), "-out", signed_program.string()});
  const tools::ProgramRun run = RunTool(args);

  Outcome outcome;
  std::error_code error;
  if (!run.started) {
    outcome = Failed(run.output);
  } else if (run.exit_code != 0 || !fs::is_regular_file(signed_program, error)) {
    outcome = Failed("signing " + program.string() + " failed: " + Trimmed(run.output));
  } else if (chmod(signed_program.c_str(), original.st_mode & 07777) != 0 ||
             !Flushed(signed_program)) {
    outcome = Failed("cannot finish the signed copy of " + program.string() + ": " +
                     std::strerror(errno));
  } else if (rename(signed_program.c_str(), program.c_str()) != 0) {
    outcome = Failed("cannot replace " + program.string() +
                     " by its signed copy: " + std::strerror(errno));
  } else {
    outcome.ok = true;
  }
  fs::remove_all(work, error);
  return outcome;
}

Outcome VerifyProgram(const fs::path& program, const fs::path& ca_file) {
  const tools::ProgramRun run = RunTool({"verify", "-CAfile", ca_file.string(), "-in", program.string()});
  if (!run.started) return Failed(run.output);
  return Outcome{run.exit_code == 0, run.output};
}

Outcome SignStagedPrograms(const fs::path& staged_medium, const SigningKey& key) {
  struct Wanted {
    const char* name;
    bool required;
    fs::path found;
  };
  Wanted wanted[] = {{"KtrSetup.exe", true, {}}, {"ktrmedium.exe", false, {}}};
  std::error_code error;
  for (fs::directory_iterator entry(staged_medium, error), end; !error && entry != end;
       entry.increment(error)) {
    for (Wanted& program : wanted) {
      if (SameName(entry->path().filename().string(), program.name) && entry->is_regular_file()) {
        program.found = entry->path();
      }
    }
  }
  if (error) return Failed("cannot read the folder " + staged_medium.string());
  for (const Wanted& program : wanted) {
    if (program.found.empty()) {
      if (program.required) {
        return Failed(std::string("no ") + program.name + " in " + staged_medium.string());
      }
      continue;
    }
    if (Outcome signed_one = SignProgram(program.found, key); !signed_one.ok) return signed_one;
  }
  return Outcome{true, {}};
}

bool TakeSigningOption(const std::vector<std::string>& args, std::size_t& i, SigningKey& key,
                       std::string& error) {
  const std::string& option = args[i];
  if (option != "--pkcs12" && option != "--password-file" && option != "--timestamp") {
    return false;
  }
  if (i + 1 >= args.size() || args[i + 1].empty()) {
    error = option + " needs a value";
    i = args.size();
    return true;
  }
  const std::string& value = args[i + 1];
  if (option == "--pkcs12") {
    key.pkcs12 = value;
  } else if (option == "--password-file") {
    key.password_file = value;
  } else {
    key.timestamp_url = value;
  }
  i += 2;
  return true;
}

std::string ParseSigningCommand(const std::vector<std::string>& args, const char* what,
                                SigningKey& key, std::string& path) {
  std::vector<std::string> paths;
  std::string error;
  for (std::size_t i = 0; i < args.size() && error.empty();) {
    if (TakeSigningOption(args, i, key, error)) continue;
    if (args[i].starts_with("--")) {
      error = "unknown option " + args[i];
    } else {
      paths.push_back(args[i++]);
    }
  }
  if (error.empty() && paths.size() != 1) error = std::string("give exactly one ") + what;
  if (error.empty() && (key.pkcs12.empty() || key.password_file.empty())) {
    error = "--pkcs12 and --password-file are both needed";
  }
  if (error.empty()) path = paths.front();
  return error;
}

int RunSignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  SigningKey key;
  std::string program;
  if (const std::string error = ParseSigningCommand(args, "program", key, program);
      !error.empty()) {
    err << "ktrmedium sign: " << error << "\n" << kUsage;
    return 2;
  }
  const Outcome outcome = SignProgram(program, key);
  if (!outcome.ok) {
    err << "ktrmedium sign: " << outcome.message << "\n";
    return 1;
  }
  out << "signed " << program
      << (key.timestamp_url.empty() ? " (no time stamp)" : " (time-stamped)") << "\n";
  return 0;
}

}  // namespace ktr::tools
