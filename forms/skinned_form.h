#pragma once
// What the client installation menu and the Ghost window share: a skin of
// a background and five buttons, a hover latch with description labels,
// installers run with the window hidden, and a help command.
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/layout.h"
#include "forms/skin.h"
#include "platform/host.h"
#include "ui/toolkit.h"

namespace ktr::forms {

// Each window's own steps of the latch (FirstHighlighted, Highlighted,
// HighlightBroken) are its part of the policy; the rest is shared.
class SkinnedForm : public ui::Form, protected LatchPolicy {
 public:
  void ImgBackgroundMouseMove(ui::Control& sender);
  void ImgButton1MouseMove(ui::Control& sender);
  void LoadSkin();
  const HoverLatch& latch() const { return latch_; }

 protected:
  SkinnedForm(ui::Application& app, ui::Form* owner, const Host& host);

  // The window's table: its controls, their built-in pictures, the skin's
  // load order and the latch's entries; the window's background and the
  // description labels it has (title, content, notice; a null member for
  // one it lacks).
  template <class F>
  void BuildSkin(F& form, std::span<const ControlRow<F>> rows, ui::Image* F::*background,
                 std::array<ui::Label * F::*, 3> description) {
    BuildLayout<F>(form, rows);
    SpeakLayout<F>(form, rows);
    // What the highlight shows beside an entry (title, content, notice) is
    // what tells a sighted user what it does; a screen reader hears the
    // same texts.
    for (const ControlRow<F>* row : EntriesByTag<F>(rows)) {
      (form.*row->image)->accessible_description_keys = row->shows;
    }
    for (const ControlRow<F>* row : SkinLoadOrder<F>(rows)) {
      skin_.push_back({form.*row->image, row->normal});
    }
    latch_.add_entries<F>(form, rows);
    background_ = form.*background;
    for (std::size_t i = 0; i < description.size(); ++i) {
      if (description[i]) description_[i] = form.*description[i];
    }
    SetBuiltinPictures();
  }

  void TakeLaunchFolder();
  std::string Text(std::string_view key) const;
  // The entry of a Tag; a Tag without one is a programming error.
  const LatchEntry& Button(int tag) const;
  void ClearButtons();
  // The description labels the window has (lblTitle, lblContent, lblNotice).
  void SetDescription(const LatchEntry& button);
  void ShowDescription(bool visible);
  bool DescriptionShown() const;
  // False when the seal refused the installer: nothing ran, and the refusal
  // was told.
  bool RunInstaller(std::string_view relative_program);
  // The help command of the medium, from the medium only; help is optional.
  void StartHelp(std::string_view key);

  void KeyDown(ui::Key key, bool shift) override;
  bool PointerMoved(bool moved) override;
  std::string AccessibleText(std::string_view key) const override { return Text(key); }
  const ui::Control* KeyboardHighlight() const override;
  const ui::Control* PointerHighlight() const override;

  void ShowPicture(ui::Image& image, std::string_view file) override;
  void BackgroundCrossed() override;
  void Restored() override;
  void RestoreBroken() override;

  Host host_;
  std::string launch_folder_;

 private:
  struct SkinPicture {
    ui::Image* image;
    std::string_view normal;
  };
  void SetBuiltinPictures();

  HoverLatch latch_{*this};
  std::vector<SkinPicture> skin_;
  ui::Image* background_ = nullptr;
  std::array<ui::Label*, 3> description_ = {};
};

}  // namespace ktr::forms
