// Draws the launcher's icon, "MAINICON", and writes it as an .ico file: an
// installation disc with a green shield and a check mark. Built and run on
// the build machine, so the program carries a picture without a binary file
// in the sources. Usage: icon_art <output.ico>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Colour {
  double r = 0, g = 0, b = 0, a = 0;  // premultiplied by a
};

Colour Solid(int rgb, double alpha = 1.0) {
  return {((rgb >> 16) & 0xFF) / 255.0 * alpha, ((rgb >> 8) & 0xFF) / 255.0 * alpha,
          (rgb & 0xFF) / 255.0 * alpha, alpha};
}

Colour Mix(Colour a, Colour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

// Paints `top` over `bottom` (both premultiplied).
Colour Over(Colour top, Colour bottom) {
  double k = 1.0 - top.a;
  return {top.r + bottom.r * k, top.g + bottom.g * k, top.b + bottom.b * k, top.a + bottom.a * k};
}

double Distance(double x0, double y0, double x1, double y1) { return std::hypot(x1 - x0, y1 - y0); }

// Distance from a point to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return Distance(px, py, ax + t * dx, ay + t * dy);
}

// The shield in its own frame: u across (-1..1), v down (0..1); straight
// sides that curve into a point at the bottom. `grow` widens it for the rim.
bool InShield(double x, double y, double grow) {
  const double cx = 0.70, top = 0.40, half_width = 0.25, height = 0.56;
  double u = (x - cx) / (half_width + grow);
  double v = (y - (top - grow)) / (height + 2 * grow);
  if (v < 0 || v > 1) return false;
  double w = v < 0.4 ? 1.0 : 1.0 - std::pow((v - 0.4) / 0.6, 2.0);
  return std::abs(u) <= w;
}

Colour Sample(double x, double y) {
  Colour pixel;
  // The disc: silver with a blue sheen, a darker rim and a hole.
  const double cx = 0.44, cy = 0.44;
  double d = Distance(x, y, cx, cy);
  if (d <= 0.42 && d >= 0.075) {
    Colour disc = Mix(Solid(0xE8F0F8), Solid(0x7F9CC4), (d - 0.075) / 0.35);
    double sheen = std::sin(std::atan2(y - cy, x - cx) * 2.0);
    disc = Mix(disc, Solid(0xFFFFFF), 0.25 * std::max(sheen, 0.0));
    if (d >= 0.385) disc = Solid(0x4A6890);
    if (d <= 0.13) disc = Solid(0xC8D2DC);
    pixel = Over(disc, pixel);
  }
  // The shield: a white rim so that it stands out from the disc.
  if (InShield(x, y, 0.045)) pixel = Over(Solid(0xFFFFFF), pixel);
  if (InShield(x, y, 0.0)) {
    pixel = Over(Mix(Solid(0x3DAA4F), Solid(0x1E6B2C), (y - 0.40) / 0.56), pixel);
    // The check mark.
    double check = std::min(SegmentDistance(x, y, 0.585, 0.66, 0.675, 0.76),
                            SegmentDistance(x, y, 0.675, 0.76, 0.83, 0.55));
    if (check <= 0.04) pixel = Over(Solid(0xFFFFFF), pixel);
  }
  return pixel;
}

// 0xAARRGGBB, top row first, each pixel averaged over 8 x 8 samples.
std::vector<std::uint32_t> Draw(int size) {
  constexpr int kSamples = 8;
  std::vector<std::uint32_t> pixels;
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      Colour sum;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Colour c =
              Sample((px + (sx + 0.5) / kSamples) / size, (py + (sy + 0.5) / kSamples) / size);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
        }
      }
      const double n = kSamples * kSamples;
      double a = sum.a / n;
      auto channel = [a](double premultiplied) {
        return static_cast<std::uint32_t>(
            std::lround(a > 0 ? std::clamp(premultiplied / a, 0.0, 1.0) * 255 : 0));
      };
      std::uint32_t alpha = static_cast<std::uint32_t>(std::lround(a * 255));
      pixels.push_back(alpha << 24 | channel(sum.r / n) << 16 | channel(sum.g / n) << 8 |
                       channel(sum.b / n));
    }
  }
  return pixels;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One icon image: a BITMAPINFOHEADER of twice the height, the 32-bit pixels
// bottom-up, then the 1-bit AND mask (set where fully transparent) for
// systems that ignore the alpha channel.
std::vector<std::uint8_t> IconImage(int size) {
  std::vector<std::uint32_t> pixels = Draw(size);
  const int mask_stride = ((size + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(size));
  Put32(out, static_cast<std::uint32_t>(size * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(size * size * 4 + mask_stride * size));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) Put32(out, pixels[static_cast<std::size_t>(y * size + x)]);
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(mask_stride), 0);
    for (int x = 0; x < size; ++x) {
      if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) == 0) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icon_art <output.ico>\n");
    return 2;
  }
  const int sizes[] = {16, 24, 32, 48};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) images.push_back(IconImage(size));

  std::vector<std::uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);  // an icon
  Put16(file, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(0);  // no palette
    file.push_back(0);
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<std::uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  written = std::fclose(out) == 0 && written;
  if (!written) {
    std::perror(argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
