#pragma once
// A medium laid out in the in-memory host: MultiLang.ini files and skin
// bitmaps whose flat colours tell which file a control shows.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "testing/fake_host.h"
#include "ui/bitmap.h"

namespace ktr::fake {

// A 24-bit bottom-up BMP of one colour.
std::string MakeBmp(int width, int height, std::uint32_t rgb);
// A distinct colour for every skin file name.
std::uint32_t ColourOf(std::string_view file);
// The skin file whose colour a picture shows; empty when none matches.
std::string FileShownBy(const ui::Picture& picture);

struct TestMedium {
  std::string root = "D:\\";
  std::string skin = "SkinKor";
  std::map<std::string, std::string> strings;  // key -> value, in the language's section

  // Writes MultiLang.ini of `language` (section named after it) and the 22
  // skin bitmaps under root + "imgdata\" + skin.
  void install(fake::FakeFiles& files, std::string_view language) const;
  std::string skin_path(std::string_view file) const;
};

std::string IniText(std::string_view section, const std::map<std::string, std::string>& values);

}  // namespace ktr::fake
