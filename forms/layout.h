#pragma once
// A window's controls as one table read top to bottom like a form resource:
// the member each control is bound to (which gives its kind), name, Tag,
// bounds, pointer and handlers, then what each kind needs. After the window
// is built its code reaches every control through its member, never by name.
// A skinned window's rows also carry its skin: the picture each image shows
// at rest and, for an entry (an image with a Tag), under the highlight and
// what the window shows beside it. The stacking order, the load order of
// the skin and the hover latch's entries all come from the same rows, and
// so does what a screen reader is told of each control.
#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/toolkit.h"

namespace ktr::forms {

// Short names for the layout tables.
namespace layout {
inline constexpr ui::TextAlign kCenter = ui::TextAlign::kCenter;
}  // namespace layout

// What a skinned window shows beside a highlighted entry: the main menu's
// content picture, or the text keys of the description labels (title,
// content, notice). Empty parts leave the window as it is.
using Shows = std::array<std::string_view, 3>;

template <class F>
struct ControlRow {
  using Handler = void (F::*)(ui::Control&);
  template <class C>
  using Member = C* F::*;

  // The window's member that the control is bound to: exactly one is set,
  // and it gives the control's kind.
  Member<ui::Image> image = nullptr;
  Member<ui::Label> label = nullptr;
  Member<ui::Memo> memo = nullptr;
  Member<ui::Button> button = nullptr;
  Member<ui::Bevel> bevel = nullptr;
  const char* name = "";
  int tag = 0;
  ui::Rect bounds = {};
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
  // What a screen reader says for the control: the keys of its name and
  // description, or the label whose caption names it. Without either, a
  // label and a button say their caption.
  std::string_view name_key = {};
  std::string_view description_key = {};
  Member<ui::Label> named_by = nullptr;

  constexpr bool skinned() const { return image != nullptr && !normal.empty(); }
  constexpr bool entry() const { return skinned() && tag > 0; }

  constexpr ControlRow said_as(std::string_view name, std::string_view description = {}) const {
    ControlRow row = *this;
    row.name_key = name;
    row.description_key = description;
    return row;
  }
  constexpr ControlRow said_as(Member<ui::Label> label) const {
    ControlRow row = *this;
    row.named_by = label;
    return row;
  }
};

// Rows of a skinned window, written the way the window is read.
template <class F>
constexpr ControlRow<F> SkinImage(ui::Image* F::*image, const char* name, ui::Rect bounds,
                                  std::string_view picture,
                                  typename ControlRow<F>::Handler mouse_move = nullptr) {
  return {.image = image,
          .name = name,
          .bounds = bounds,
          .cursor = mouse_move ? ui::Cursor::kArrow : ui::Cursor::kDefault,
          .mouse_move = mouse_move,
          .normal = picture};
}
template <class F>
constexpr ControlRow<F> SkinEntry(ui::Image* F::*image, const char* name, int tag, ui::Rect bounds,
                                  typename ControlRow<F>::Handler click,
                                  typename ControlRow<F>::Handler mouse_move,
                                  std::string_view normal, std::string_view active,
                                  Shows shows = {}) {
  return {.image = image,
          .name = name,
          .tag = tag,
          .bounds = bounds,
          .cursor = ui::Cursor::kHandPoint,
          .click = click,
          .mouse_move = mouse_move,
          .normal = normal,
          .active = active,
          .shows = shows};
}
// A label of a skinned window: a caption that presses its entry, or a
// description that words wrap in.
template <class F>
constexpr ControlRow<F> CaptionLabel(ui::Label* F::*label, const char* name, ui::Rect bounds,
                                     const char* caption, typename ControlRow<F>::Handler click) {
  return {.label = label,
          .name = name,
          .bounds = bounds,
          .caption = caption,
          .cursor = ui::Cursor::kHandPoint,
          .click = click,
          .align = ui::TextAlign::kCenter};
}
template <class F>
constexpr ControlRow<F> TextLabel(ui::Label* F::*label, const char* name, ui::Rect bounds,
                                  ui::TextAlign align = ui::TextAlign::kLeft) {
  return {.label = label, .name = name, .bounds = bounds, .align = align, .word_wrap = true};
}

// Makes the row's control and binds it to the window's member; a row that
// binds no member, or more than one, is a programming error.
template <class F>
ui::Control& AddControl(F& form, const ControlRow<F>& row) {
  const int bound = (row.image != nullptr) + (row.label != nullptr) + (row.memo != nullptr) +
                    (row.button != nullptr) + (row.bevel != nullptr);
  if (bound != 1) {
    throw std::logic_error(std::string("the row of ") + row.name + " of " + form.class_name() +
                           (bound == 0 ? " binds no member" : " binds more than one member"));
  }
  if (row.image) {
    return *(form.*row.image =
                 &form.add(std::make_unique<ui::Image>(form, row.name, row.tag, row.bounds)));
  }
  if (row.label) {
    auto& label =
        form.add(std::make_unique<ui::Label>(form, row.name, row.tag, row.bounds, row.caption));
    label.align = row.align;
    label.word_wrap = row.word_wrap;
    return *(form.*row.label = &label);
  }
  if (row.memo) {
    auto& memo = form.add(std::make_unique<ui::Memo>(form, row.name, row.tag, row.bounds));
    memo.tab_order = row.tab_order;
    return *(form.*row.memo = &memo);
  }
  if (row.button) {
    auto& button =
        form.add(std::make_unique<ui::Button>(form, row.name, row.tag, row.bounds, row.caption));
    button.modal_result = row.modal_result;
    button.tab_order = row.tab_order;
    return *(form.*row.button = &button);
  }
  return *(form.*row.bevel =
               &form.add(std::make_unique<ui::Bevel>(form, row.name, row.tag, row.bounds)));
}

// Adds the rows' controls in order, so that later rows lie above earlier ones.
template <class F>
void BuildLayout(F& form, std::span<const ControlRow<F>> rows) {
  for (const ControlRow<F>& row : rows) {
    ui::Control& control = AddControl(form, row);
    control.set_cursor(row.cursor);
    if (row.click) control.on_click = [&form, h = row.click](ui::Control& c) { (form.*h)(c); };
    if (row.mouse_move) {
      control.on_mouse_move = [&form, h = row.mouse_move](ui::Control& c) { (form.*h)(c); };
    }
  }
}

template <class F>
ui::Control* BoundControl(const F& form, const ControlRow<F>& row) {
  if (row.image) return form.*row.image;
  if (row.label) return form.*row.label;
  if (row.memo) return form.*row.memo;
  if (row.button) return form.*row.button;
  return form.*row.bevel;
}

// The accessible roles, names and descriptions of the rows' controls: an
// entry and a button are push buttons, a label is static text, an edit box
// is editable text; pictures without a Tag, and bevels, are not told of.
// The window looks the keys up when asked (AccessibleText).
template <class F>
void SpeakLayout(F& form, std::span<const ControlRow<F>> rows) {
  for (const ControlRow<F>& row : rows) {
    ui::Control& control = *BoundControl(form, row);
    if (row.entry() || row.button) {
      control.accessible_role = ui::AccessibleRole::kPushButton;
    } else if (row.label) {
      control.accessible_role = ui::AccessibleRole::kStaticText;
    } else if (row.memo) {
      control.accessible_role = ui::AccessibleRole::kEditableText;
    }
    control.accessible_name_key = row.name_key;
    if (row.named_by) control.accessible_name_label = form.*row.named_by;
    control.accessible_description_keys[0] = row.description_key;
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

}  // namespace ktr::forms
