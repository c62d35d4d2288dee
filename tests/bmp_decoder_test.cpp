#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "platform/host.h"
#include "ui/bitmap.h"

// The reference pictures are PNGs; stb_image reads them (header only, kept
// private to this file).
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

// While set, allocations above this many bytes fail, as they do in a 32-bit
// process whose address space is used up or cut up.
static std::size_t g_allocation_limit = SIZE_MAX;

void* operator new(std::size_t size) {
  if (size > g_allocation_limit) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// Kept out of line: inlined, GCC takes the free() for a mismatch with new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace ktr::ui {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kSuite = fs::path(KTR_TEST_DATA) / "bmpsuite";

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

struct Reference {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

Reference LoadPng(const std::string& name) {
  Reference ref;
  int channels = 0;
  const std::string path = (kSuite / "reference" / name).string();
  std::unique_ptr<stbi_uc, void (*)(void*)> data(
      stbi_load(path.c_str(), &ref.width, &ref.height, &channels, 4), stbi_image_free);
  EXPECT_TRUE(data) << path;
  if (data) ref.rgba.assign(data.get(), data.get() + std::size_t{4} * ref.width * ref.height);
  return ref;
}

// Alpha must match exactly. Colour is compared where a pixel is not fully
// transparent (a PNG's colour under alpha 0 is arbitrary), within `tolerance`
// per channel.
void ExpectSamePicture(const Bitmap& bitmap, const std::string& png, int tolerance) {
  const Reference ref = LoadPng(png);
  ASSERT_EQ(bitmap.width, ref.width);
  ASSERT_EQ(bitmap.height, ref.height);
  ASSERT_EQ(bitmap.pixels.size(), std::size_t{1} * ref.width * ref.height);
  int mismatches = 0;
  for (int y = 0; y < ref.height; ++y) {
    for (int x = 0; x < ref.width; ++x) {
      const std::uint8_t* want = &ref.rgba[4 * (std::size_t{1} * y * ref.width + x)];
      const std::uint32_t got = bitmap.at(x, y);
      const int channels[4] = {int(got >> 16 & 0xFF), int(got >> 8 & 0xFF), int(got & 0xFF),
                               int(got >> 24)};
      bool same = channels[3] == want[3];
      for (int c = 0; c < 3 && want[3] != 0; ++c) {
        same = same && std::abs(channels[c] - want[c]) <= tolerance;
      }
      if (!same && ++mismatches <= 3) {
        ADD_FAILURE() << png << " at " << x << "," << y << ": got ARGB " << std::hex << got
                      << ", want RGBA " << int(want[0]) << " " << int(want[1]) << " "
                      << int(want[2]) << " " << int(want[3]);
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << png;
}

// --- The suite's good files: every one matches its reference exactly. -----
// Several files render the same picture, so the reference is named per file.
// None of them has an alpha mask, so every pixel must come out opaque.

const std::map<std::string, std::string> kGood = {
    {"pal1.bmp", "pal1.png"},         {"pal1bg.bmp", "pal1bg.png"},
    {"pal1wb.bmp", "pal1.png"},       {"pal4.bmp", "pal4.png"},
    {"pal4gs.bmp", "pal4gs.png"},     {"pal4rle.bmp", "pal4.png"},
    {"pal8-0.bmp", "pal8.png"},       {"pal8.bmp", "pal8.png"},
    {"pal8gs.bmp", "pal8gs.png"},     {"pal8nonsquare.bmp", "pal8nonsquare-e.png"},
    {"pal8os2.bmp", "pal8.png"},      {"pal8rle.bmp", "pal8.png"},
    {"pal8topdown.bmp", "pal8.png"},  {"pal8v4.bmp", "pal8.png"},
    {"pal8v5.bmp", "pal8.png"},       {"pal8w124.bmp", "pal8w124.png"},
    {"pal8w125.bmp", "pal8w125.png"}, {"pal8w126.bmp", "pal8w126.png"},
    {"rgb16-565.bmp", "rgb16-565.png"}, {"rgb16-565pal.bmp", "rgb16-565.png"},
    {"rgb16.bmp", "rgb16.png"},       {"rgb16bfdef.bmp", "rgb16.png"},
    {"rgb24.bmp", "rgb24.png"},       {"rgb24pal.bmp", "rgb24.png"},
    {"rgb32.bmp", "rgb24.png"},       {"rgb32bf.bmp", "rgb24.png"},
    {"rgb32bfdef.bmp", "rgb24.png"},
};

TEST(BmpSuite, EveryGoodFileMatchesItsReference) {
  ASSERT_EQ(FilesIn(kSuite / "g").size(), kGood.size()) << "a good file without a reference";
  for (const std::string& name : FilesIn(kSuite / "g")) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(kGood.count(name));
    const Bitmap bitmap = DecodeBmp(ReadAll(kSuite / "g" / name));
    ExpectSamePicture(bitmap, kGood.at(name), 0);
    EXPECT_TRUE(std::all_of(bitmap.pixels.begin(), bitmap.pixels.end(),
                            [](std::uint32_t p) { return (p >> 24) == 0xFF; }));
  }
}

// --- Questionable and bad files: one written decision each. ---------------

enum class Decision { kDecode, kReject };

struct Verdict {
  Decision decision;
  const char* reference;  // compared when set; else only the size is
  int tolerance;          // masks wider than 8 bits round either way
  const char* reason;
};

constexpr Decision D = Decision::kDecode;
constexpr Decision R = Decision::kReject;

const std::map<std::string, Verdict> kQuestionable = {
    {"pal1huffmsb.bmp", {R, nullptr, 0, "OS/2 Huffman 1D compression: not supported"}},
    {"pal1p1.bmp", {D, "pal1p1.png", 0, "one-entry palette, and every pixel uses that entry"}},
    {"pal2.bmp", {D, "pal2.png", 0, "2 bits per pixel read like the other palette depths"}},
    {"pal2color.bmp", {D, "pal2color.png", 0, "2 bits per pixel with colours"}},
    {"pal4rlecut.bmp", {D, "pal4rlecut.png", 0, "early end of bitmap: the rest is transparent"}},
    {"pal4rletrns.bmp", {D, "pal4rletrns.png", 0, "deltas leave transparent pixels"}},
    {"pal8offs.bmp", {D, "pal8.png", 0, "pixels found through the offset, past unused bytes"}},
    {"pal8os2-hs.bmp", {D, "pal8.png", 0, "file size and hotspot fields are not needed"}},
    {"pal8os2-sz.bmp", {D, "pal8.png", 0, "file size field is not needed"}},
    {"pal8os2sp.bmp", {D, "pal8.png", 0, "short core palette sized by the gap to the pixels"}},
    {"pal8os2v2-16.bmp", {D, "pal8.png", 0, "OS/2 2.x header cut to 16 bytes"}},
    {"pal8os2v2-40sz.bmp", {D, "pal8.png", 0, "40-byte header, wrong file size field"}},
    {"pal8os2v2-sz.bmp", {D, "pal8.png", 0, "OS/2 2.x header, wrong file size field"}},
    {"pal8os2v2.bmp", {D, "pal8.png", 0, "OS/2 2.x 64-byte header"}},
    {"pal8oversizepal.bmp", {D, "pal8.png", 0, "300-entry palette: the first 256 count"}},
    {"pal8rlecut.bmp", {D, "pal8rlecut.png", 0, "early end of bitmap: the rest is transparent"}},
    {"pal8rletrns.bmp", {D, "pal8rletrns.png", 0, "deltas leave transparent pixels"}},
    {"rgb16-231.bmp", {D, "rgb16-231.png", 0, "2-3-1 masks"}},
    {"rgb16-3103.bmp", {D, "rgb16-3103.png", 1, "3-10-3 masks"}},
    {"rgb16faketrns.bmp", {D, "rgb16.png", 0, "top bit of a 5-5-5 pixel is unused: opaque"}},
    {"rgb24jpeg.bmp", {R, nullptr, 0, "JPEG inside a BMP: not a bitmap we decode"}},
    {"rgb24largepal.bmp", {D, "rgb24.png", 0, "palette of a 24-bit picture is ignored"}},
    {"rgb24lprof.bmp", {D, "rgb24.png", 0, "linked colour profile ignored"}},
    {"rgb24png.bmp", {R, nullptr, 0, "PNG inside a BMP: not a bitmap we decode"}},
    {"rgb24prof.bmp", {D, "rgb24.png", 0, "embedded colour profile ignored"}},
    {"rgb24prof2.bmp", {D, nullptr, 0, "profile ignored: colours as stored, unmanaged"}},
    {"rgb24rle24.bmp", {R, nullptr, 0, "OS/2 RLE24 compression: not supported"}},
    {"rgb32-111110.bmp", {D, "rgb24.png", 1, "11-11-10 masks"}},
    {"rgb32-7187.bmp", {D, "rgb32-7187.png", 1, "7-18-7 masks"}},
    {"rgb32-xbgr.bmp", {D, "rgb24.png", 0, "masks in the high bytes"}},
    {"rgb32fakealpha.bmp", {D, "rgb24.png", 0, "fourth byte of BI_RGB is reserved: opaque"}},
    {"rgb32h52.bmp", {D, "rgb24.png", 0, "52-byte header carrying the masks"}},
    {"rgba16-1924.bmp", {D, "rgba16-1924.png", 0, "masks with alpha"}},
    {"rgba16-4444.bmp", {D, "rgba16-4444.png", 0, "masks with alpha"}},
    {"rgba16-5551.bmp", {D, "rgba16-5551.png", 0, "masks with alpha"}},
    {"rgba32-1.bmp", {D, "rgba32.png", 0, "alpha mask in a V5 header"}},
    {"rgba32-1010102.bmp", {D, "rgba32-1010102.png", 1, "10-10-10-2 masks"}},
    {"rgba32-2.bmp", {D, "rgba32.png", 0, "alpha mask in another byte"}},
    {"rgba32-61754.bmp", {D, "rgba32-61754.png", 1, "6-17-5-4 masks"}},
    {"rgba32-81284.bmp", {D, "rgba32-81284.png", 1, "8-12-8-4 masks"}},
    {"rgba32abf.bmp", {D, "rgba32.png", 0, "BI_ALPHABITFIELDS: four masks after the header"}},
    {"rgba32h56.bmp", {D, "rgba32.png", 0, "56-byte header carrying four masks"}},
    {"rgba64.bmp", {R, nullptr, 0, "64 bits per pixel: not supported"}},
};

const std::map<std::string, Verdict> kBad = {
    {"badbitcount.bmp", {R, nullptr, 0, "no such depth"}},
    {"badbitssize.bmp", {D, "pal1.png", 0, "image size field is not needed"}},
    {"baddens1.bmp", {D, "pal1.png", 0, "density is not needed"}},
    {"baddens2.bmp", {D, "pal1.png", 0, "density is not needed"}},
    {"badfilesize.bmp", {D, "pal1.png", 0, "file size field is not needed"}},
    {"badheadersize.bmp", {R, nullptr, 0, "unknown header size"}},
    {"badpalettesize.bmp", {R, nullptr, 0, "palette runs past the end of the file"}},
    {"badplanes.bmp", {R, nullptr, 0, "planes must be 1"}},
    {"badrle.bmp", {R, nullptr, 0, "RLE8 run past the row or the image"}},
    {"badrle4.bmp", {R, nullptr, 0, "RLE4 run past the row or the image"}},
    {"badrle4bis.bmp", {R, nullptr, 0, "RLE4 run past the row or the image"}},
    {"badrle4ter.bmp", {R, nullptr, 0, "RLE4 run past the row or the image"}},
    {"badrlebis.bmp", {R, nullptr, 0, "RLE8 run past the row or the image"}},
    {"badrleter.bmp", {R, nullptr, 0, "RLE8 run past the row or the image"}},
    {"badwidth.bmp", {R, nullptr, 0, "negative width"}},
    {"pal8badindex.bmp", {R, nullptr, 0, "pixel index beyond the 101-entry palette"}},
    {"reallybig.bmp", {R, nullptr, 0, "pixels cannot be in a file this short"}},
    {"rgb16-880.bmp", {D, "rgb16-880.png", 0, "empty blue mask: blue is zero"}},
    {"rletopdown.bmp", {R, nullptr, 0, "RLE cannot be top-down"}},
    {"shortfile.bmp", {R, nullptr, 0, "pixel data cut short"}},
};

void CheckVerdicts(const char* folder, const std::map<std::string, Verdict>& verdicts) {
  ASSERT_EQ(FilesIn(kSuite / folder).size(), verdicts.size()) << "a file without a decision";
  for (const std::string& name : FilesIn(kSuite / folder)) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(verdicts.count(name));
    const Verdict& verdict = verdicts.at(name);
    SCOPED_TRACE(verdict.reason);
    const Bytes file = ReadAll(kSuite / folder / name);
    if (verdict.decision == Decision::kReject) {
      EXPECT_THROW(DecodeBmp(file), InvalidGraphic);
      continue;
    }
    const Bitmap bitmap = DecodeBmp(file);
    EXPECT_EQ(bitmap.pixels.size(), std::size_t{1} * bitmap.width * bitmap.height);
    if (verdict.reference) ExpectSamePicture(bitmap, verdict.reference, verdict.tolerance);
  }
}

TEST(BmpSuite, QuestionableFilesFollowTheirDecision) { CheckVerdicts("q", kQuestionable); }
TEST(BmpSuite, BadFilesAreRejectedOrDecodedSafely) { CheckVerdicts("b", kBad); }

// Inputs the fuzzer found interesting: each decodes or is refused, cleanly.
TEST(BmpRegressions, EveryFileIsHandledCleanly) {
  const fs::path folder = fs::path(KTR_TEST_DATA) / "bmp_regressions";
  ASSERT_FALSE(FilesIn(folder).empty());
  for (const std::string& name : FilesIn(folder)) {
    SCOPED_TRACE(name);
    try {
      const Bitmap bitmap = DecodeBmp(ReadAll(folder / name));
      EXPECT_GT(bitmap.width, 0);
      EXPECT_GT(bitmap.height, 0);
      EXPECT_EQ(bitmap.pixels.size(), std::size_t{1} * bitmap.width * bitmap.height);
    } catch (const InvalidGraphic&) {
    }
  }
}

// --- Hand-made files for the limits the suite does not reach. -------------

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8 & 0xFF;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A BITMAPINFOHEADER file; `extra` (masks, palette) follows the header and
// `pixels` follows that.
Bytes MakeBmp(std::int32_t width, std::int32_t height, unsigned bits, unsigned compression,
              const Bytes& extra, const Bytes& pixels, std::uint32_t colours = 0) {
  Bytes b(54);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<std::uint32_t>(54 + extra.size()));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bits);
  Put32(b, 30, compression);
  Put32(b, 46, colours);
  b.resize(54 + extra.size() + pixels.size());
  std::copy(extra.begin(), extra.end(), b.begin() + 54);
  std::copy(pixels.begin(), pixels.end(), b.begin() + 54 + static_cast<std::ptrdiff_t>(extra.size()));
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

// Palette: red, green, blue.
const Bytes kPalette3 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

Bytes Rle8(std::int32_t width, std::int32_t height, const Bytes& stream) {
  return MakeBmp(width, height, 8, 1, kPalette3, stream, 3);
}

// No skinned window is larger than 658 x 334: up to 4096 on a side and
// 1 Mi pixels are shown, anything larger is refused whatever the file holds.
TEST(BmpLimits, PicturesBeyondWhatASkinCanNeedAreRefused) {
  const Bytes two_colours(8);
  const auto one_bit = [&](std::int32_t width, std::int32_t height) {
    const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    return MakeBmp(width, height, 1, 0, two_colours, Bytes(stride * rows));
  };
  EXPECT_EQ(DecodeBmp(one_bit(4096, 256)).pixels.size(), std::size_t{1} << 20);
  EXPECT_EQ(DecodeBmp(one_bit(1024, -1024)).pixels.size(), std::size_t{1} << 20);
  EXPECT_THROW(DecodeBmp(one_bit(1025, 1024)), InvalidGraphic);
  EXPECT_THROW(DecodeBmp(one_bit(4097, 1)), InvalidGraphic);
  EXPECT_THROW(DecodeBmp(one_bit(1, -4097)), InvalidGraphic);
  // RLE needs few bytes for many pixels: the cap holds there too.
  Bytes stream;
  for (int row = 0; row < 1025; ++row) {
    for (int run = 0; run < 4; ++run) stream.insert(stream.end(), {255, 0});
    stream.insert(stream.end(), {4, 0, 0, 0});
  }
  EXPECT_THROW(DecodeBmp(Rle8(1024, 1025, stream)), InvalidGraphic);
}

TEST(BmpLimits, SizesThatCannotBeInTheFileAreRefusedBeforeAllocating) {
  // 32-bit pixels of 2^31-1 squared: the product overflows 32 and 64-bit row sizes.
  EXPECT_THROW(DecodeBmp(MakeBmp(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, {}, Bytes(16))), InvalidGraphic);
  EXPECT_THROW(DecodeBmp(MakeBmp(4, INT32_MIN, 24, 0, {}, Bytes(16))), InvalidGraphic);
  EXPECT_THROW(DecodeBmp(MakeBmp(0, 4, 24, 0, {}, Bytes(64))), InvalidGraphic);
  EXPECT_THROW(DecodeBmp(MakeBmp(4, 0, 24, 0, {}, Bytes(64))), InvalidGraphic);
  // Uncompressed: one byte short of the last pixel.
  EXPECT_THROW(DecodeBmp(MakeBmp(3, 2, 24, 0, {}, Bytes(12 + 8))), InvalidGraphic);
  // ...but a last row without its padding is complete.
  const Bitmap unpadded = DecodeBmp(MakeBmp(3, 2, 24, 0, {}, Bytes(12 + 9, 0x10)));
  EXPECT_EQ(unpadded.at(2, 0), 0xFF101010u);
  // RLE: an end-of-bitmap code alone cannot justify a million pixels.
  EXPECT_THROW(DecodeBmp(Rle8(1000, 1000, {0, 1})), InvalidGraphic);
  // A header cut inside the masks.
  Bytes cut = MakeBmp(1, 1, 16, 3, {0, 0xF8, 0, 0}, {});
  cut.resize(60);
  EXPECT_THROW(DecodeBmp(cut), InvalidGraphic);
}

// The OS/2 core header has no colour count: the palette ends where the
// pixels begin, and an index past it is as wrong as in any other palette.
TEST(BmpLimits, CorePaletteEndsWhereThePixelsBegin) {
  auto core = [](std::uint8_t index) {
    Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0,  // pixels at 26 + 2 * 3
               12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 8, 0,            // 1 x 1, 8 bits
               0, 0, 255, 0, 255, 0,                            // red, green
               index, 0, 0, 0};
    return b;
  };
  EXPECT_EQ(DecodeBmp(core(1)).at(0, 0), kGreen);
  EXPECT_THROW(DecodeBmp(core(2)), InvalidGraphic);
}

TEST(BmpLimits, RleStreamsStayInsideTheirRowAndImage) {
  // 4x2: bottom row red, red, green, green; top row an absolute blue, green,
  // blue, and its last pixel left undefined.
  const Bitmap ok = DecodeBmp(Rle8(4, 2, {2, 0, 2, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1}));
  EXPECT_EQ(ok.at(0, 1), kRed);
  EXPECT_EQ(ok.at(3, 1), kGreen);
  EXPECT_EQ(ok.at(0, 0), kBlue);
  EXPECT_EQ(ok.at(2, 0), kBlue);
  EXPECT_EQ(ok.at(3, 0), 0u) << "left undefined: transparent";

  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {5, 0, 0, 1})), InvalidGraphic) << "run past the row";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {0, 5, 0, 0, 0, 0, 0, 0, 0, 1})), InvalidGraphic)
      << "absolute run past the row";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {0, 2, 1, 3, 0, 1})), InvalidGraphic) << "delta above";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {0, 2, 5, 0, 0, 1})), InvalidGraphic) << "delta right";
  EXPECT_THROW(DecodeBmp(Rle8(4, 1, {4, 0, 0, 0, 1, 0, 0, 1})), InvalidGraphic)
      << "run past the image";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {4, 0, 0, 0, 2, 1})), InvalidGraphic)
      << "stream ends before the image does";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {0, 4, 0, 1})), InvalidGraphic) << "absolute run cut";
  EXPECT_THROW(DecodeBmp(Rle8(4, 2, {2, 7, 0, 1})), InvalidGraphic) << "index beyond palette";
  EXPECT_NO_THROW(DecodeBmp(Rle8(4, 2, {4, 0, 0, 0, 4, 1})))
      << "no end-of-bitmap code, but every pixel is there";

  // RLE4: runs alternate the two nibbles; an odd run uses only the high one.
  const Bitmap four =
      DecodeBmp(MakeBmp(4, 1, 4, 2, kPalette3, {3, 0x12, 1, 0x0F, 0, 1}, 3));
  EXPECT_EQ(four.at(0, 0), kGreen);
  EXPECT_EQ(four.at(1, 0), kBlue);
  EXPECT_EQ(four.at(2, 0), kGreen);
  EXPECT_EQ(four.at(3, 0), kRed);
  EXPECT_THROW(DecodeBmp(MakeBmp(4, 1, 4, 2, kPalette3, {2, 0x13, 0, 1}, 3)), InvalidGraphic);
}

