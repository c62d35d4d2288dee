#pragma once
// The Ghost preparation window: client installer with the identity value
// removed, the notice and its start-up tool, confirmation.
#include <string>

#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TGhostInstall : public ui::Form {
 public:
  TGhostInstall(ui::Application& app, ui::Form* owner, const Host& host);
  const char* class_name() const override { return "TGhostInstall"; }

 protected:
  void FormCreate() override;

 private:
  Host host_;
  std::string launch_folder_;
};

}  // namespace ktr::forms
