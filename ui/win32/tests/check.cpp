#include "ui/win32/tests/check.h"

#include <exception>

namespace ktr::ui::win32::testing {
namespace {

int failed_checks = 0;

}  // namespace

std::vector<TestCase>& Registry() {
  static std::vector<TestCase> cases;
  return cases;
}

void Record(bool ok, const char* expression, const char* file, int line,
            const std::string& detail) {
  if (ok) return;
  ++failed_checks;
  std::printf("%s:%d: CHECK failed: %s%s%s\n", file, line, expression, detail.empty() ? "" : ": ",
              detail.c_str());
}

}  // namespace ktr::ui::win32::testing

int main(int argc, char** argv) {
  using namespace ktr::ui::win32::testing;
  if (argc > 2 && std::string(argv[1]) == "--child") return RunChild(argv[2]);
  int passed = 0;
  int failed = 0;
  for (const TestCase& test : Registry()) {
    if (argc > 1 && std::string(argv[1]) != test.name) continue;
    const int before = failed_checks;
    try {
      test.run();
    } catch (const std::exception& e) {
      std::printf("%s: exception: %s\n", test.name, e.what());
      ++failed_checks;
    }
    const bool ok = failed_checks == before;
    std::printf("[%s] %s\n", ok ? "  OK  " : "FAILED", test.name);
    std::fflush(stdout);
    (ok ? passed : failed)++;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