TEST(BmpLimits, MasksMustBeUsable) {
  const Bytes pixel = {0x1F, 0x00, 0, 0};
  auto masks = [](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    Bytes m(12);
    Put32(m, 0, r);
    Put32(m, 4, g);
    Put32(m, 8, b);
    return m;
  };
  EXPECT_EQ(DecodeBmp(MakeBmp(1, 1, 16, 3, masks(0xF800, 0x07E0, 0x001F), pixel)).at(0, 0),
            kBlue);
  EXPECT_THROW(DecodeBmp(MakeBmp(1, 1, 16, 3, masks(0xF800, 0x07E0, 0x0015), pixel)),
               InvalidGraphic)
      << "gaps in a mask";
  EXPECT_THROW(DecodeBmp(MakeBmp(1, 1, 16, 3, masks(0xF800, 0x0FE0, 0x001F), pixel)),
               InvalidGraphic)
      << "overlapping masks";
  EXPECT_THROW(DecodeBmp(MakeBmp(1, 1, 16, 3, masks(0x1F0000, 0x07E0, 0x001F), pixel)),
               InvalidGraphic)
      << "mask beyond the pixel";
  EXPECT_THROW(DecodeBmp(MakeBmp(1, 1, 24, 3, masks(0xFF0000, 0xFF00, 0xFF), Bytes(4))),
               InvalidGraphic)
      << "masks only for 16 and 32 bits";

  // An alpha mask whose every value is zero means no alpha: opaque.
  Bytes four = masks(0xFF0000, 0xFF00, 0xFF);
  four.insert(four.end(), {0, 0, 0, 0xFF});
  EXPECT_EQ(DecodeBmp(MakeBmp(1, 1, 32, 6, four, {1, 2, 3, 0})).at(0, 0), 0xFF030201u);
  EXPECT_EQ(DecodeBmp(MakeBmp(1, 1, 32, 6, four, {1, 2, 3, 0x80})).at(0, 0), 0x80030201u);
}

