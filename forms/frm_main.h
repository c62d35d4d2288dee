#pragma once
// The main menu: the launcher's face and main window. Six skinned entries
// that highlight under the pointer or from the keyboard and start the
// medium's documents and programs; in Korean, install client opens the
// client installation menu.
#include <string>

#include "forms/skin.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

class TMainForm : public ui::Form, private LatchPolicy {
 public:
  TMainForm(ui::Application& app, const Host& host);
  const char* class_name() const override { return "TMainForm"; }

  void ImgCloseClick(ui::Control& sender);
  void ImgInstallClientClick(ui::Control& sender);
  void ImgManualMouseMove(ui::Control& sender);
  void ImgCDViewClick(ui::Control& sender);
  void ImgBackgroundMouseMove(ui::Control& sender);
  void ImgManualClick(ui::Control& sender);
  void ImgSnScanClick(ui::Control& sender);
  void ImgInstallServerClick(ui::Control& sender);
  void LoadSkin();

  // The controls, in the order of the form resource (bottom first).
  ui::Image* ImgBackground = nullptr;
  ui::Image* ImgSnScan = nullptr;
  ui::Image* ImgExit = nullptr;
  ui::Image* ImgContent = nullptr;
  ui::Image* ImgManual = nullptr;
  ui::Image* ImgInstallClient = nullptr;
  ui::Image* ImgInstallServer = nullptr;
  ui::Image* ImgCDView = nullptr;

  // The language index as MultiLang.ini's sections number it.
  int FLanguageIndex = 0;
  const std::string& launch_folder() const { return launch_folder_; }
  const HoverLatch& latch() const { return latch_; }

 protected:
  void FormCreate() override;
  void KeyDown(ui::Key key, bool shift) override;
  bool PointerMoved(bool moved) override;
  std::string AccessibleText(std::string_view key) const override { return Text(key); }
  const ui::Control* KeyboardHighlight() const override;
  const ui::Control* PointerHighlight() const override;

 private:
  std::string Text(std::string_view key) const;
  void ClearPictures(bool with_background);
  void RunInstaller(const std::string& command_line);

  void ShowPicture(ui::Image& image, std::string_view file) override;
  void FirstHighlighted(const LatchEntry& entry) override;
  void HighlightBroken(const LatchEntry& entry) override;
  void Restored() override;
  void RestoreBroken() override;

  Host host_;
  std::string launch_folder_;
  HoverLatch latch_{*this};
};

}  // namespace ktr::forms
