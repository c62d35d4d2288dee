#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/host.h"
#include "ui/bitmap.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

// The one BMP decoder of every backend. It trusts nothing in the file: every
// size and offset is checked against the bytes actually there before any
// memory is touched or allocated, and whatever it cannot decode safely is
// refused with InvalidGraphic (always with the same text, so the user sees the
// same report whatever the flaw).
//
// What it reads: the Windows headers (40, 52, 56, 108 and 124 bytes), the OS/2
// 1.x core header (12 bytes, 3-byte palette entries) and the OS/2 2.x header
// (16 or 64 bytes); 1, 2, 4 and 8 bits per pixel through a palette, 16 and 32
// through bit masks (the default 5-5-5 and 8-8-8 ones, or BI_BITFIELDS and
// BI_ALPHABITFIELDS masks), 24 as plain BGR; RLE8 and RLE4.
//
// Alpha: only a picture that carries an alpha mask has an alpha channel, and
// even then a picture whose every alpha value is zero is taken as opaque, as
// writers that fill the mask without meaning it are common. The fourth byte of
// a BI_RGB 32-bit pixel is reserved and ignored. Pixels that an RLE picture
// leaves undefined (skipped by a delta, an end of line or the end of the
// bitmap) are transparent black, 0x00000000. Everything else is opaque.

namespace ktr::ui {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kWindowsHeaderSize = 40;

// What a skin can need: every skinned window is 658 x 334 and shows its
// pictures unscaled, so a larger picture only adds pixels nobody sees. The
// cap leaves room for skins drawn larger than their window (4096 on a side,
// 1 Mi pixels, 4 MiB decoded), while a picture read again on every highlight
// change stays an allocation a fragmented 32-bit process still makes.
constexpr std::int64_t kMaxSide = 4096;
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 20;

// An RLE run is two bytes for at most 255 pixels, so no honest RLE stream
// covers more than 128 pixels per byte. A header that claims more relies on
// escapes to leave most of the picture undefined: refused, as the file cannot
// justify the memory it asks for.
constexpr std::uint64_t kRlePixelsPerByte = 128;

// The largest file LoadBitmapFile reads: a 32-bit picture at the pixel cap,
// its headers and masks and as much again of anything a writer appends. A
// skin picture is a few hundred kilobytes.
constexpr std::uint64_t kMaxFileSize = std::uint64_t{8} << 20;

constexpr std::uint32_t kOpaque = 0xFF000000u;

enum class Encoding { kRgb, kBitfields, kRle8, kRle4 };

[[noreturn]] void Invalid() { throw InvalidGraphic(); }

std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// What the headers say, checked against the file.
struct Layout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool top_down = false;
  unsigned bits = 0;
  Encoding encoding = Encoding::kRgb;
  // Red, green, blue, alpha; alpha zero when the picture has none.
  std::array<std::uint32_t, 4> masks{};
  std::array<std::uint32_t, 256> palette{};
  unsigned palette_size = 0;
  std::size_t pixel_offset = 0;
};

bool KnownHeaderSize(std::uint32_t size) {
  switch (size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
      return true;
    default:
      return false;
  }
}

// A usable mask is one run of set bits inside the pixel; zero means the
// channel is absent.
bool ValidMask(std::uint32_t mask, unsigned bits) {
  if (mask == 0) return true;
  if (bits < 32 && (mask >> bits) != 0) return false;
  const std::uint32_t run = mask >> std::countr_zero(mask);
  return (run & (run + 1)) == 0;
}

// Every header, mask and palette byte lies in the file's first kHeadBytes.
constexpr std::size_t kHeadBytes = 2048;