// --- Loading through the Files port. ---------------------------------------

class OneFileReader : public FileReader {
 public:
  // The content stays with the files, as a real file does: no copy per open.
  OneFileReader(const Bytes& content, std::optional<std::uint64_t> size, bool fail)
      : content_(content), size_(size), fail_(fail) {}
  std::optional<std::uint64_t> size() override { return size_; }
  // Short reads, as a real handle may give them.
  std::int64_t read(void* buffer, std::size_t count) override {
    if (fail_ && at_ > 0) return -1;
    const std::size_t n = std::min({count, content_.size() - at_, std::size_t{7}});
    std::copy_n(content_.begin() + static_cast<std::ptrdiff_t>(at_), n,
                static_cast<std::uint8_t*>(buffer));
    at_ += n;
    return static_cast<std::int64_t>(n);
  }
  std::optional<DosDateTime> last_write_time() override { return std::nullopt; }

 private:
  const Bytes& content_;
  std::optional<std::uint64_t> size_;
  bool fail_;
  std::size_t at_ = 0;
};

// Only what LoadBitmapFile uses answers; the rest of the port is inert.
class OneFolderFiles : public Files {
 public:
  struct Entry {
    Bytes content;
    std::optional<std::uint64_t> size;
    bool read_fails = false;
  };
  std::map<std::string, Entry> files;

