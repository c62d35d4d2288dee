#include "tests/fakes/test_medium.h"

#include "medium/medium.h"

namespace ktr::fake {
namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string MakeBmp(int width, int height, std::uint32_t rgb) {
  const int stride = (width * 3 + 3) & ~3;
  const std::uint32_t data_size = static_cast<std::uint32_t>(stride * height);
  std::string out = "BM";
  PutLe(out, 54 + data_size, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, data_size, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 2835, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  std::string row(static_cast<std::size_t>(stride), '\0');
  for (int x = 0; x < width; ++x) {
    row[x * 3] = static_cast<char>(rgb & 0xFF);
    row[x * 3 + 1] = static_cast<char>((rgb >> 8) & 0xFF);
    row[x * 3 + 2] = static_cast<char>((rgb >> 16) & 0xFF);
  }
  for (int y = 0; y < height; ++y) out += row;
  return out;
}

std::uint32_t ColourOf(std::string_view file) {
  std::uint32_t index = 0;
  for (const auto& bitmap : medium::kSkinBitmaps) {
    if (bitmap.file == file) break;
    ++index;
  }
  // Spread the indices over the colour cube so that no two files share one.
  return ((index * 37 + 11) % 256) << 16 | ((index * 91 + 70) % 256) << 8 |
         ((index * 53 + 140) % 256);
}

std::string FileShownBy(const ui::Picture& picture) {
  if (!picture || picture->pixels.empty()) return {};
  const std::uint32_t rgb = picture->pixels.front() & 0xFFFFFF;
  for (const auto& bitmap : medium::kSkinBitmaps) {
    if (ColourOf(bitmap.file) == rgb) return std::string(bitmap.file);
  }
  return {};
}

std::string IniText(std::string_view section, const std::map<std::string, std::string>& values) {
  std::string text = "[" + std::string(section) + "]\r\n";
  for (const auto& [key, value] : values) text += key + "=" + value + "\r\n";
  return text;
}

void TestMedium::install(fake::FakeFiles& files, std::string_view language) const {
  std::map<std::string, std::string> values = strings;
  values.emplace("RES_LANG", skin);
  files.add_file(root + "ImgData\\" + std::string(language) + "\\MultiLang.ini",
                 IniText(language, values));
  for (const auto& bitmap : medium::kSkinBitmaps) {
    files.add_file(skin_path(bitmap.file),
                   MakeBmp(bitmap.width, bitmap.height, ColourOf(bitmap.file)));
  }
}

std::string TestMedium::skin_path(std::string_view file) const {
  return root + "imgdata\\" + skin + "\\" + std::string(file);
}

}  // namespace ktr::fake
