#pragma once
// A window's controls as a table read top to bottom like a form resource:
// kind, name, Tag, bounds, design caption, pointer and handlers.
#include <memory>
#include <span>

#include "ui/toolkit.h"

namespace ktr::forms {

// Short names for the layout tables.
namespace layout {
inline constexpr ui::ControlKind kImage = ui::ControlKind::kImage;
inline constexpr ui::ControlKind kLabel = ui::ControlKind::kLabel;
inline constexpr ui::Cursor kArrow = ui::Cursor::kArrow;
inline constexpr ui::Cursor kHand = ui::Cursor::kHandPoint;
inline constexpr ui::Cursor kDefault = ui::Cursor::kDefault;
inline constexpr ui::TextAlign kCenter = ui::TextAlign::kCenter;
inline constexpr ui::TextAlign kLeft = ui::TextAlign::kLeft;
}  // namespace layout

template <class F>
struct ControlRow {
  using Handler = void (F::*)(ui::Control&);
  ui::ControlKind kind;
  const char* name;
  int tag;
  ui::Rect bounds;
  const char* caption = "";
  ui::Cursor cursor = ui::Cursor::kDefault;
  Handler click = nullptr;
  Handler mouse_move = nullptr;
  ui::TextAlign align = ui::TextAlign::kLeft;
  bool word_wrap = false;
};

// Adds the rows' controls in order, so that later rows lie above earlier ones.
template <class F>
void BuildLayout(F& form, std::span<const ControlRow<F>> rows) {
  for (const ControlRow<F>& row : rows) {
    ui::Control* control = nullptr;
    if (row.kind == ui::ControlKind::kImage) {
      control = &form.add(std::make_unique<ui::Image>(form, row.name, row.tag, row.bounds));
    } else {
      auto& label =
          form.add(std::make_unique<ui::Label>(form, row.name, row.tag, row.bounds, row.caption));
      label.align = row.align;
      label.word_wrap = row.word_wrap;
      control = &label;
    }
    control->set_cursor(row.cursor);
    if (row.click) control->on_click = [&form, h = row.click](ui::Control& c) { (form.*h)(c); };
    if (row.mouse_move) {
      control->on_mouse_move = [&form, h = row.mouse_move](ui::Control& c) { (form.*h)(c); };
    }
  }
}

inline ui::Image& ImageOf(const ui::Form& form, const char* name) {
  return dynamic_cast<ui::Image&>(*form.find(name));
}
inline ui::Label& LabelOf(const ui::Form& form, const char* name) {
  return dynamic_cast<ui::Label&>(*form.find(name));
}

}  // namespace ktr::forms
