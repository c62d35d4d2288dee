#pragma once
// A window's controls as one table read top to bottom like a form resource:
// kind, name, Tag, bounds, pointer and handlers, then what each kind needs.
// A skinned window's rows also carry its skin: the picture each image shows
// at rest and, for an entry (an image with a Tag), under the highlight and
// what the window shows beside it. The stacking order, the load order of
// the skin and the hover latch's entries all come from the same rows.
#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "ui/toolkit.h"

namespace ktr::forms {

// Short names for the layout tables.
namespace layout {
inline constexpr ui::ControlKind kImage = ui::ControlKind::kImage;
inline constexpr ui::ControlKind kLabel = ui::ControlKind::kLabel;
inline constexpr ui::ControlKind kMemo = ui::ControlKind::kMemo;
inline constexpr ui::ControlKind kButton = ui::ControlKind::kButton;
inline constexpr ui::ControlKind kBevel = ui::ControlKind::kBevel;
inline constexpr ui::Cursor kArrow = ui::Cursor::kArrow;
inline constexpr ui::Cursor kHand = ui::Cursor::kHandPoint;
inline constexpr ui::Cursor kDefault = ui::Cursor::kDefault;
inline constexpr ui::TextAlign kCenter = ui::TextAlign::kCenter;
inline constexpr ui::TextAlign kLeft = ui::TextAlign::kLeft;
}  // namespace layout

// What a skinned window shows beside a highlighted entry: the main menu's
// content picture, or the text keys of the description labels (title,
// content, notice). Empty parts leave the window as it is.
using Shows = std::array<std::string_view, 3>;

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
  // Buttons and the edit box of a dialog.
  int tab_order = 0;
  int modal_result = ui::kModalNone;
  // Skin pictures: at rest, and highlighted for an entry.
  std::string_view normal = {};
  std::string_view active = {};
  Shows shows = {};

  constexpr bool skinned() const { return kind == ui::ControlKind::kImage && !normal.empty(); }
  constexpr bool entry() const { return skinned() && tag > 0; }
};

// Rows of a skinned window, written the way the window is read.
template <class F>
constexpr ControlRow<F> SkinImage(const char* name, ui::Rect bounds, std::string_view picture,
                                  typename ControlRow<F>::Handler mouse_move = nullptr) {
  return {ui::ControlKind::kImage, name, 0, bounds, "",
          mouse_move ? ui::Cursor::kArrow : ui::Cursor::kDefault, nullptr, mouse_move,
          ui::TextAlign::kLeft, false, 0, ui::kModalNone, picture};
}
template <class F>
constexpr ControlRow<F> SkinEntry(const char* name, int tag, ui::Rect bounds,
                                  typename ControlRow<F>::Handler click,
                                  typename ControlRow<F>::Handler mouse_move,
                                  std::string_view normal, std::string_view active,
                                  Shows shows = {}) {
  return {ui::ControlKind::kImage, name, tag, bounds, "", ui::Cursor::kHandPoint, click,
          mouse_move, ui::TextAlign::kLeft, false, 0, ui::kModalNone, normal, active, shows};
}

// Adds the rows' controls in order, so that later rows lie above earlier ones.
template <class F>
void BuildLayout(F& form, std::span<const ControlRow<F>> rows) {
  for (const ControlRow<F>& row : rows) {
    ui::Control* control = nullptr;
    switch (row.kind) {
      case ui::ControlKind::kImage:
        control = &form.add(std::make_unique<ui::Image>(form, row.name, row.tag, row.bounds));
        break;
      case ui::ControlKind::kLabel: {
        auto& label = form.add(
            std::make_unique<ui::Label>(form, row.name, row.tag, row.bounds, row.caption));
        label.align = row.align;
        label.word_wrap = row.word_wrap;
        control = &label;
        break;
      }
      case ui::ControlKind::kMemo: {
        auto& memo = form.add(std::make_unique<ui::Memo>(form, row.name, row.tag, row.bounds));
        memo.tab_order = row.tab_order;
        control = &memo;
        break;
      }
      case ui::ControlKind::kButton: {
        auto& button = form.add(
            std::make_unique<ui::Button>(form, row.name, row.tag, row.bounds, row.caption));
        button.modal_result = row.modal_result;
        button.tab_order = row.tab_order;
        control = &button;
        break;
      }
      case ui::ControlKind::kBevel:
        control = &form.add(std::make_unique<ui::Bevel>(form, row.name, row.tag, row.bounds));
        break;
    }
    control->set_cursor(row.cursor);
    if (row.click) control->on_click = [&form, h = row.click](ui::Control& c) { (form.*h)(c); };
    if (row.mouse_move) {
      control->on_mouse_move = [&form, h = row.mouse_move](ui::Control& c) { (form.*h)(c); };
    }
  }
}

// The entries by Tag: the order the latch restores them in.
template <class F>
std::vector<const ControlRow<F>*> EntriesByTag(std::span<const ControlRow<F>> rows) {
  std::vector<const ControlRow<F>*> entries;
  for (const ControlRow<F>& row : rows) {
    if (row.entry()) entries.push_back(&row);
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const ControlRow<F>* a, const ControlRow<F>* b) { return a->tag < b->tag; });
  return entries;
}

// The skin's load order: the pictures without a Tag (background, panels) as
// the table has them, then the entries by Tag.
template <class F>
std::vector<const ControlRow<F>*> SkinLoadOrder(std::span<const ControlRow<F>> rows) {
  std::vector<const ControlRow<F>*> order;
  for (const ControlRow<F>& row : rows) {
    if (row.skinned() && !row.entry()) order.push_back(&row);
  }
  for (const ControlRow<F>* entry : EntriesByTag(rows)) order.push_back(entry);
  return order;
}

inline ui::Image& ImageOf(const ui::Form& form, const char* name) {
  return dynamic_cast<ui::Image&>(*form.find(name));
}
inline ui::Label& LabelOf(const ui::Form& form, const char* name) {
  return dynamic_cast<ui::Label&>(*form.find(name));
}

}  // namespace ktr::forms
