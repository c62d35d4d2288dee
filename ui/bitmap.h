#pragma once
// A decoded picture: 32-bit BGRA pixels, top row first. The one decoder
// serves every backend, so "not a valid picture" means the same everywhere.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <utility>
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

// A decoded picture as the controls hold it: never changed once made, so one
// decode can be shown by several controls and windows at once.
using Picture = std::shared_ptr<const Bitmap>;

// Throws InvalidGraphic for anything that is not a BMP it can decode safely.
Bitmap DecodeBmp(std::span<const std::uint8_t> file);

// Reads and decodes a picture file: FileOpenError (full path) when the file
// cannot be opened, InvalidGraphic when it is no valid picture.
Bitmap LoadBitmapFile(Files& files, const std::string& path);

// Bytes that a read is about to overwrite are not cleared first: clearing a
// skin picture's buffer before reading into it showed in every hover.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using FileBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

// The full product of two words with its halves combined by exclusive or,
// what a picture file's fingerprint is made of. A 32-bit build has no wider
// multiplication and takes the product from its four 32-bit parts.
constexpr std::uint64_t MultiplyFoldedByParts(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a_lo = a & 0xFFFFFFFFu, a_hi = a >> 32;
  const std::uint64_t b_lo = b & 0xFFFFFFFFu, b_hi = b >> 32;
  const std::uint64_t lo_lo = a_lo * b_lo, lo_hi = a_lo * b_hi;
  const std::uint64_t hi_lo = a_hi * b_lo, hi_hi = a_hi * b_hi;
  const std::uint64_t middle = (lo_lo >> 32) + (lo_hi & 0xFFFFFFFFu) + (hi_lo & 0xFFFFFFFFu);
  const std::uint64_t low = (middle << 32) | (lo_lo & 0xFFFFFFFFu);
  const std::uint64_t high = hi_hi + (lo_hi >> 32) + (hi_lo >> 32) + (middle >> 32);
  return low ^ high;
}

inline std::uint64_t MultiplyFolded(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
  const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
  return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
  return MultiplyFoldedByParts(a, b);
#endif
}

// Decoded pictures by file, for windows that load the same files again and
// again (a highlight change reloads two pictures from the medium, and the
// windows share most of their skin). The file is read every time, with the
// errors LoadBitmapFile gives, so a changed or vanished file shows at once;
// only when its bytes are those of the last decode of that path (compared
// through a 128-bit fingerprint and the length, or with the file's own bytes
// once it has been read unchanged twice) is the decoded picture shared
// instead of decoded again. Keeps the files used most recently.
struct OpenedPicture;

class PictureFiles {
 public:
  explicit PictureFiles(std::size_t capacity = 32) : capacity_(capacity) {}
  PictureFiles(const PictureFiles&) = delete;
  PictureFiles& operator=(const PictureFiles&) = delete;

  Picture load(Files& files, const std::string& path);
  // How many files were decoded, for tests and benchmarks.
  std::size_t decoded() const { return decoded_; }

  struct Fingerprint {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    std::uint64_t size = 0;
    bool operator==(const Fingerprint&) const = default;
  };

 private:
  struct Entry {
    std::string path;
    Fingerprint print;
    Picture picture;
    bool read_unchanged = false;  // found unchanged at a read since its decode
    FileBytes bytes = {};  // the file itself, once found unchanged a second time
  };
  bool unchanged(OpenedPicture& file, const std::string& path, Entry& entry);
  std::size_t capacity_;
  std::size_t decoded_ = 0;
  std::list<Entry> entries_;  // most recently used first
  // Every read goes through this one piece, so a read allocates nothing but
  // the copy of a file that is kept.
  FileBytes piece_;
};

}  // namespace ktr::ui
