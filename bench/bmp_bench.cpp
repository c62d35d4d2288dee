// The BMP decoder against stb_image on the launcher's two common picture
// shapes: the 658 x 334 window background and a 172 x 24 menu entry, both
// 24-bit bottom-up, as skin pictures are saved.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <vector>

#include "ui/bitmap.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace {

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 24-bit BI_RGB file with a pattern that varies in every channel.
std::vector<std::uint8_t> MakeBmp24(int width, int height) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> file(54 + stride * height);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<std::uint32_t>(file.size()));
  Put32(file, 10, 54);
  Put32(file, 14, 40);
  Put32(file, 18, static_cast<std::uint32_t>(width));
  Put32(file, 22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = 24;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = file.data() + 54 + stride * y;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 7 + y);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 3);
      row[3 * x + 2] = static_cast<std::uint8_t>(x ^ y);
    }
  }
  return file;
}

void Ours(benchmark::State& state) {
  const auto file = MakeBmp24(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    ktr::ui::Bitmap bitmap = ktr::ui::DecodeBmp(file);
    benchmark::DoNotOptimize(bitmap.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

// `channels` 4 gives stb the same output size as ours; 0 lets it keep its
// native 3 bytes a pixel, its fastest form.
void Stb(benchmark::State& state, int channels) {
  const auto file = MakeBmp24(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    stbi_uc* pixels =
        stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, channels);
    if (pixels == nullptr) state.SkipWithError("stb_image refused the file");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void StbRgba(benchmark::State& state) { Stb(state, 4); }
void StbNative(benchmark::State& state) { Stb(state, 0); }

}  // namespace

BENCHMARK(Ours)->ArgNames({"w", "h"})->Args({658, 334})->Args({172, 24});
BENCHMARK(StbRgba)->ArgNames({"w", "h"})->Args({658, 334})->Args({172, 24});
BENCHMARK(StbNative)->ArgNames({"w", "h"})->Args({658, 334})->Args({172, 24});
