#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Engine {

// A zlib stream (RFC 1950) of deflate blocks (RFC 1951) inflated into exactly the expected number
// of bytes: a stream that would give more or fewer, that goes on after its Adler-32, or whose
// Adler-32 is wrong, gives nothing. The output grows as the data delivers, so a short stream that
// claims a huge output costs no more memory than it inflates to.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> InflateExactly(const std::uint8_t* data, std::size_t size,
                                                                      std::size_t expected);

} // namespace Engine
