#pragma once
// The Korean client installation menu: basic installer, installer builder
// in its own folder, Ghost preparation, help. Opened modally by the main
// menu; a fresh window each time.
#include "forms/skinned_form.h"

namespace ktr::forms {

class TUserSetup : public SkinnedForm {
 public:
  TUserSetup(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TUserSetup"; }

  void ImgButton1Click(ui::Control& sender);
  void ImgButton2Click(ui::Control& sender);
  void ImgButton3Click(ui::Control& sender);
  void ImgCancelClick(ui::Control& sender);
  void ImgHelpClick(ui::Control& sender);

 protected:
  void FormCreate() override;

 private:
  void Highlighted(const LatchEntry& entry) override;
  void HighlightBroken(const LatchEntry& entry) override;
};

}  // namespace ktr::forms