// `head` is the file's start, at least kHeadBytes of it or all of it; `size`
// is the whole file's, to check the pixels against.
Layout ReadLayout(std::span<const std::uint8_t> head, std::uint64_t size) {
  const std::uint8_t* f = head.data();
  if (size < kFileHeaderSize + 4 || f[0] != 'B' || f[1] != 'M') Invalid();

  Layout layout;
  const std::uint32_t header_size = U32(f + 14);
  if (!KnownHeaderSize(header_size) || size < kFileHeaderSize + header_size) Invalid();
  const std::uint8_t* h = f + kFileHeaderSize;
  const bool core = header_size == 12;
  const bool os2 = header_size == 16 || header_size == 64;

  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  unsigned planes = 0;
  if (core) {
    layout.width = U16(h + 4);
    layout.height = U16(h + 6);
    planes = U16(h + 8);
    layout.bits = U16(h + 10);
  } else {
    layout.width = static_cast<std::int32_t>(U32(h + 4));
    layout.height = static_cast<std::int32_t>(U32(h + 8));
    planes = U16(h + 12);
    layout.bits = U16(h + 14);
    if (header_size >= kWindowsHeaderSize) {
      compression = U32(h + 16);
      colours_used = U32(h + 32);
    }
  }
  if (planes != 1) Invalid();
  if (layout.width <= 0 || layout.height == 0) Invalid();
  if (layout.height < 0) {
    layout.top_down = true;
    layout.height = -layout.height;
  }
  if (layout.width > kMaxSide || layout.height > kMaxSide) Invalid();

  // Where the palette starts: BI_BITFIELDS masks follow a 40-byte header;
  // the larger Windows headers hold them inside.
  std::uint64_t palette_offset = kFileHeaderSize + header_size;
  bool has_alpha_mask = false;
  switch (compression) {
    case 0:
      layout.encoding = Encoding::kRgb;
      break;
    case 1:
      if (layout.bits != 8) Invalid();
      layout.encoding = Encoding::kRle8;
      break;
    case 2:
      if (layout.bits != 4) Invalid();
      layout.encoding = Encoding::kRle4;
      break;
    case 3:  // BI_BITFIELDS; on OS/2 2.x the same number means Huffman 1D.
    case 6:  // BI_ALPHABITFIELDS
      if (os2 || (layout.bits != 16 && layout.bits != 32)) Invalid();
      layout.encoding = Encoding::kBitfields;
      has_alpha_mask = compression == 6 || header_size >= 56;
      if (header_size == kWindowsHeaderSize) palette_offset += has_alpha_mask ? 16 : 12;
      break;
    default:  // JPEG, PNG, RLE24, CMYK: not pictures we show.
      Invalid();
  }
  if (layout.top_down &&
      (layout.encoding == Encoding::kRle8 || layout.encoding == Encoding::kRle4)) {
    Invalid();  // RLE is bottom-up by definition.
  }

  switch (layout.bits) {
    case 1: case 2: case 4: case 8: case 24:
      break;
    case 16:
      layout.masks = {0x7C00, 0x03E0, 0x001F, 0};
      break;
    case 32:
      layout.masks = {0xFF0000, 0xFF00, 0xFF, 0};
      break;
    default:
      Invalid();
  }
  if (layout.encoding == Encoding::kBitfields) {
    const std::size_t at = kFileHeaderSize + kWindowsHeaderSize;
    if (size < at + (has_alpha_mask ? 16 : 12)) Invalid();
    layout.masks = {U32(f + at), U32(f + at + 4), U32(f + at + 8),
                    has_alpha_mask ? U32(f + at + 12) : 0};
    std::uint32_t seen = 0;
    for (std::uint32_t mask : layout.masks) {
      if (!ValidMask(mask, layout.bits) || (mask & seen) != 0) Invalid();
      seen |= mask;
    }
  }

  if (layout.bits <= 8) {
    const unsigned entry = core ? 3 : 4;
    const std::uint64_t full = std::uint64_t{1} << layout.bits;
    std::uint64_t count = colours_used == 0 ? full : colours_used;
    if (core) {
      // The core header has no colour count; the gap up to the pixels tells
      // how many entries a short palette has.
      const std::uint64_t offset = U32(f + 10);
      if (offset < palette_offset) Invalid();
      count = std::min(full, (offset - palette_offset) / entry);
    }
    if (count == 0 || palette_offset + count * entry > size) Invalid();
    layout.palette_size = static_cast<unsigned>(std::min(count, full));
    const std::uint8_t* p = f + palette_offset;
    for (unsigned i = 0; i < layout.palette_size; ++i, p += entry) {
      layout.palette[i] = kOpaque | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }
  }

  const std::uint64_t offset = U32(f + 10);
  const std::uint64_t header_end = std::max<std::uint64_t>(
      kFileHeaderSize + header_size,
      layout.encoding == Encoding::kBitfields ? palette_offset : 0);
  if (offset < header_end || offset > size) Invalid();
  layout.pixel_offset = static_cast<std::size_t>(offset);

  // Both factors are at most kMaxSide, so the product cannot overflow.
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(layout.height);
  if (pixels > kMaxPixels) Invalid();
  const std::uint64_t data = size - offset;
  if (layout.encoding == Encoding::kRle8 || layout.encoding == Encoding::kRle4) {
    if (pixels > data * kRlePixelsPerByte) Invalid();
  } else {
    // The last row may lack its padding: some writers stop at its last pixel.
    const std::uint64_t row_bits = static_cast<std::uint64_t>(layout.width) * layout.bits;
    const std::uint64_t stride = (row_bits + 31) / 32 * 4;
    if ((static_cast<std::uint64_t>(layout.height) - 1) * stride + (row_bits + 7) / 8 > data) {
      Invalid();
    }
  }
  return layout;
}

