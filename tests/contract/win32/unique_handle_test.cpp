// The handle owners: exactly one close per handle, whatever moves it.
#include "platform/win32/unique_handle.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace ktr::win32 {
namespace {

std::vector<int> g_closed;

struct CountingTraits {
  using pointer = int;
  static pointer Invalid() noexcept { return 0; }
  static bool IsValid(pointer h) noexcept { return h != 0; }
  static void Close(pointer h) noexcept { g_closed.push_back(h); }
};
using Counted = UniqueResource<CountingTraits>;

static_assert(!std::is_copy_constructible_v<UniqueHandle>);
static_assert(!std::is_copy_assignable_v<FileHandle>);
static_assert(std::is_nothrow_move_constructible_v<RegKey>);

TEST(UniqueHandleTest, EachHandleIsClosedOnceWhateverMovesIt) {
  g_closed.clear();
  {
    Counted a(1);
    Counted b(std::move(a));
    EXPECT_FALSE(a);
    Counted c(2);
    c = std::move(b);  // 2 closes here
    EXPECT_EQ(c.get(), 1);
    Counted d(3);
    EXPECT_EQ(d.release(), 3);  // released: never closed by the owner
    Counted e(4);
    *e.put() = 5;  // put drops 4 first
  }
  EXPECT_EQ(g_closed, (std::vector<int>{2, 4, 5, 1}));
}

TEST(UniqueHandleTest, FileHandleTakesInvalidHandleValueAsNone) {
  FileHandle none(CreateFileA("Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(none);
  UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  HANDLE raw = event.get();
  event.reset();
  EXPECT_FALSE(event);
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(raw, &flags));  // closed by reset
}

}  // namespace
}  // namespace ktr::win32
