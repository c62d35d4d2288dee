#pragma once
// The medium the native benchmarks read: an English MultiLang.ini with every
// key of the catalogue in realistic wording, and the 22 skin bitmaps in
// their layout sizes as 24-bit pictures, written once per process into a
// fresh temporary folder that is removed again at exit. The folder is drive
// D: of the launcher's paths, so the launch folder is "D:\".
#include <filesystem>
#include <string>
#include <string_view>

namespace ktr::bench {

inline constexpr char kMediumDrive = 'D';
inline constexpr std::string_view kLaunchFolder = "D:\\";

class BenchMedium {
 public:
  // The one medium of this process, written on first use.
  static const BenchMedium& Get();

  const std::filesystem::path& root() const { return root_; }
  // The English MultiLang.ini, as the launcher finds it.
  std::filesystem::path multilang() const;
  // A skin bitmap of the English skin folder.
  std::filesystem::path skin_file(std::string_view name) const;
  // The value the INI gives a key, "" for none.
  static std::string_view ValueOf(std::string_view key);

  BenchMedium(const BenchMedium&) = delete;
  BenchMedium& operator=(const BenchMedium&) = delete;

 private:
  BenchMedium();
  ~BenchMedium();

  std::filesystem::path root_;
};

// A 24-bit BI_RGB file, bottom-up, with gradients and a few bands of
// colour, as a skin painter saves it.
std::string SkinPictureBytes(int width, int height, unsigned seed);

}  // namespace ktr::bench
