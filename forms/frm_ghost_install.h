#pragma once
// The Ghost preparation window: the client installer with the installed
// client's identity value removed, the notice with its start-up tool, and
// the confirmation that ends the preparation. Progress lives in which
// buttons are enabled.
#include <string>

#include "forms/skin.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TGhostInstall : public ui::Form {
 public:
  TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TGhostInstall"; }

  void ImgBackgroundMouseMove(ui::Control& sender);
  void ImgButton1MouseMove(ui::Control& sender);
  void ImgButton1Click(ui::Control& sender);
  void ImgButton2Click(ui::Control& sender);
  void ImgConfirmClick(ui::Control& sender);
  void ImgCancelClick(ui::Control& sender);
  void ImgHelpClick(ui::Control& sender);
  void LoadSkin();

  const HoverLatch& latch() const { return latch_; }

 protected:
  void FormCreate() override;

 private:
  std::string Text(std::string_view key) const;
  void Warn(ui::Form* owner);
  void SetEnabled(const char* image, const char* label, bool enabled);
  void ShowLabels();
  void ClearButtons();
  bool PlaceTool();

  Host host_;
  std::string launch_folder_;
  HoverLatch latch_;
};

}  // namespace ktr::forms
