#pragma once
// The process's start-up after the platform set-up: language, application
// title, main menu, hidden Ghost window, message loop.
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::app {

inline constexpr const char* kInitialTitle = "KTR Installation";

// Runs the launcher until its main window closes; the process's exit code.
int RunLauncher(Host& host, ui::Backend& backend);

}  // namespace ktr::app
