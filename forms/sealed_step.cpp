#include "forms/sealed_step.h"

#include "lang/keys.h"
#include "lang/multilang.h"
#include "medium/command_line.h"

namespace ktr::forms {
namespace {

constexpr std::string_view kRefusalCaption = "KTR Installation";

medium::Verified Told(ui::Form& owner, const Host& host, const std::string& launch_folder,
                      medium::Verified step) {
  if (step.refused()) ShowRefusal(owner, host, launch_folder, *step.refused());
  return step;
}

}  // namespace

medium::Verified CheckCommand(ui::Form& owner, const Host& host, const std::string& launch_folder,
                              const std::string& command_line) {
  if (!host.seal) return {};
  medium::Verified step;
  {
    ui::BusyCursor busy(owner.application());
    step = host.seal->command(launch_folder, command_line);
  }
  return Told(owner, host, launch_folder, std::move(step));
}

medium::Verified CheckFile(ui::Form& owner, const Host& host, const std::string& launch_folder,
                           const std::string& path) {
  if (!host.seal) return {};
  medium::Verified step;
  {
    ui::BusyCursor busy(owner.application());
    step = host.seal->file(launch_folder, path);
  }
  return Told(owner, host, launch_folder, std::move(step));
}

// The language file's own text only when it verified: the sealed profile
// gives nothing of one that did not.
void ShowRefusal(ui::Form& owner, const Host& host, const std::string& launch_folder,
                 const std::string& file) {
  std::string text = lang::ReadLangString(host.profile, launch_folder, lang::RES_MEDIUM_CHANGED);
  if (text.empty()) text = kMediumChanged;
  std::string caption = lang::ReadLangString(host.profile, launch_folder, lang::RES_ERROR);
  if (caption.empty()) caption = kRefusalCaption;
  owner.application().message_box(&owner, text + "\r\n\r\n" + file, caption,
                                  ui::kMbOk | ui::kMbIconStop);
}

void HoldUntilExit(const Host& host, medium::Verified&& step) {
  if (host.seal) host.seal->hold_until_exit(std::move(step));
}

void StartCheckedHelp(ui::Form& owner, const Host& host, const std::string& launch_folder,
                      std::string_view value) {
  try {
    const std::optional<std::string> line =
        medium::FoundMediumCommandLine(host.files, launch_folder, value);
    if (!line) return;
    medium::Verified step = CheckCommand(owner, host, launch_folder, *line);
    if (!step.ok()) return;
    host.processes.start(*line, kSwShow);
    HoldUntilExit(host, std::move(step));
  } catch (...) {
    // The window works all the same without its help.
  }
}

}  // namespace ktr::forms