  std::unique_ptr<FileReader> open_read(const std::string&) override { return nullptr; }
  std::unique_ptr<FileReader> open_read_shared(const std::string& path) override {
    const auto it = files.find(path);
    if (it == files.end()) return nullptr;
    const Entry& e = it->second;
    return std::make_unique<OneFileReader>(e.content, e.size.value_or(e.content.size()),
                                           e.read_fails);
  }
  bool exists(const std::string& path) override { return files.count(path) != 0; }
  std::unique_ptr<FileWriter> create_unprotected(const std::string&) override { return nullptr; }
  bool remove(const std::string&) override { return false; }
  std::optional<std::uint32_t> attributes(const std::string&) override { return std::nullopt; }
  bool set_attributes(const std::string&, std::uint32_t) override { return false; }
  std::string current_directory() override { return "C:\\"; }
  unsigned long set_current_directory(const std::string&) override { return 2; }
  std::string program_path() override { return "C:\\KtrSetup.exe"; }
};

const std::string kSkin = "D:\\imgdata\\ENGLISH\\";

TEST(LoadBitmapFile, ReadsThroughTheFilesPort) {
  OneFolderFiles files;
  const Bytes good = ReadAll(kSuite / "g" / "rgb24.bmp");
  files.files[kSkin + "Button1.bmp"] = {good, std::nullopt};
  const Bitmap loaded = LoadBitmapFile(files, kSkin + "Button1.bmp");
  EXPECT_EQ(loaded.pixels, DecodeBmp(good).pixels);
}

