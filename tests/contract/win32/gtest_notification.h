// Put in front of every GoogleTest source and header of the Windows build.
// With the Win32 thread model, GCC 12's C++ library has no std::mutex or
// std::condition_variable, which GoogleTest's Notification is made of; the
// rest of its Windows threading is its own. This Notification waits on an
// event instead.
#pragma once

#include <windows.h>

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal

#define GTEST_HAS_NOTIFICATION_ 1
