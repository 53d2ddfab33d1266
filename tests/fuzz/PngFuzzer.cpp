// A PNG file through the engine's own reader, two ways. Bytes that begin as a PNG file are read as
// they stand, and again with each chunk's CRC made right, so that changes inside the chunks reach
// the chunk reader and the inflater instead of stopping at the CRC. Other bytes describe a picture
// (colour type, depth, size, palette, tRNS, then its filtered rows), which is wrapped into a
// valid file with stored deflate blocks, so that the filters and the sample conversions see rows
// of any kind. Whatever the input, the reader answers without a fault, and a picture it gives has
// as many pixels as its size says, within the limits, and none with a colour above its alpha.
#include "FuzzCheck.h"
#include "engine/gfx/PngDecoder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// ImageDecoder's, which the native build cannot include.
constexpr Engine::PngDecoder::Limits kLimits{16384, 1LL << 25};
constexpr std::size_t kMaxInputBytes = 64 * 1024;
constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Crc(const std::uint8_t* bytes, std::size_t length)
{
    std::uint32_t crc = ~0u;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBigEndian(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void AddChunk(Bytes& file, const char (&type)[5], const Bytes& data)
{
    const std::size_t start = file.size();
    file.resize(start + 12 + data.size());
    PutBigEndian(&file[start], static_cast<std::uint32_t>(data.size()));
    std::copy(type, type + 4, file.begin() + static_cast<std::ptrdiff_t>(start) + 4);
    std::copy(data.begin(), data.end(), file.begin() + static_cast<std::ptrdiff_t>(start) + 8);
    PutBigEndian(&file[start + 8 + data.size()], Crc(&file[start + 4], data.size() + 4));
}

Bytes WithRightCrcs(const std::uint8_t* data, std::size_t size)
{
    Bytes file(data, data + size);
    for (std::size_t at = sizeof(kSignature); at <= file.size() && file.size() - at >= 12;) {
        const std::uint32_t length =
            static_cast<std::uint32_t>(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (length > file.size() - at - 12)
            break;
        PutBigEndian(&file[at + 8 + length], Crc(&file[at + 4], length + 4));
        at += 12 + length;
    }
    return file;
}

// The rows as stored deflate blocks in zlib's wrapping, with their Adler-32.
Bytes Stored(const Bytes& rows)
{
    Bytes stream = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t take = std::min<std::size_t>(rows.size() - at, 0xFFFF);
        const bool last = at + take == rows.size();
        stream.insert(stream.end(), {static_cast<std::uint8_t>(last), static_cast<std::uint8_t>(take),
                                     static_cast<std::uint8_t>(take >> 8), static_cast<std::uint8_t>(~take),
                                     static_cast<std::uint8_t>(~take >> 8)});
        stream.insert(stream.end(), rows.begin() + static_cast<std::ptrdiff_t>(at),
                      rows.begin() + static_cast<std::ptrdiff_t>(at + take));
        at += take;
    } while (at < rows.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    stream.resize(stream.size() + 4);
    PutBigEndian(&stream[stream.size() - 4], b << 16 | a);
    return stream;
}

struct Kind {
    std::uint8_t Color;
    int Channels;
    std::array<std::uint8_t, 5> Depths;
    std::size_t DepthCount;
};

constexpr Kind kKinds[] = {
    {0, 1, {1, 2, 4, 8, 16}, 5}, {2, 3, {8, 16}, 2}, {3, 1, {1, 2, 4, 8}, 4}, {4, 2, {8, 16}, 2}, {6, 4, {8, 16}, 2},
};

Bytes Described(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const Kind& kind = kKinds[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kKinds) - 1)];
    const int depth = kind.Depths[input.ConsumeIntegralInRange<std::size_t>(0, kind.DepthCount - 1)];
    const auto width = input.ConsumeIntegralInRange<std::uint32_t>(1, 300);
    const auto height = input.ConsumeIntegralInRange<std::uint32_t>(1, 64);
    const Bytes palette = input.ConsumeBytes<std::uint8_t>(3 * input.ConsumeIntegralInRange<std::size_t>(0, 256));
    const Bytes transparency = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 256));
    Bytes rows = input.ConsumeRemainingBytes<std::uint8_t>();
    rows.resize(height * ((width * static_cast<std::uint32_t>(kind.Channels * depth) + 7) / 8 + 1));

    Bytes file(std::begin(kSignature), std::end(kSignature));
    Bytes header(13);
    PutBigEndian(&header[0], width);
    PutBigEndian(&header[4], height);
    header[8] = static_cast<std::uint8_t>(depth);
    header[9] = kind.Color;
    AddChunk(file, "IHDR", header);
    if (!palette.empty())
        AddChunk(file, "PLTE", palette);
    if (!transparency.empty())
        AddChunk(file, "tRNS", transparency);
    AddChunk(file, "IDAT", Stored(rows));
    AddChunk(file, "IEND", {});
    return file;
}

void Decode(const std::uint8_t* bytes, std::size_t size)
{
    const auto picture = Engine::PngDecoder::Decode(bytes, size, kLimits);
    if (!picture)
        return;
    FuzzCheck(picture->Width > 0 && picture->Height > 0 && picture->Width <= kLimits.MaxSide
                  && picture->Height <= kLimits.MaxSide
                  && static_cast<long long>(picture->Width) * picture->Height <= kLimits.MaxPixels,
              "a picture keeps to the limits");
    const std::size_t count = static_cast<std::size_t>(picture->Width) * static_cast<std::size_t>(picture->Height);
    FuzzCheck(picture->Pixels.size() == count, "a picture has as many pixels as its size says");
    for (const std::uint32_t pixel : picture->Pixels) {
        const std::uint32_t alpha = pixel >> 24;
        FuzzCheck((pixel >> 16 & 0xFF) <= alpha && (pixel >> 8 & 0xFF) <= alpha && (pixel & 0xFF) <= alpha,
                  "pixels are premultiplied: no colour above its alpha");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInputBytes)
        return -1;
    if (size > 0 && data[0] == kSignature[0]) {
        Decode(data, size);
        const Bytes repaired = WithRightCrcs(data, size);
        Decode(repaired.data(), repaired.size());
    } else {
        const Bytes described = Described(data, size);
        Decode(described.data(), described.size());
    }
    return 0;
}