// Rows of palette indices. `bad` collects indices beyond the palette, checked
// once a row so that the loops stay branch-free.
template <unsigned kBits>
void IndexedRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width,
                const Layout& layout, unsigned& bad) {
  const std::uint32_t* palette = layout.palette.data();
  const unsigned limit = layout.palette_size;
  if constexpr (kBits == 8) {
    for (std::size_t x = 0; x < width; ++x) {
      const unsigned index = src[x];
      bad |= static_cast<unsigned>(index >= limit);
      dst[x] = palette[index];
    }
  } else {
    constexpr unsigned kPerByte = 8 / kBits;
    constexpr unsigned kMask = (1u << kBits) - 1;
    std::size_t x = 0;
    for (; x + kPerByte <= width; x += kPerByte) {
      const unsigned byte = *src++;
      for (unsigned i = 0; i < kPerByte; ++i) {
        const unsigned index = (byte >> (8 - kBits * (i + 1))) & kMask;
        bad |= static_cast<unsigned>(index >= limit);
        dst[x + i] = palette[index];
      }
    }
    if (x < width) {
      const unsigned byte = *src;
      for (unsigned i = 0; x < width; ++i, ++x) {
        const unsigned index = (byte >> (8 - kBits * (i + 1))) & kMask;
        bad |= static_cast<unsigned>(index >= limit);
        dst[x] = palette[index];
      }
    }
  }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KTR_BGR24_SHUFFLE 1
// Four pixels per byte shuffle on processors that have one (SSSE3, from
// 2006 on); the launcher also runs on older ones, so it is chosen at run
// time. It loads 16 bytes for 12, so it stops while six pixels remain and
// never reads past the row.
__attribute__((target("ssse3"))) std::size_t Bgr24RowShuffled(const std::uint8_t* src,
                                                               std::uint32_t* dst,
                                                               std::size_t width) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
  std::size_t x = 0;
  for (; x + 6 <= width; x += 4, src += 12) {
    const __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
                     _mm_or_si128(_mm_shuffle_epi8(bgr, order), opaque));
  }
  return x;
}

