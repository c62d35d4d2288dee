// RunAndWait on a thread that owns windows, as the launcher's does: a
// program that broadcasts with SendMessage must get its answer during the
// wait, and nothing posted to the thread may be taken from its queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/process_helpers.h"
#include "tests/contract/contract_env.h"
#include "tests/contract/win32/win32_support.h"

namespace ktr::contract {
namespace {

constexpr UINT kPosted = WM_APP + 7;
int g_setting_changes = 0;
int g_posted_seen = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SETTINGCHANGE) ++g_setting_changes;
  if (message == kPosted) ++g_posted_seen;
  return ::DefWindowProcA(window, message, w, l);
}

class RunAndWaitTest : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = CountingProc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "KtrWaitTest";
    ::RegisterClassA(&window_class);
    // Hidden, like the launcher's forms while an installer runs.
    window_ = ::CreateWindowExA(0, "KtrWaitTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                window_class.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    g_setting_changes = 0;
    g_posted_seen = 0;
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
    ContractTest::TearDown();
  }

  HWND window_ = nullptr;
};

TEST_F(RunAndWaitTest, ABroadcastingProgramIsAnsweredAndPostedMessagesStay) {
  std::string installer = In("Setup.exe");
  ASSERT_TRUE(PlaceStub(installer, "[stub]\r\nlog=" + RecordPathOf(installer) +
                                       "\r\nexit_code=4\r\nsleep_ms=300\r\nbroadcast=1\r\n"));
  ASSERT_TRUE(::PostMessageA(window_, kPosted, 0, 0));

  EXPECT_EQ(platform::RunAndWait(host().processes, "\"" + installer + "\"", kSwShow), 4);
  auto runs = env().runs_of(installer);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].ended);  // its broadcast returned before it ended
  EXPECT_EQ(g_setting_changes, 1);
  EXPECT_EQ(g_posted_seen, 0);  // nothing was dispatched but the sent message

  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, window_, kPosted, kPosted, PM_REMOVE));
  EXPECT_EQ(message.message, kPosted);
}

}  // namespace
}  // namespace ktr::contract
