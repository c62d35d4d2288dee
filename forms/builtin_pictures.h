#pragma once
// The skinned windows' built-in pictures, drawn at run time instead of being
// stored in the program: what a window shows wherever its skin fails.
#include "ui/bitmap.h"

namespace ktr::forms {

const ui::Picture& BuiltinBackground();    // 660 x 337
const ui::Picture& BuiltinEntry(int tag);  // 172 x 24; 67 x 28 for the exit entry (tag 6, 1..6)
const ui::Picture& BuiltinLongButton();    // 172 x 24
const ui::Picture& BuiltinShortButton();   // 67 x 28
// 32 x 32 in 16 colours: a person on teal, teal being the transparent colour.
const ui::Picture& BuiltinNoticePicture();

}  // namespace ktr::forms