bool HasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// Elsewhere four pixels are twelve bytes, three whole words, taken a word at
// a time. Skin pictures are nearly all 24-bit and are decoded again on every
// highlight change, so this row is the decoder's hot spot.
void Bgr24Row(const std::uint8_t* src, std::uint32_t* dst, std::size_t width) {
  std::size_t x = 0;
#ifdef KTR_BGR24_SHUFFLE
  if (HasByteShuffle()) {
    x = Bgr24RowShuffled(src, dst, width);
    src += 3 * x;
  }
#endif
  for (; x + 4 <= width; x += 4, src += 12) {
    const std::uint32_t a = U32(src);
    const std::uint32_t b = U32(src + 4);
    const std::uint32_t c = U32(src + 8);
    dst[x] = kOpaque | (a & 0xFFFFFF);
    dst[x + 1] = kOpaque | (a >> 24) | ((b & 0xFFFF) << 8);
    dst[x + 2] = kOpaque | (b >> 16) | ((c & 0xFF) << 16);
    dst[x + 3] = kOpaque | (c >> 8);
  }
  for (; x < width; ++x, src += 3) {
    dst[x] = kOpaque | (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[1]} << 8) | src[0];
  }
}

// One colour channel of a masked pixel: shift it down, keep its top 12 bits at
// most and scale them to the nearest of 0..255 through a table, so that 5 bits
// of 31 give 255, a 1-bit channel gives 0 or 255 and a 10-bit channel loses
// no more than its rounding.
struct Channel {
  unsigned shift = 0;
  std::uint32_t keep = 0;
  std::vector<std::uint8_t> scale;

  Channel(std::uint32_t mask, std::uint8_t absent) {
    if (mask == 0) {
      scale.assign(1, absent);
      return;
    }
    const unsigned low = static_cast<unsigned>(std::countr_zero(mask));
    const unsigned bits = static_cast<unsigned>(std::popcount(mask));
    const unsigned kept = std::min(bits, 12u);
    shift = low + (bits - kept);
    keep = (1u << kept) - 1;
    scale.resize(std::size_t{keep} + 1);
    for (std::uint32_t v = 0; v <= keep; ++v) {
      scale[v] = static_cast<std::uint8_t>((v * 255 + keep / 2) / keep);
    }
  }

  std::uint32_t operator()(std::uint32_t pixel) const { return scale[(pixel >> shift) & keep]; }
};

template <unsigned kBytes>
std::uint32_t LoadPixel(const std::uint8_t* p) {
  if constexpr (kBytes == 2) {
    return U16(p);
  } else {
    return U32(p);
  }
}

template <unsigned kBytes>
void MaskedRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t width,
               const std::array<Channel, 4>& c) {
  for (std::size_t x = 0; x < width; ++x, src += kBytes) {
    const std::uint32_t p = LoadPixel<kBytes>(src);
    dst[x] = (c[3](p) << 24) | (c[0](p) << 16) | (c[1](p) << 8) | c[2](p);
  }
}

// The rows of an uncompressed picture, decoded one file row at a time, each
// straight into the row it shows on (a bottom-up picture needs no second pass
// to flip it), so that they can come from a whole file or piece by piece.
class UncompressedRows {
 public:
  UncompressedRows(const Layout& layout, Bitmap& out)
      : layout_(layout),
        out_(out),
        width_(static_cast<std::size_t>(layout.width)),
        height_(static_cast<std::size_t>(layout.height)) {
    const auto& m = layout.masks;
    plain32_ = layout.bits == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF &&
               (m[3] == 0 || m[3] == 0xFF000000u);
    fill_ = m[3] == 0 ? kOpaque : 0;
    if ((layout.bits == 16 || layout.bits == 32) && !plain32_) {
      channels_.emplace(std::array<Channel, 4>{Channel(m[0], 0), Channel(m[1], 0),
                                               Channel(m[2], 0), Channel(m[3], 0xFF)});
    }
  }

  std::size_t height() const { return height_; }
  std::size_t stride() const { return (width_ * layout_.bits + 31) / 32 * 4; }
  // What a row takes from the file: the last one may lack its padding.
  std::size_t row_bytes() const { return (width_ * layout_.bits + 7) / 8; }

