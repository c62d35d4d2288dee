// ktrmedium: tools for the people who prepare the installation medium.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ktrmedium/check.h"
#include "tools/ktrmedium/image.h"
#ifndef _WIN32
#include "tools/ktrmedium/seal.h"
#include "tools/ktrmedium/sign.h"
#endif
#ifdef KTR_MEDIUM_STRINGS
#include "tools/ktrmedium/strings/strings.h"
#endif

namespace {

struct Command {
  std::string_view name;
  int (*run)(const std::vector<std::string>& args);
  std::string_view usage;
};

#ifndef _WIN32
// Signing runs osslsigncode, a tool of the build machine.
int RunSign(const std::vector<std::string>& args) {
  return ktr::ktrmedium::RunSignCommand(args, std::cout, std::cerr);
}
int RunSeal(const std::vector<std::string>& args) {
  return ktr::ktrmedium::RunSealCommand(args, std::cout, std::cerr);
}
#endif

constexpr Command kCommands[] = {
    {"check", ktr::tools::RunCheck, "check [--json] FOLDER"},
    {"image", ktr::tools::RunImage,
     "image [--volume-label LABEL] [--force] [--pkcs12 CERT.p12 --password-file FILE "
     "[--timestamp URL]] FOLDER OUT.iso"},
#ifndef _WIN32
    {"sign", RunSign, "sign PROGRAM.exe --pkcs12 CERT.p12 --password-file FILE [--timestamp URL]"},
    {"seal", RunSeal, "seal FOLDER --pkcs12 CERT.p12 --password-file FILE [--timestamp URL]"},
#endif
#ifdef KTR_MEDIUM_STRINGS
    // Translators' files: libgettextpo is GPL, so only the build machine's
    // tool has them.
    {"strings", ktr::tools::RunStrings,
     "strings export FOLDER OUT-FOLDER [--format po|xliff] | "
     "strings import [--allow-untranslated] FOLDER IN-FOLDER"},
#endif
};

int Usage() {
  std::fprintf(stderr, "usage:\n");
  for (const Command& command : kCommands) {
    std::fprintf(stderr, "  ktrmedium %.*s\n", static_cast<int>(command.usage.size()),
                 command.usage.data());
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string_view name = argv[1];
  for (const Command& command : kCommands) {
    if (command.name == name) return command.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  return Usage();
}
