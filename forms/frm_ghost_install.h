#pragma once
// The Ghost preparation window: the client installer with the installed
// client's identity value removed, the notice with its start-up tool, and
// the confirmation that ends the preparation. Progress lives in which
// buttons are enabled.
#include <optional>
#include <string>

#include "forms/skinned_form.h"

namespace ktr::forms {

class TGhostInstall : public SkinnedForm {
 public:
  TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TGhostInstall"; }

  void ImgButton1Click(ui::Control& sender);
  void ImgButton2Click(ui::Control& sender);
  void ImgConfirmClick(ui::Control& sender);
  void ImgCancelClick(ui::Control& sender);
  void ImgHelpClick(ui::Control& sender);

 protected:
  void FormCreate() override;

 private:
  void FirstHighlighted(const LatchEntry& entry) override;
  void Highlighted(const LatchEntry& entry) override;
  void HighlightBroken(const LatchEntry& entry) override;
  void Warn(ui::Form* owner);
  void SetEnabled(const char* image, const char* label, bool enabled);
  bool PlaceTool();

  // The file a sealed launcher refused when the tool was not placed.
  std::optional<std::string> tool_refused_;
};

}  // namespace ktr::forms
