#pragma once
// The process's start-up after the platform set-up: language, application
// title, main menu, hidden Ghost window, message loop.
#include <optional>

#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::app {

inline constexpr const char* kInitialTitle = "KTR Installation";

// Runs the launcher until its main window closes; the process's exit code.
// A launcher that carries a key (`pin`, the SHA-256 of the public key that
// must have signed the medium's list) verifies the medium through
// `integrity`; without a pin nothing of the seal runs.
int RunLauncher(Host& host, ui::Backend& backend, Integrity* integrity = nullptr,
                std::optional<Sha256Digest> pin = std::nullopt);

}  // namespace ktr::app