TEST(LoadBitmapFile, MissingOrUnreadableFileIsAnOpenError) {
  OneFolderFiles files;
  try {
    LoadBitmapFile(files, kSkin + "Button9.bmp");
    ADD_FAILURE() << "no error";
  } catch (const FileOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file D:\\imgdata\\ENGLISH\\Button9.bmp");
  }
  files.files[kSkin + "Bad.bmp"] = {ReadAll(kSuite / "g" / "rgb24.bmp"), std::nullopt, true};
  EXPECT_THROW(LoadBitmapFile(files, kSkin + "Bad.bmp"), FileOpenError);
}

TEST(LoadBitmapFile, ContentThatIsNoPictureIsInvalidGraphic) {
  OneFolderFiles files;
  files.files[kSkin + "Garbage.bmp"] = {Bytes{'M', 'Z', 0x90, 0, 3, 0, 0, 0}, std::nullopt};
  files.files[kSkin + "Empty.bmp"] = {Bytes{}, std::nullopt};
  // Announced as larger than any picture we accept: refused before reading.
  files.files[kSkin + "Huge.bmp"] = {ReadAll(kSuite / "g" / "rgb24.bmp"),
                                     std::uint64_t{1} << 32};
  for (const char* name : {"Garbage.bmp", "Empty.bmp", "Huge.bmp"}) {
    EXPECT_THROW(LoadBitmapFile(files, kSkin + name), InvalidGraphic) << name;
  }
}

