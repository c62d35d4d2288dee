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

  // The controls, in the order of the form resource (bottom first).
  ui::Image* ImgBackground = nullptr;
  ui::Image* ImgConfirm = nullptr;
  ui::Image* ImgCancel = nullptr;
  ui::Image* ImgHelp = nullptr;
  ui::Image* ImgButton1 = nullptr;
  ui::Image* ImgButton2 = nullptr;
  ui::Label* lblButton1 = nullptr;
  ui::Label* lblButton2 = nullptr;
  ui::Label* lblCancel = nullptr;
  ui::Label* lblHelp = nullptr;
  ui::Label* lblConfirm = nullptr;
  ui::Label* lblTitle = nullptr;
  ui::Label* lblContent = nullptr;
  ui::Label* lblNotice = nullptr;
  ui::Label* lblFormTitle = nullptr;

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
  void SetEnabled(ui::Image& image, ui::Label& label, bool enabled);
  bool PlaceTool();

  // The file a sealed launcher refused when the tool was not placed.
  std::optional<std::string> tool_refused_;
};

}  // namespace ktr::forms
