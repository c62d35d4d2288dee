#pragma once
// The Korean client installation menu: basic installer, installer builder
// in its own folder, Ghost preparation, help. Opened modally by the main
// menu; a fresh window each time.
#include <string>

#include "forms/skin.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TUserSetup : public ui::Form {
 public:
  TUserSetup(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TUserSetup"; }

  void ImgBackgroundMouseMove(ui::Control& sender);
  void ImgButton1MouseMove(ui::Control& sender);
  void ImgButton1Click(ui::Control& sender);
  void ImgButton2Click(ui::Control& sender);
  void ImgButton3Click(ui::Control& sender);
  void ImgCancelClick(ui::Control& sender);
  void ImgHelpClick(ui::Control& sender);
  void LoadSkin();

  const HoverLatch& latch() const { return latch_; }

 protected:
  void FormCreate() override;

 private:
  std::string Text(std::string_view key) const;
  void ClearButtons();
  void ShowDescription(bool visible);

  Host host_;
  std::string launch_folder_;
  HoverLatch latch_;
};

}  // namespace ktr::forms