  void decode(std::size_t r, const std::uint8_t* src) {
    std::uint32_t* dst = out_.pixels.data() + (layout_.top_down ? r : height_ - 1 - r) * width_;
    unsigned bad = 0;
    switch (layout_.bits) {
      case 1: IndexedRow<1>(src, dst, width_, layout_, bad); break;
      case 2: IndexedRow<2>(src, dst, width_, layout_, bad); break;
      case 4: IndexedRow<4>(src, dst, width_, layout_, bad); break;
      case 8: IndexedRow<8>(src, dst, width_, layout_, bad); break;
      case 24: Bgr24Row(src, dst, width_); break;
      case 16: MaskedRow<2>(src, dst, width_, *channels_); break;
      case 32:
        if (!plain32_) {
          MaskedRow<4>(src, dst, width_, *channels_);
          break;
        }
        for (std::size_t x = 0; x < width_; ++x, src += 4) dst[x] = U32(src) | fill_;
        break;
      default:
        Invalid();
    }
    if (bad) Invalid();
  }

 private:
  const Layout& layout_;
  Bitmap& out_;
  std::size_t width_;
  std::size_t height_;
  bool plain32_ = false;
  std::uint32_t fill_ = kOpaque;
  std::optional<std::array<Channel, 4>> channels_;
};

void DecodeUncompressed(std::span<const std::uint8_t> file, const Layout& layout, Bitmap& out) {
  UncompressedRows rows(layout, out);
  const std::uint8_t* base = file.data() + layout.pixel_offset;
  for (std::size_t r = 0; r < rows.height(); ++r) rows.decode(r, base + r * rows.stride());
}

// RLE8 and RLE4. Every run and every cursor move is checked against the row
// and the image; a stream that runs out before its end-of-bitmap code is
// accepted only when it has already covered the whole image.
void DecodeRle(std::span<const std::uint8_t> file, const Layout& layout, Bitmap& out) {
  const bool four = layout.encoding == Encoding::kRle4;
  const std::int64_t width = layout.width;
  const std::int64_t height = layout.height;
  const std::uint32_t* palette = layout.palette.data();
  const unsigned limit = layout.palette_size;
  const std::uint8_t* p = file.data() + layout.pixel_offset;
  const std::uint8_t* const end = file.data() + file.size();
  std::int64_t x = 0;
  std::int64_t y = 0;  // rows from the bottom, as the stream counts them

  auto row = [&]() { return out.pixels.data() + (height - 1 - y) * width; };
  auto colour = [&](unsigned index) {
    if (index >= limit) Invalid();
    return palette[index];
  };

  for (;;) {
    if (end - p < 2) {
      if (y >= height || (y == height - 1 && x == width)) return;
      Invalid();
    }
    const unsigned count = p[0];
    const unsigned code = p[1];
    p += 2;
    if (count > 0) {
      if (y >= height || count > width - x) Invalid();
      std::uint32_t* dst = row() + x;
      if (four) {
        const std::uint32_t pair[2] = {colour(code >> 4),
                                       count > 1 ? colour(code & 0x0F) : 0};
        for (unsigned i = 0; i < count; ++i) dst[i] = pair[i & 1];
      } else {
        std::fill_n(dst, count, colour(code));
      }
      x += count;
      continue;
    }
    switch (code) {
      case 0:  // end of line
        if (y >= height) Invalid();
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return;
      case 2: {  // delta: move right and up, leaving the pixels in between
        if (end - p < 2) Invalid();
        const unsigned dx = p[0];
        const unsigned dy = p[1];
        p += 2;
        if (dx > width - x || dy > height - y) Invalid();
        x += dx;
        y += dy;
        break;
      }
      default: {  // absolute run of `code` pixels, padded to a 16-bit boundary
        const std::size_t bytes = four ? (code + 1) / 2 : code;
        if (static_cast<std::size_t>(end - p) < bytes) Invalid();
        if (y >= height || code > width - x) Invalid();
        std::uint32_t* dst = row() + x;
        if (four) {
          for (unsigned i = 0; i < code; ++i) {
            dst[i] = colour((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4));
          }
        } else {
          for (unsigned i = 0; i < code; ++i) dst[i] = colour(p[i]);
        }
        x += code;
        p += std::min<std::size_t>(bytes + (bytes & 1), static_cast<std::size_t>(end - p));
        break;
      }
    }
  }
}

