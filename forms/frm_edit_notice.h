#pragma once
// The notice dialog: the template of the current language from the
// program's medium, edited, saved as C:\Alert.alt and its tool registered
// to run once at the next start of Windows.
#include <string>

#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TEditNotice : public ui::Form {
 public:
  TEditNotice(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TEditNotice"; }

  void AlertShow();
  void btnYesClick(ui::Control& sender);
  void btnHelpClick(ui::Control& sender);

  // The controls, in creation order.
  ui::Image* Image1 = nullptr;
  ui::Label* Label1 = nullptr;
  ui::Bevel* Bevel1 = nullptr;
  ui::Memo* memoAlert = nullptr;
  ui::Button* btnYes = nullptr;
  ui::Button* btnCancel = nullptr;
  ui::Button* btnHelp = nullptr;

  std::string FProgramFolder;

 protected:
  void FormCreate() override;

 private:
  std::string Text(std::string_view key) const;
  void SaveNotice();

  Host host_;
  std::string launch_folder_;
  int language_index_ = 0;
};

}  // namespace ktr::forms
