#pragma once
// What the client installation menu and the Ghost window share: a skin of
// a background and five buttons, a hover latch with description labels,
// installers run with the window hidden, and a help command.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "forms/skin.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

// One button of a skinned window, by Tag. An empty title leaves the
// description labels as they are while the button is highlighted.
struct SkinButton {
  int tag;
  const char* image;
  std::string_view normal;
  std::string_view active;
  std::string_view title = {};
  std::string_view content = {};
  std::string_view notice = {};
};

class SkinnedForm : public ui::Form {
 public:
  void ImgBackgroundMouseMove(ui::Control& sender);
  void ImgButton1MouseMove(ui::Control& sender);
  void LoadSkin();
  const HoverLatch& latch() const { return latch_; }

 protected:
  SkinnedForm(ui::Application& app, ui::Form* owner, const Host& host,
              std::span<const SkinButton> buttons);
  // Call once the layout exists: built-in pictures and the latch's entries.
  void AttachButtons(LatchHooks hooks);

  void TakeLaunchFolder();
  std::string Text(std::string_view key) const;
  const SkinButton& Button(int tag) const;
  void ClearButtons();
  // The description labels the window has (lblTitle, lblContent, lblNotice).
  void SetDescription(const SkinButton& button);
  void ShowDescription(bool visible);
  bool DescriptionShown() const;
  // Hides the window for the wait and shows it again on every path.
  void RunHidden(const std::function<void()>& work);
  void RunInstaller(std::string_view relative_program);
  // The help command of the medium, from the medium only; help is optional.
  void StartHelp(std::string_view key);

  Host host_;
  std::string launch_folder_;

 private:
  HoverLatch latch_;
  std::span<const SkinButton> buttons_;
};

}  // namespace ktr::forms
