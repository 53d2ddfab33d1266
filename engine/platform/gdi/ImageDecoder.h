#pragma once
#include "engine/gfx/Image.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Engine {

// Decodes PNG, GIF (its first frame), BMP and ICO (its largest picture), and whatever else WIC
// reads, into premultiplied BGRA with a drawable copy: a top-down 32-bit DIB section held in
// Image::Native. Ordinary PNG files are read by the engine's own PngDecoder, which spares loading
// WIC at start-up; WIC reads the rest. Anything that fails, or is larger than kMaxSide or
// kMaxPixels, yields an image with no size that draws nothing.
class ImageDecoder {
public:
    static constexpr int kMaxSide = 16384;
    static constexpr long long kMaxPixels = 1LL << 25;

    [[nodiscard]] static ImagePtr Decode(const void* bytes, std::size_t length);
    // WIC alone, without PngDecoder: the reference that the tests hold PngDecoder to.
    [[nodiscard]] static ImagePtr DecodeWithWic(const void* bytes, std::size_t length);
    // An image of the given premultiplied BGRA pixels, top-down, with its drawable copy.
    [[nodiscard]] static ImagePtr FromPixels(int width, int height, std::vector<std::uint32_t> pixels);
    // A top-down 32-bit DIB section and its pixels; the caller deletes it.
    [[nodiscard]] static HBITMAP NewBitmap(int width, int height, std::uint32_t*& bits);
    // The drawable copy, or null when the image has none.
    [[nodiscard]] static HBITMAP Bitmap(const Image& image);
};

} // namespace Engine
