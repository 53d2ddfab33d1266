#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Engine {

// The engine's own reader of ordinary PNG files, so that common pictures need no system codec:
// any colour type and depth, with palette and tRNS, not interlaced. Its pixels are those WIC gives
// for the same file in 32bppPBGRA, to the bit: 16-bit samples keep their high byte, premultiplying
// rounds to the nearest, gamma and colour profiles change nothing. Anything else (interlaced,
// damaged, beyond the limits, not a PNG at all) gets no picture, and the caller hands the bytes to
// a decoder that reads more.
class PngDecoder {
public:
    struct Limits {
        int MaxSide = 0;
        long long MaxPixels = 0;
    };
    struct Picture {
        int Width = 0;
        int Height = 0;
        std::vector<std::uint32_t> Pixels; // premultiplied BGRA, top-down
    };

    [[nodiscard]] static std::optional<Picture> Decode(const void* bytes, std::size_t length, Limits limits);
};

} // namespace Engine
