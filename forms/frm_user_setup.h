#pragma once
// The Korean client installation menu: basic installer, installer builder,
// Ghost preparation, help. Opened modally from the main menu.
#include <string>

#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TUserSetup : public ui::Form {
 public:
  TUserSetup(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TUserSetup"; }

 protected:
  void FormCreate() override;

 private:
  Host host_;
  std::string launch_folder_;
};

}  // namespace ktr::forms
