#pragma once
// A decoded picture: 32-bit BGRA pixels, top row first. The one decoder
// serves every backend, so "not a valid picture" means the same everywhere.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ktr {
class Files;
}

namespace ktr::ui {

struct Bitmap {
  int width = 0;
  int height = 0;
  // One 0xAARRGGBB value per pixel, row by row from the top.
  std::vector<std::uint32_t> pixels;

  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Throws InvalidGraphic for anything that is not a BMP it can decode safely.
Bitmap DecodeBmp(std::span<const std::uint8_t> file);

// Reads and decodes a picture file: FileOpenError (full path) when the file
// cannot be opened, InvalidGraphic when it is no valid picture.
Bitmap LoadBitmapFile(Files& files, const std::string& path);

}  // namespace ktr::ui
