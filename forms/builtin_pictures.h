#pragma once
// The skinned windows' built-in pictures, drawn at run time instead of being
// stored in the program: what a window shows wherever its skin fails.
#include "ui/toolkit.h"

namespace ktr::forms {

// Each gives the image its built-in picture, drawn when something first
// looks at it (usually never: the skin replaces it first) and then shared by
// every window.
void SetBuiltinBackground(ui::Image& image);         // 660 x 337
void SetBuiltinEntry(ui::Image& image, int tag);     // 172 x 24; 67 x 28 for the exit entry (tag 6)
void SetBuiltinLongButton(ui::Image& image);         // 172 x 24
void SetBuiltinShortButton(ui::Image& image);        // 67 x 28
// 32 x 32 in 16 colours: a person on teal, teal being the transparent colour.
void SetBuiltinNoticePicture(ui::Image& image);

}  // namespace ktr::forms
