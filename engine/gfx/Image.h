#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

// A decoded picture: 32-bit premultiplied BGRA rows, top-down. An image that failed to decode
// has no size and draws nothing. The platform may keep a drawable copy of its own in Native.
struct Image {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::shared_ptr<void> Native;
    [[nodiscard]] bool Valid() const { return Width > 0 && Height > 0; }
};

using ImagePtr = std::shared_ptr<const Image>;

} // namespace Engine
