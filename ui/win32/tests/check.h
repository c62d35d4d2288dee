#pragma once
// A small test harness for the toolkit backend's tests, which run as a
// Windows program under Wine: named cases, checks that record and go on,
// and a closing "N passed, N failed" line.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace ktr::ui::win32::testing {

struct TestCase {
  const char* name;
  std::function<void()> run;
};

std::vector<TestCase>& Registry();
void Record(bool ok, const char* expression, const char* file, int line, const std::string& detail);

// A test may start this program again as a child ("--child NAME"); the
// child's answer is its exit code.
int RunChild(const std::string& name);

struct Registration {
  Registration(const char* name, std::function<void()> run) {
    Registry().push_back({name, std::move(run)});
  }
};

}  // namespace ktr::ui::win32::testing

#define KTR_CONCAT_INNER(a, b) a##b
#define KTR_CONCAT(a, b) KTR_CONCAT_INNER(a, b)
#define TEST_CASE(name)                                                           \
  static void KTR_CONCAT(Test_, name)();                                          \
  static ::ktr::ui::win32::testing::Registration KTR_CONCAT(registration_, name)( \
      #name, KTR_CONCAT(Test_, name));                                            \
  static void KTR_CONCAT(Test_, name)()

#define CHECK(expression)                                                                 \
  ::ktr::ui::win32::testing::Record(static_cast<bool>(expression), #expression, __FILE__, \
                                    __LINE__, {})
// Compares two values that std::to_string takes, and shows both on failure.
#define CHECK_EQ(actual, expected)                                               \
  do {                                                                           \
    const auto ktr_a = (actual);                                                 \
    const auto ktr_e = (expected);                                               \
    ::ktr::ui::win32::testing::Record(                                           \
        ktr_a == ktr_e, #actual " == " #expected, __FILE__, __LINE__,            \
        "got " + std::to_string(ktr_a) + ", expected " + std::to_string(ktr_e)); \
  } while (false)
