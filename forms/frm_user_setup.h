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

  // The controls, in the order of the form resource (bottom first).
  ui::Image* ImgBackground = nullptr;
  ui::Label* lblTitle = nullptr;
  ui::Label* lblContent = nullptr;
  ui::Image* ImgButton1 = nullptr;
  ui::Image* ImgButton2 = nullptr;
  ui::Image* ImgButton3 = nullptr;
  ui::Image* ImgCancel = nullptr;
  ui::Image* ImgHelp = nullptr;
  ui::Label* lblButton1 = nullptr;
  ui::Label* lblButton2 = nullptr;
  ui::Label* lblButton3 = nullptr;
  ui::Label* lblHelp = nullptr;
  ui::Label* lblCancel = nullptr;
  ui::Label* lblFormTitle = nullptr;

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
