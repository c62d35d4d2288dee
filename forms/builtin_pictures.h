#pragma once
// The skinned windows' built-in pictures, drawn at run time instead of being
// stored in the program: what a window shows wherever its skin fails.
#include "ui/bitmap.h"

namespace ktr::forms {

ui::Bitmap BuiltinBackground();    // 660 x 337
ui::Bitmap BuiltinEntry(int tag);  // 172 x 24; 67 x 28 for the exit entry (tag 6)
ui::Bitmap BuiltinLongButton();    // 172 x 24
ui::Bitmap BuiltinShortButton();   // 67 x 28
// 32 x 32 in 16 colours: a person on teal, teal being the transparent colour.
ui::Bitmap BuiltinNoticePicture();

}  // namespace ktr::forms