// Reading the file and decoding it each allocate; either failing is a
// picture the launcher cannot show, not an error of its own.
TEST(LoadBitmapFile, AnAllocationThatFailsIsInvalidGraphic) {
  OneFolderFiles files;
  const Bytes file = MakeBmp(200, 200, 24, 0, {}, Bytes(600 * 200));
  files.files[kSkin + "BackgroundEmpty.bmp"] = {file, std::nullopt};
  const std::size_t decoded = std::size_t{4} * 200 * 200;
  ASSERT_LT(file.size(), decoded);
  for (const std::size_t limit : {file.size() - 1, decoded - 1}) {
    g_allocation_limit = limit;
    bool invalid = false;
    try {
      LoadBitmapFile(files, kSkin + "BackgroundEmpty.bmp");
    } catch (const InvalidGraphic&) {
      invalid = true;
    }
    g_allocation_limit = SIZE_MAX;
    EXPECT_TRUE(invalid) << "allocations up to " << limit << " bytes";
  }
  EXPECT_EQ(LoadBitmapFile(files, kSkin + "BackgroundEmpty.bmp").pixels.size(), 200u * 200u);
}

// A highlight change reloads its pictures: the file is read each time, and
// the decode is shared only while the bytes stay the same, however far into
// the file (and past the pieces it is compared in) a change lies.
TEST(PictureFiles, SharesADecodeWhileTheFileStaysTheSame) {
  OneFolderFiles files;
  PictureFiles pictures;
  const std::string path = kSkin + "ContentManual.bmp";
  Bytes content = MakeBmp(200, 200, 24, 0, {}, Bytes(600 * 200, 0x40));
  files.files[path] = {content, std::nullopt};
  const Picture first = pictures.load(files, path);
  EXPECT_EQ(pictures.load(files, path), first);
  EXPECT_EQ(pictures.decoded(), 1u);

  Bytes changed_late = content;
  changed_late[changed_late.size() - 2] = 0x7F;  // in the top row, the last piece read
  Bytes longer = content;
  longer.resize(longer.size() + 10, 0);
  // Two blocks of the same lane exchanged, as rows of a flipped picture are.
  Bytes one_way = content;
  one_way[1000] = 0x01;
  one_way[1064] = 0x02;
  Bytes other_way = content;
  other_way[1000] = 0x02;
  other_way[1064] = 0x01;
  // Each change found through the fingerprint, then with the kept file.
  for (const int rereads : {1, 3}) {
    for (const Bytes* variant : {&changed_late, &longer, &one_way, &other_way, &content}) {
      files.files[path].content = *variant;
      const Picture loaded = pictures.load(files, path);
      EXPECT_EQ(loaded->pixels, DecodeBmp(*variant).pixels);
      for (int i = 0; i < rereads; ++i) EXPECT_EQ(pictures.load(files, path), loaded);
    }
  }
  EXPECT_EQ(pictures.decoded(), 11u);
  // Cut short: the same as far as it goes, and no picture.
  files.files[path].content.resize(content.size() - 600);
  EXPECT_THROW(pictures.load(files, path), InvalidGraphic);

  files.files[path].read_fails = true;
  EXPECT_THROW(pictures.load(files, path), FileOpenError);
  files.files.erase(path);
  EXPECT_THROW(pictures.load(files, path), FileOpenError);
  files.files[path] = {Bytes{'M', 'Z'}, std::nullopt};
  EXPECT_THROW(pictures.load(files, path), InvalidGraphic);
}

