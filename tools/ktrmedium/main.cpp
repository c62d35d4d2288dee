// ktrmedium: tools for the people who prepare the installation medium.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ktrmedium/check.h"
#include "tools/ktrmedium/image.h"

namespace {

struct Command {
  std::string_view name;
  int (*run)(const std::vector<std::string>& args);
  std::string_view usage;
};

constexpr Command kCommands[] = {
    {"check", ktr::tools::RunCheck, "check [--json] FOLDER"},
    {"image", ktr::tools::RunImage, "image [--volume-label LABEL] [--force] FOLDER OUT.iso"},
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
