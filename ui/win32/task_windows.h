#pragma once
// While a modal form or a message box is up, the application's other windows
// take no input: every visible, enabled top-level window of this thread is
// disabled, and exactly those are enabled again afterwards, so nested modal
// forms each give back only what they took.
#include <initializer_list>
#include <vector>

#include "ui/win32/gdi.h"

namespace ktr::ui::win32 {

class DisabledTaskWindows {
 public:
  // `keep` stays enabled (the modal form itself); may be null.
  explicit DisabledTaskWindows(HWND keep);
  ~DisabledTaskWindows();
  DisabledTaskWindows(const DisabledTaskWindows&) = delete;
  DisabledTaskWindows& operator=(const DisabledTaskWindows&) = delete;

 private:
  std::vector<HWND> disabled_;
};

// Ends a mouse capture that a pressed control still holds (a push button
// notifies its parent before it lets the capture go), so that the pointer
// can reach the modal form or message box that the click opens.
void CancelMouseCapture();

// Gives activation to the first candidate that can take it (a window that
// still exists, is visible and is enabled); false when none can.
bool ActivateFirstOf(std::initializer_list<HWND> candidates);

}  // namespace ktr::ui::win32