// A 32-bit build takes the fingerprint's products from 32-bit parts; they
// must be the full products, carries included.
TEST(PictureFiles, ProductsByPartsAreTheFullProducts) {
#if defined(__SIZEOF_INT128__)
  const std::uint64_t max = ~std::uint64_t{0};
  const std::pair<std::uint64_t, std::uint64_t> cases[] = {
      {0, max}, {1, max}, {max, max}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {0x100000000u, 0xFFFFFFFFu},
      {0xA0761D6478BD642Fu, 0xE7037ED1A0B428DBu}, {0x8000000080000000u, 0x80000001FFFFFFFFu}};
  for (const auto& [a, b] : cases) {
    const unsigned __int128 full = static_cast<unsigned __int128>(a) * b;
    EXPECT_EQ(ktr::ui::MultiplyFoldedByParts(a, b),
              static_cast<std::uint64_t>(full) ^ static_cast<std::uint64_t>(full >> 64))
        << std::hex << a << " * " << b;
  }
#else
  GTEST_SKIP() << "no 128-bit integers to check against";
#endif
}

// Larger files are read and decoded a piece at a time: rows that run over
// a piece's end, pixels that start beyond the first piece, every row format
// and an RLE stream all come out as a decode of the whole file, and a file
// that ends before its last row is still no picture.
TEST(PictureFiles, PiecesDecodeAsTheWholeFile) {
  std::uint32_t seed = 7;
  const auto noise = [&](std::size_t n, std::uint8_t keep = 0xFF) {
    Bytes b(n);
    for (std::uint8_t& v : b) v = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16) & keep;
    return b;
  };
  const auto masks = [](std::initializer_list<std::uint32_t> m) {
    Bytes b(4 * m.size());
    std::size_t at = 0;
    for (std::uint32_t v : m) Put32(b, (at++) * 4, v);
    return b;
  };
  Bytes palette = noise(1024);
  Bytes zero_alpha = noise(4 * 150 * 120);
  for (std::size_t i = 3; i < zero_alpha.size(); i += 4) zero_alpha[i] = 0;
  Bytes rle;
  for (int row = 0; row < 300; ++row) {
    const Bytes run = noise(254, 0x03);
    rle.insert(rle.end(), {0, 254});
    rle.insert(rle.end(), run.begin(), run.end());
    rle.insert(rle.end(), {0, 0});
  }
  rle.insert(rle.end(), {0, 1});
  Bytes far = MakeBmp(331, 40, 24, 0, noise(70000), noise(996 * 40));
  Bytes alpha = MakeBmp(150, 120, 32, 3, masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}), zero_alpha);
  Put32(alpha, 14, 56);  // the header that holds the alpha mask
  const std::map<std::string, Bytes> cases = {
      {"24 bottom-up", MakeBmp(331, 100, 24, 0, {}, noise(996 * 100))},
      {"24 top-down", MakeBmp(331, -100, 24, 0, {}, noise(996 * 100))},
      {"24 pixels past the first piece", far},
      {"8 palette", MakeBmp(333, 300, 8, 0, palette, noise(336 * 300))},
      {"4 palette", MakeBmp(1001, 200, 4, 0, palette, noise(504 * 200, 0xFF), 16)},
      {"16 5-6-5", MakeBmp(301, 150, 16, 3, masks({0xF800, 0x07E0, 0x001F}), noise(604 * 150))},
      {"32 unused alpha", alpha},
      {"32 plain", MakeBmp(150, 120, 32, 0, {}, noise(4 * 150 * 120))},
      {"RLE8", MakeBmp(254, 300, 8, 1, palette, rle, 4)},
  };
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    ASSERT_GT(file.size(), 65536u);
    OneFolderFiles files;
    PictureFiles pictures;
    files.files[kSkin + "Big.bmp"] = {file, std::nullopt};
    const Bitmap whole = DecodeBmp(file);
    const Picture read = pictures.load(files, kSkin + "Big.bmp");
    EXPECT_EQ(read->width, whole.width);
    EXPECT_EQ(read->pixels, whole.pixels);
    EXPECT_EQ(pictures.load(files, kSkin + "Big.bmp"), read);
    files.files[kSkin + "Big.bmp"].content.resize(file.size() - 100);
    EXPECT_THROW(pictures.load(files, kSkin + "Big.bmp"), InvalidGraphic);
  }
}

}  // namespace
}  // namespace ktr::ui