// Writers that fill an alpha mask without meaning it leave every alpha zero;
// such a picture is shown opaque rather than not at all.
void OpaqueIfAlphaUnused(Bitmap& bitmap) {
  for (std::uint32_t pixel : bitmap.pixels) {
    if (pixel & kOpaque) return;
  }
  for (std::uint32_t& pixel : bitmap.pixels) pixel |= kOpaque;
}

}  // namespace

namespace {

Bitmap Allocate(const Layout& layout) {
  Bitmap bitmap;
  bitmap.width = static_cast<int>(layout.width);
  bitmap.height = static_cast<int>(layout.height);
  // Within the cap this still fails in a process whose address space is
  // used up or cut up; the picture is then one the launcher cannot show.
  try {
    bitmap.pixels.resize(static_cast<std::size_t>(layout.width * layout.height));
  } catch (const std::bad_alloc&) {
    Invalid();
  }
  return bitmap;
}

bool IsRle(const Layout& layout) {
  return layout.encoding == Encoding::kRle8 || layout.encoding == Encoding::kRle4;
}

}  // namespace

Bitmap DecodeBmp(std::span<const std::uint8_t> file) {
  const Layout layout = ReadLayout(file, file.size());
  Bitmap bitmap = Allocate(layout);
  if (IsRle(layout)) {
    DecodeRle(file, layout, bitmap);
  } else {
    DecodeUncompressed(file, layout, bitmap);
    if (layout.masks[3] != 0) OpaqueIfAlphaUnused(bitmap);
  }
  return bitmap;
}

struct OpenedPicture {
  std::unique_ptr<FileReader> reader;
  std::size_t announced = 0;
};

namespace {

// Shared with other readers, as picture loaders commonly open: a second
// launcher, an indexer or another client of a medium on a network share
// reading the same picture is no "Cannot open file".
OpenedPicture OpenPictureFile(Files& files, const std::string& path) {
  std::unique_ptr<FileReader> reader = files.open_read_shared(path);
  if (!reader) throw FileOpenError(path);
  const std::optional<std::uint64_t> size = reader->size();
  if (!size) throw FileOpenError(path);
  if (*size > kMaxFileSize) Invalid();
  return {std::move(reader), static_cast<std::size_t>(*size)};
}

// Reads on from `filled` until the announced size or the end of the file,
// whichever comes first: a file shorter than announced decodes as what is
// there. Returns how far the bytes go.
std::size_t Fill(FileReader& reader, const std::string& path, std::uint8_t* into,
                 std::size_t filled, std::size_t announced) {
  while (filled < announced) {
    const std::int64_t got = reader.read(into + filled, announced - filled);
    if (got < 0) throw FileOpenError(path);
    if (got == 0) break;
    filled += static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(got), announced - filled));
  }
  return filled;
}

void Reserve(FileBytes& bytes, std::size_t size) {
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    Invalid();
  }
}

}  // namespace

namespace {

constexpr std::size_t kPiece = 64 * 1024;

// What a picture file held when it was decoded: a file read again is
// compared through this, so that neither read keeps the file's bytes. Each
// step folds the full product of two words, so one multiplication takes
// sixteen bytes, and four lanes held in registers keep the multiplier busy.
class Hasher {
 public:
  // Every piece but the last is a whole number of blocks.
  static constexpr std::size_t kBlock = 64;

