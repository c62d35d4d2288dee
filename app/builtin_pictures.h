#pragma once
// The main menu's built-in pictures, drawn at run time instead of being
// stored in the program: what the window shows wherever the skin fails.
#include "ui/bitmap.h"

namespace ktr::app {

ui::Bitmap BuiltinBackground();                 // 660 x 337
ui::Bitmap BuiltinEntry(int tag);               // 172 x 24; 67 x 28 for the exit entry (tag 6)

}  // namespace ktr::app
