#include "bench/bench_medium.h"

#include <stdlib.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "lang/keys.h"
#include "medium/medium.h"

namespace ktr::bench {
namespace {

// Every key of the catalogue, in its order, with what a release medium says.
constexpr std::array<std::pair<std::string_view, std::string_view>, 48> kEnglish = {{
    {"RES_INSTALL_TITLE", "Additional component"},
    {"RES_CODE_X", "This version of Windows needs an additional component for the KTR client. "
                   "Install it now?"},
    {"RES_ERROR", "Error"},
    {"RES_OK", "OK"},
    {"RES_CANCEL", "Cancel"},
    {"RES_HELP", "Help"},
    {"RES_ALERT_MSG", "Please enter your user information when Windows starts."},
    {"RES_LANG", "ENGLISH"},
    {"RES_MAINFORM", "KTR Setup"},
    {"RES_TITLE", "KTR Installation"},
    {"RES_MANUAL", "Manual\\KTR_Manual_ENG.pdf"},
    {"RES_CLIENT_INSTALL", "Install\\KTR-Client\\Install.exe /lang:ENG"},
    {"RES_SERVER_INSTALL", "Install\\KTR-Server\\ServerSetup.exe /lang:ENG"},
    {"RES_CODE_X_INSTALL", "Install\\Component\\CompSetup.exe"},
    {"RES_ERROR_EXPLOER", "The manual could not be opened. Please open it from the Manual "
                          "folder of this medium."},
    {"RES_USER_CAPTION", "Install KTR Client"},
    {"RES_USER_GBBASE", "Standard installation"},
    {"RES_USER_GBNORMAL", "Custom installer"},
    {"RES_USER_GBGHOST", "Ghost image installation"},
    {"RES_USER_LBLBASE", "Installs the KTR client on this computer with the standard settings."},
    {"RES_USER_LBLNORMAL", "Builds a client installer with your own server address, "
                           "groups and options, for distribution over the network."},
    {"RES_USER_LBLGHOST", "Prepares this computer as the master of a Ghost disk image."},
    {"RES_GHOST_CAPTION", "Ghost Image Installation"},
    {"RES_GHOST_INSTALL_CAPTION", "Step 1: Install the client"},
    {"RES_GHOST_EDITNOTICE_CAPTION", "Step 2: Edit the notice"},
    {"RES_GHOST_LBLINCOMPLETE", "The client installation was not completed. Run it again "
                                "before you make the disk image."},
    {"RES_GHOST_LBLINSTALL", "Installs the client and removes its identity, so that every "
                             "cloned computer registers as a new client."},
    {"RES_GHOST_LBLEDIT", "Edits the notice that asks the users of cloned computers for their "
                          "user information."},
    {"RES_GHOST_LBLINSTNOTE", "Click Install to begin."},
    {"RES_GHOST_LBLEDITNOTE", "Click Edit to change the notice."},
    {"RES_GHOST_LBLINSTCOMP", "The client has been installed."},
    {"RES_GHOST_EDIT_COMP", "The notice has been saved. It will be shown at the next start of "
                            "Windows."},
    {"RES_BTNINSTALL", "Install"},
    {"RES_BTNEDIT", "Edit"},
    {"RES_EDITNOTICE_CAPTION", "Edit Notice"},
    {"RES_EDITNOTICE_LBL", "Enter the notice that users see when Windows starts:"},
    {"RES_HELPCLI", "Help\\KtrHelp.exe client"},
    {"RES_GHOSTCLI", "Help\\KtrHelp.exe ghost"},
    {"RES_NAME_MANUAL", "Manual"},
    {"RES_NAME_SCAN", "Virus scan"},
    {"RES_NAME_CLIENT", "Install client"},
    {"RES_NAME_SERVER", "Install server"},
    {"RES_NAME_BROWSE", "Browse this medium"},
    {"RES_NAME_EXIT", "Exit"},
    {"RES_DESC_MANUAL", "Opens the KTR manual."},
    {"RES_DESC_SCAN", "Checks this computer now with the lightweight Sentova scanner."},
    {"RES_DESC_CLIENT", "Installs the KTR client agent on this computer."},
    {"RES_DESC_SERVER", "Installs the KTR management server on this computer."},
}};

// The table must speak for the whole catalogue, in its order.
constexpr bool CoversCatalogue() {
  for (std::size_t i = 0; i < kEnglish.size(); ++i) {
    if (kEnglish[i].first != lang::kAllKeys[i]) return false;
  }
  return kEnglish.size() == lang::kAllKeys.size();
}
static_assert(CoversCatalogue(), "kEnglish must list every RES_ key in catalogue order");

void Put(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string MultiLangText() {
  std::string text = "[ENGLISH]\r\n";
  for (const auto& [key, value] : kEnglish) {
    text += key;
    text += '=';
    text += value;
    text += "\r\n";
  }
  return text;
}

}  // namespace

std::string SkinPictureBytes(int width, int height, unsigned seed) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t image = stride * static_cast<std::size_t>(height);
  std::string bytes(54 + image, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
  Put(bytes, 10, 54, 4);
  Put(bytes, 14, 40, 4);
  Put(bytes, 18, static_cast<std::uint32_t>(width), 4);
  Put(bytes, 22, static_cast<std::uint32_t>(height), 4);
  Put(bytes, 26, 1, 2);
  Put(bytes, 28, 24, 2);
  Put(bytes, 34, static_cast<std::uint32_t>(image), 4);
  Put(bytes, 38, 2835, 4);  // 72 dots per inch
  Put(bytes, 42, 2835, 4);
  for (int y = 0; y < height; ++y) {
    char* row = bytes.data() + 54 + stride * static_cast<std::size_t>(y);
    const bool band = ((y + static_cast<int>(seed)) / 6) % 5 == 0;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<char>(band ? 0x30 : 0x80 + (x * 96) / width);
      row[3 * x + 1] = static_cast<char>(0x40 + (y * 128) / height + (seed * 13));
      row[3 * x + 2] = static_cast<char>(band ? 0xE0 : 0x20 + ((x + y) * 64) / (width + height));
    }
  }
  return bytes;
}

const BenchMedium& BenchMedium::Get() {
  static BenchMedium medium;
  return medium;
}

BenchMedium::BenchMedium() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ktr-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
  root_ = pattern;
  try {
    // The launcher spells the folder "ImgData" for texts and "imgdata" for
    // skins; a medium on a case-sensitive disk holds both spellings.
    Write(root_ / "ImgData" / "ENGLISH" / "MultiLang.ini", MultiLangText());
    unsigned seed = 0;
    for (const medium::SkinBitmap& bitmap : medium::kSkinBitmaps) {
      Write(skin_file(bitmap.file), SkinPictureBytes(bitmap.width, bitmap.height, seed++));
    }
  } catch (...) {
    std::filesystem::remove_all(root_);
    throw;
  }
}

BenchMedium::~BenchMedium() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path BenchMedium::multilang() const {
  return root_ / "ImgData" / "ENGLISH" / "MultiLang.ini";
}

std::filesystem::path BenchMedium::skin_file(std::string_view name) const {
  return root_ / "imgdata" / std::string(ValueOf("RES_LANG")) / std::string(name);
}

std::string_view BenchMedium::ValueOf(std::string_view key) {
  for (const auto& [k, value] : kEnglish) {
    if (k == key) return value;
  }
  return {};
}

}  // namespace ktr::bench