  void add(const std::uint8_t* p, std::size_t n) {
    std::uint64_t a = lanes_[0], b = lanes_[1], c = lanes_[2], d = lanes_[3];
    std::size_t i = 0;
    for (; i + kBlock <= n; i += kBlock) {
      a = Step(a, p + i);
      b = Step(b, p + i + 16);
      c = Step(c, p + i + 32);
      d = Step(d, p + i + 48);
    }
    lanes_ = {a, b, c, d};
    // The last block's whole pairs of words, then its bytes with their count.
    for (std::size_t l = 0; i + 16 <= n; i += 16, ++l) lanes_[l] = Step(lanes_[l], p + i);
    if (i < n) {
      std::uint8_t tail[16] = {};
      std::memcpy(tail, p + i, n - i);
      tail[15] = static_cast<std::uint8_t>(n - i);
      lanes_[3] = Step(lanes_[3], tail);
    }
    size_ += n;
  }
  PictureFiles::Fingerprint finish() const {
    const std::uint64_t x = Mix(Mix(size_ ^ lanes_[0]) ^ lanes_[1]);
    const std::uint64_t y = Mix(Mix(~size_ ^ lanes_[2]) ^ lanes_[3]);
    return {x, y, size_};
  }

 private:
  static std::uint64_t Word(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  }
  static std::uint64_t Step(std::uint64_t lane, const std::uint8_t* p) {
    return MultiplyFolded(Word(p) ^ 0xA0761D6478BD642Fu, Word(p + 8) ^ lane);
  }
  static std::uint64_t Mix(std::uint64_t x) {
    x = (x ^ (x >> 33)) * 0xFF51AFD7ED558CCDu;
    x = (x ^ (x >> 33)) * 0xC4CEB9FE1A85EC53u;
    return x ^ (x >> 33);
  }
  std::array<std::uint64_t, 4> lanes_{0x243F6A8885A308D3u, 0x13198A2E03707344u,
                                      0xA4093822299F31D0u, 0x082EFA98EC4E6C89u};
  std::uint64_t size_ = 0;
};

static_assert(kPiece % Hasher::kBlock == 0 && kPiece >= kHeadBytes);

// The next piece of the file into `piece`, added to `hash`; fewer bytes than
// asked for only at the end of the file.
std::size_t NextPiece(OpenedPicture& file, const std::string& path, std::size_t at,
                      FileBytes& piece, Hasher& hash) {
  const std::size_t got =
      Fill(*file.reader, path, piece.data(), 0, std::min(kPiece, file.announced - at));
  hash.add(piece.data(), got);
  return got;
}

// The fingerprint of the whole file; the bytes go into `copy` as well when
// it is given, sized for the announced length.
PictureFiles::Fingerprint ReadFingerprint(OpenedPicture& file, const std::string& path,
                                          FileBytes& piece, FileBytes* copy) {
  Hasher hash;
  std::size_t at = 0;
  for (std::size_t got = kPiece; got == kPiece && at < file.announced; at += got) {
    got = NextPiece(file, path, at, piece, hash);
    if (copy) std::copy(piece.begin(), piece.begin() + got, copy->begin() + at);
  }
  if (copy) copy->resize(at);
  return hash.finish();
}

// Whether the file still holds exactly `kept`, compared piece by piece as it
// is read.
bool SameAsKept(OpenedPicture& file, const std::string& path, const FileBytes& kept,
                FileBytes& piece) {
  std::size_t filled = 0;
  while (filled < file.announced) {
    const std::size_t want = std::min(kPiece, file.announced - filled);
    const std::size_t got = Fill(*file.reader, path, piece.data(), 0, want);
    if (filled + got > kept.size() ||
        !std::equal(piece.begin(), piece.begin() + got, kept.begin() + filled)) {
      return false;
    }
    filled += got;
    if (got < want) break;
  }
  return filled == kept.size();
}

// Fresh memory for keeping a file is a saving, never a reason to fail a load.
bool TryReserve(FileBytes& bytes, std::size_t size) {
  try {
    bytes.resize(size);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Reads the file a piece at a time and decodes each row as soon as its bytes
// are there: the file needs no memory of its own, and fresh memory is what
// reading a skin costs most. Only an RLE stream, decoded whole, is gathered.
Bitmap StreamBmp(OpenedPicture& file, const std::string& path, FileBytes& piece,
                 PictureFiles::Fingerprint& print) {
  Hasher hash;
  std::size_t got = NextPiece(file, path, 0, piece, hash);
  if (got < kPiece) {  // the whole file
    print = hash.finish();
    return DecodeBmp({piece.data(), got});
  }
  const Layout layout = ReadLayout({piece.data(), got}, file.announced);
  if (IsRle(layout)) {
    FileBytes content;
    Reserve(content, file.announced);
    std::copy(piece.begin(), piece.begin() + got, content.begin());
    const std::size_t end = Fill(*file.reader, path, content.data(), got, file.announced);
    hash.add(content.data() + got, end - got);
    print = hash.finish();
    return DecodeBmp({content.data(), end});
  }
  Bitmap bitmap = Allocate(layout);
  UncompressedRows rows(layout, bitmap);
  // A row that runs over the end of a piece is put together here; a row is
  // far shorter than a piece, so it runs over one end at most.
  FileBytes carry(rows.row_bytes());
  std::size_t next = 0;
  std::size_t at = 0;  // where the piece lies in the file
  for (;;) {
    const std::size_t piece_end = at + got;
    for (; next < rows.height(); ++next) {
      const std::size_t start = layout.pixel_offset + next * rows.stride();
      const std::size_t end = start + rows.row_bytes();
      if (end > piece_end) {
        if (start < piece_end) {
          const std::size_t from = std::max(start, at);
          std::copy(piece.begin() + (from - at), piece.begin() + got,
                    carry.begin() + (from - start));
        }
        break;
      }
      if (start >= at) {
        rows.decode(next, piece.data() + (start - at));
      } else {
        std::copy(piece.begin(), piece.begin() + (end - at), carry.begin() + (at - start));
        rows.decode(next, carry.data());
      }
    }
    at = piece_end;
    if (got < kPiece || at >= file.announced) break;
    got = NextPiece(file, path, at, piece, hash);
  }
  if (next < rows.height()) Invalid();  // the file ended before its last row
  if (layout.masks[3] != 0) OpaqueIfAlphaUnused(bitmap);
  print = hash.finish();
  return bitmap;
}

}  // namespace

Bitmap LoadBitmapFile(Files& files, const std::string& path) {
  OpenedPicture file = OpenPictureFile(files, path);
  FileBytes piece;
  Reserve(piece, kPiece);
  PictureFiles::Fingerprint unused;
  return StreamBmp(file, path, piece, unused);
}

// A file found unchanged a second time is kept whole from then on, and later
// reads compare with it: those are the pictures a highlight reloads again and
// again, and a plain compare costs half what a fingerprint does. Start-up,
// where fresh memory costs most, reads each of its large pictures once or
// twice, so it keeps none of them.
bool PictureFiles::unchanged(OpenedPicture& file, const std::string& path, Entry& entry) {
  if (!entry.bytes.empty()) return SameAsKept(file, path, entry.bytes, piece_);
  FileBytes copy;
  const bool keep = entry.read_unchanged && TryReserve(copy, file.announced);
  if (ReadFingerprint(file, path, piece_, keep ? &copy : nullptr) != entry.print) return false;
  if (keep) entry.bytes = std::move(copy);
  entry.read_unchanged = true;
  return true;
}

Picture PictureFiles::load(Files& files, const std::string& path) {
  OpenedPicture file = OpenPictureFile(files, path);
  Reserve(piece_, kPiece);
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const Entry& e) { return e.path == path; });
  if (it != entries_.end()) {
    if (unchanged(file, path, *it)) {
      entries_.splice(entries_.begin(), entries_, it);
      return it->picture;
    }
    entries_.erase(it);
    // Changed since: read again from its start. The file is opened without
    // sharing, so the first handle goes first.
    file.reader.reset();
    file = OpenPictureFile(files, path);
  }
  Fingerprint print;
  Picture picture = std::make_shared<const Bitmap>(StreamBmp(file, path, piece_, print));
  ++decoded_;
  entries_.push_front({.path = path, .print = print, .picture = picture});
  if (entries_.size() > capacity_) entries_.pop_back();
  return picture;
}

}  // namespace ktr::ui
