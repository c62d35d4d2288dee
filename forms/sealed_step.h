#pragma once
// What a window does before it runs, opens or copies a file of the medium,
// when the launcher carries a key (Host::seal): the file, and for a program
// its whole folder, verified against the signed list and held until the
// step is over. A refusal is told in a box owned by the window; the step
// then does not run. Without a key every check passes at once and holds
// nothing, so the windows behave exactly as without the seal.
#include <string>
#include <string_view>

#include "medium/seal.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

// The built-in text of the refusal, for a language file that is not as it
// was signed (or says nothing); the file's path follows it.
inline constexpr std::string_view kMediumChanged =
    "The installation medium is not as it was signed: this file was changed, added or removed.";

// The program a command line of the medium starts (quoted, as the medium's
// command lines are), with its folder.
medium::Verified CheckCommand(ui::Form& owner, const Host& host, const std::string& launch_folder,
                              const std::string& command_line);
// One document or text file.
medium::Verified CheckFile(ui::Form& owner, const Host& host, const std::string& launch_folder,
                           const std::string& path);
// Tells a refusal: stop icon, the window as owner.
void ShowRefusal(ui::Form& owner, const Host& host, const std::string& launch_folder,
                 const std::string& file);
// What a program started without waiting, or a document given to the shell,
// needs held: until the launcher exits.
void HoldUntilExit(const Host& host, medium::Verified&& step);

// A help command of the medium, started without waiting (medium::StartHelp)
// once its program verified; help is optional and reports nothing else.
void StartCheckedHelp(ui::Form& owner, const Host& host, const std::string& launch_folder,
                      std::string_view value);

}  // namespace ktr::forms
