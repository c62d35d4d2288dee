// libFuzzer entry for the BMP decoder: any input must either decode to a
// picture whose pixel count matches its size or be refused with InvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/errors.h"
#include "ui/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const ktr::ui::Bitmap bitmap = ktr::ui::DecodeBmp(std::span<const std::uint8_t>(data, size));
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) {
      std::abort();
    }
  } catch (const ktr::InvalidGraphic&) {
  }
  return 0;
}
