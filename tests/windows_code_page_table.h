#pragma once
// Microsoft's WindowsBestFit tables of a code page (the shared test data's
// windows-code-pages folder, whose README gives the format): what
// MultiByteToWideChar and WideCharToMultiByte do, read for the tests that
// compare a converter with them.
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testing_tables {

// MultiByteToWideChar's and WideCharToMultiByte's mapping, as published.
struct WindowsTable {
  std::map<std::string, char32_t> decodes;  // byte sequence -> character
  std::map<char32_t, std::string> encodes;  // character -> byte sequence (best fit included)
  char32_t default_character = 0;           // what an undefined sequence decodes to
};

inline std::string Bytes(unsigned value, bool pair) {
  if (!pair) return std::string(1, static_cast<char>(value));
  return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

inline WindowsTable ReadTable(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  WindowsTable table;
  enum class Section { kNone, kSingle, kDouble, kWide } section = Section::kNone;
  std::size_t left = 0;
  std::deque<unsigned> leads;
  unsigned lead = 0;
  bool ranges = false;
  std::string line;
  while (std::getline(in, line)) {
    if (const auto comment = line.find(';'); comment != std::string::npos) line.resize(comment);
    std::istringstream words(line);
    std::string first, second;
    if (!(words >> first)) continue;
    words >> second;
    if (first == "MBTABLE" || first == "DBCSTABLE" || first == "WCTABLE") {
      left = std::stoul(second);
      section = first == "MBTABLE"   ? Section::kSingle
                : first == "WCTABLE" ? Section::kWide
                                     : Section::kDouble;
      if (section == Section::kDouble) {
        lead = leads.front();
        leads.pop_front();
      }
      continue;
    }
    if (first == "DBCSRANGE") ranges = true;
    if (first == "CPINFO") {
      std::string default_byte, default_character;
      words >> default_byte >> default_character;
      table.default_character = std::stoul(default_character, nullptr, 16);
      continue;
    }
    if (!first.starts_with("0x")) continue;
    const unsigned a = std::stoul(first, nullptr, 16);
    const unsigned b = std::stoul(second, nullptr, 16);
    if (left == 0) {
      if (ranges) {
        for (unsigned l = a; l <= b; ++l) leads.push_back(l);
      }
      continue;
    }
    --left;
    switch (section) {
      case Section::kSingle:
        table.decodes[Bytes(a, false)] = b;
        break;
      case Section::kDouble:
        table.decodes[Bytes(lead << 8 | a, true)] = b;
        break;
      case Section::kWide:
        table.encodes[a] = Bytes(b, b > 0xFF);
        break;
      case Section::kNone:
        break;
    }
  }
  return table;
}

// KTR_CODE_PAGE_TABLES: the folder, as the test program sees it.
inline std::filesystem::path TableOf(unsigned code_page) {
  return std::filesystem::path(KTR_CODE_PAGE_TABLES) /
         ("bestfit" + std::to_string(code_page) + ".txt");
}

// The characters that convert exactly: encoded by the table to bytes that
// decode back to them.
inline bool Exact(const WindowsTable& table, char32_t c, std::string* bytes = nullptr) {
  const auto it = table.encodes.find(c);
  if (it == table.encodes.end()) return false;
  const auto back = table.decodes.find(it->second);
  if (back == table.decodes.end() || back->second != c) return false;
  if (bytes) *bytes = it->second;
  return true;
}

}  // namespace testing_tables
