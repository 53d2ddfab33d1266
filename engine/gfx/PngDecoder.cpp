#include "engine/gfx/PngDecoder.h"

#include "engine/gfx/Inflater.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

namespace Engine {

namespace {

// Follows the PNG format (W3C PNG, second edition) for chunks, filters and samples (the zlib
// stream is the inflater's). It differs from it only in refusing more: whatever a reader may
// put up with (a bad CRC or Adler-32, data past the picture's end, a palette index out of range)
// goes to WIC, so that this reader never gives a picture WIC would not.

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

constexpr std::uint32_t ChunkType(const char (&name)[5])
{
    return static_cast<std::uint32_t>(name[0]) << 24 | static_cast<std::uint32_t>(name[1]) << 16
        | static_cast<std::uint32_t>(name[2]) << 8 | static_cast<std::uint32_t>(name[3]);
}

constexpr std::uint32_t kHeaderChunk = ChunkType("IHDR");
constexpr std::uint32_t kPaletteChunk = ChunkType("PLTE");
constexpr std::uint32_t kTransparencyChunk = ChunkType("tRNS");
constexpr std::uint32_t kDataChunk = ChunkType("IDAT");
constexpr std::uint32_t kEndChunk = ChunkType("IEND");

enum class ColorType : std::uint8_t { Gray = 0, Rgb = 2, Indexed = 3, GrayAlpha = 4, Rgba = 6 };

std::uint32_t ReadBigEndian(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16
        | static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

constexpr std::array<std::uint32_t, 256> MakeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t length)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i)
        crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}


struct Header {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    int Depth = 0;
    ColorType Color = ColorType::Gray;
    int Channels = 0;
    std::size_t Stride = 0; // bytes of one row, its filter byte aside
};

// What the chunks before IEND hold that the pixels need.
struct Contents {
    Header Image;
    std::array<std::uint32_t, 256> Palette{}; // premultiplied, with tRNS's alpha
    std::size_t PaletteSize = 0;
    bool HasKey = false; // tRNS of a gray or RGB picture: the one colour that is transparent
    std::array<std::uint32_t, 3> Key{};
    std::vector<std::uint8_t> Compressed;
};

struct Chunk {
    std::uint32_t Type = 0;
    const std::uint8_t* Data = nullptr;
    std::uint32_t Length = 0;
};

// The chunk at position, which then moves past it; false at the end of the bytes or at a chunk
// that does not fit them, has a type that is not four letters, or fails its CRC.
bool NextChunk(const std::uint8_t* bytes, std::size_t size, std::size_t& position, Chunk& chunk)
{
    constexpr std::size_t kFraming = 12;
    constexpr std::uint32_t kMaxLength = 0x7FFFFFFFu;
    if (position > size || size - position < kFraming)
        return false;
    const std::uint8_t* at = bytes + position;
    chunk.Length = ReadBigEndian(at);
    if (chunk.Length > kMaxLength || chunk.Length > size - position - kFraming)
        return false;
    for (int i = 4; i < 8; ++i) {
        const char c = static_cast<char>(at[i] | 0x20);
        if (c < 'a' || c > 'z')
            return false;
    }
    chunk.Type = ReadBigEndian(at + 4);
    chunk.Data = at + 8;
    if (Crc32(at + 4, chunk.Length + 4) != ReadBigEndian(at + 8 + chunk.Length))
        return false;
    position += kFraming + chunk.Length;
    return true;
}

// Each colour type's samples a pixel and the depths it may have (depths are powers of two, so
// a mask of them serves).
struct ColorKind {
    ColorType Color;
    int Channels;
    unsigned Depths;
};

constexpr ColorKind kColorKinds[] = {
    {ColorType::Gray, 1, 1 | 2 | 4 | 8 | 16}, {ColorType::Rgb, 3, 8 | 16},  {ColorType::Indexed, 1, 1 | 2 | 4 | 8},
    {ColorType::GrayAlpha, 2, 8 | 16},         {ColorType::Rgba, 4, 8 | 16},
};

bool ReadHeader(const Chunk& chunk, PngDecoder::Limits limits, Header& header)
{
    constexpr std::uint32_t kHeaderLength = 13;
    if (chunk.Type != kHeaderChunk || chunk.Length != kHeaderLength)
        return false;
    header.Width = ReadBigEndian(chunk.Data);
    header.Height = ReadBigEndian(chunk.Data + 4);
    header.Depth = chunk.Data[8];
    const std::uint8_t compression = chunk.Data[10];
    const std::uint8_t filter = chunk.Data[11];
    const std::uint8_t interlace = chunk.Data[12];
    // Interlaced pictures are left to WIC: they are rare, and not worth a second reader of rows.
    if (compression != 0 || filter != 0 || interlace != 0)
        return false;
    const auto kind = std::find_if(std::begin(kColorKinds), std::end(kColorKinds), [&](const ColorKind& k) {
        return static_cast<std::uint8_t>(k.Color) == chunk.Data[9];
    });
    const auto depth = static_cast<unsigned>(header.Depth);
    if (kind == std::end(kColorKinds) || (depth & (depth - 1)) != 0 || (kind->Depths & depth) == 0)
        return false;
    const auto maxSide = static_cast<std::uint32_t>(std::max(0, limits.MaxSide));
    const auto maxPixels = static_cast<std::uint64_t>(std::max(0LL, limits.MaxPixels));
    if (header.Width == 0 || header.Height == 0 || header.Width > maxSide || header.Height > maxSide
        || static_cast<std::uint64_t>(header.Width) * header.Height > maxPixels)
        return false;
    header.Color = kind->Color;
    header.Channels = kind->Channels;
    const auto bitsPerPixel = static_cast<std::size_t>(header.Channels * header.Depth);
    header.Stride = (static_cast<std::size_t>(header.Width) * bitsPerPixel + 7) / 8;
    return true;
}

std::uint32_t Premultiplied(std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t alpha)
{
    // WIC's rounding to the nearest, (c * a + 127) / 255.
    const auto scale = [alpha](std::uint32_t c) { return (c * alpha + 127) / 255; };
    return alpha << 24 | scale(red) << 16 | scale(green) << 8 | scale(blue);
}

bool ReadPalette(const Chunk& chunk, Contents& contents)
{
    const Header& image = contents.Image;
    if (contents.PaletteSize != 0 || image.Color == ColorType::Gray || image.Color == ColorType::GrayAlpha
        || chunk.Length == 0 || chunk.Length % 3 != 0 || chunk.Length / 3 > 256)
        return false;
    contents.PaletteSize = chunk.Length / 3;
    if (image.Color == ColorType::Indexed && contents.PaletteSize > (std::size_t{1} << image.Depth))
        return false;
    for (std::size_t i = 0; i < contents.PaletteSize; ++i) {
        const std::uint8_t* rgb = chunk.Data + 3 * i;
        contents.Palette[i] = Premultiplied(rgb[0], rgb[1], rgb[2], 255);
    }
    return true;
}

bool ReadTransparency(const Chunk& chunk, Contents& contents)
{
    const Header& image = contents.Image;
    const std::uint32_t sampleLimit = std::uint32_t{1} << image.Depth;
    switch (image.Color) {
    case ColorType::Indexed:
        if (contents.PaletteSize == 0 || chunk.Length > contents.PaletteSize)
            return false;
        for (std::size_t i = 0; i < chunk.Length; ++i) {
            const std::uint32_t color = contents.Palette[i];
            contents.Palette[i] = Premultiplied(color >> 16 & 0xFF, color >> 8 & 0xFF, color & 0xFF, chunk.Data[i]);
        }
        return true;
    case ColorType::Gray:
    case ColorType::Rgb: {
        const std::uint32_t samples = image.Color == ColorType::Gray ? 1 : 3;
        if (chunk.Length != 2 * samples)
            return false;
        for (std::uint32_t i = 0; i < samples; ++i) {
            contents.Key[i] = static_cast<std::uint32_t>(chunk.Data[2 * i]) << 8 | chunk.Data[2 * i + 1];
            if (contents.Key[i] >= sampleLimit)
                return false;
        }
        contents.HasKey = true;
        return true;
    }
    default:
        return false;
    }
}

// The chunks in the order the format sets: IHDR first; PLTE and tRNS (each once, tRNS after
// PLTE) before the image data; IDAT chunks one after another; IEND last. Unknown ancillary chunks
// are passed over; an unknown critical one (its first letter upper case) is not for this reader.
std::optional<Contents> ReadChunks(const std::uint8_t* bytes, std::size_t size, PngDecoder::Limits limits)
{
    Contents contents;
    std::size_t position = 0;
    Chunk chunk;
    if (!NextChunk(bytes, size, position, chunk) || !ReadHeader(chunk, limits, contents.Image))
        return std::nullopt;
    enum class Data { NotYet, Reading, Over } data = Data::NotYet;
    bool hasTransparency = false;
    while (NextChunk(bytes, size, position, chunk)) {
        if (chunk.Type == kEndChunk) {
            if (chunk.Length != 0 || data == Data::NotYet
                || (contents.Image.Color == ColorType::Indexed && contents.PaletteSize == 0))
                return std::nullopt;
            return contents;
        }
        if (chunk.Type == kDataChunk) {
            if (data == Data::Over)
                return std::nullopt;
            data = Data::Reading;
            contents.Compressed.insert(contents.Compressed.end(), chunk.Data, chunk.Data + chunk.Length);
            continue;
        }
        if (data == Data::Reading)
            data = Data::Over;
        const bool beforeData = data == Data::NotYet;
        if (chunk.Type == kPaletteChunk) {
            if (!beforeData || hasTransparency || !ReadPalette(chunk, contents))
                return std::nullopt;
        } else if (chunk.Type == kTransparencyChunk) {
            if (!beforeData || hasTransparency || !ReadTransparency(chunk, contents))
                return std::nullopt;
            hasTransparency = true;
        } else if ((chunk.Type & 0x20000000u) == 0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Of left, above and upper left, the byte nearest to left + above - upper left; ties go in that order.
std::uint8_t Paeth(int left, int above, int upperLeft)
{
    const int estimate = left + above - upperLeft;
    const int toLeft = std::abs(estimate - left);
    const int toAbove = std::abs(estimate - above);
    const int toUpperLeft = std::abs(estimate - upperLeft);
    if (toLeft <= toAbove && toLeft <= toUpperLeft)
        return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(toAbove <= toUpperLeft ? above : upperLeft);
}

// Undoes each row's filter in place. A row follows its filter byte; the row above is read as
// already restored, and bytes left of the first pixel or above the first row count as zero.
bool Unfilter(std::vector<std::uint8_t>& data, const Header& image)
{
    const std::size_t stride = image.Stride;
    const std::size_t step = std::max(1, image.Channels * image.Depth / 8);
    for (std::uint32_t y = 0; y < image.Height; ++y) {
        std::uint8_t* row = data.data() + y * (stride + 1);
        const std::uint8_t filter = *row++;
        const std::uint8_t* above = y > 0 ? row - (stride + 1) : nullptr;
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= step ? row[i - step] : 0;
            const int up = above ? above[i] : 0;
            const int upperLeft = above && i >= step ? above[i - step] : 0;
            switch (filter) {
            case 0:
                break;
            case 1:
                row[i] = static_cast<std::uint8_t>(row[i] + left);
                break;
            case 2:
                row[i] = static_cast<std::uint8_t>(row[i] + up);
                break;
            case 3:
                row[i] = static_cast<std::uint8_t>(row[i] + (left + up) / 2);
                break;
            case 4:
                row[i] = static_cast<std::uint8_t>(row[i] + Paeth(left, up, upperLeft));
                break;
            default:
                return false;
            }
        }
    }
    return true;
}

// A row's sample at index as the file stores it: 1, 2 and 4-bit samples are packed from the high bit.
std::uint32_t Sample(const std::uint8_t* row, std::size_t index, int depth)
{
    if (depth == 16)
        return static_cast<std::uint32_t>(row[2 * index]) << 8 | row[2 * index + 1];
    if (depth == 8)
        return row[index];
    const std::size_t bit = index * static_cast<std::size_t>(depth);
    return (row[bit / 8] >> (8 - depth - static_cast<int>(bit % 8))) & ((1u << depth) - 1);
}

// A sample as 8 bits the way WIC scales it: 16-bit samples keep their high byte, short ones
// repeat their bits.
std::uint32_t To8Bits(std::uint32_t sample, int depth)
{
    if (depth == 16)
        return sample >> 8;
    return sample * 255 / ((1u << depth) - 1);
}

bool ToPixels(const Contents& contents, const std::vector<std::uint8_t>& data, std::vector<std::uint32_t>& pixels)
{
    const Header& image = contents.Image;
    const auto channels = static_cast<std::size_t>(image.Channels);
    pixels.resize(static_cast<std::size_t>(image.Width) * image.Height);
    std::uint32_t* out = pixels.data();
    for (std::uint32_t y = 0; y < image.Height; ++y) {
        const std::uint8_t* row = data.data() + y * (image.Stride + 1) + 1;
        for (std::size_t x = 0; x < image.Width; ++x, ++out) {
            std::array<std::uint32_t, 4> samples{};
            for (std::size_t c = 0; c < channels; ++c)
                samples[c] = Sample(row, x * channels + c, image.Depth);
            if (image.Color == ColorType::Indexed) {
                if (samples[0] >= contents.PaletteSize)
                    return false;
                *out = contents.Palette[samples[0]];
                continue;
            }
            // A tRNS key is matched by the samples as stored, before they lose their low bits.
            const bool keyed =
                contents.HasKey && std::equal(samples.begin(), samples.begin() + image.Channels, contents.Key.begin());
            const std::uint32_t opaque = keyed ? 0 : 255;
            for (std::uint32_t& sample : samples)
                sample = To8Bits(sample, image.Depth);
            switch (image.Color) {
            case ColorType::Gray:
                *out = Premultiplied(samples[0], samples[0], samples[0], opaque);
                break;
            case ColorType::Rgb:
                *out = Premultiplied(samples[0], samples[1], samples[2], opaque);
                break;
            case ColorType::GrayAlpha:
                *out = Premultiplied(samples[0], samples[0], samples[0], samples[1]);
                break;
            default:
                *out = Premultiplied(samples[0], samples[1], samples[2], samples[3]);
                break;
            }
        }
    }
    return true;
}

} // namespace

std::optional<PngDecoder::Picture> PngDecoder::Decode(const void* bytes, std::size_t length, Limits limits)
{
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    if (!data || length < sizeof(kSignature) || std::memcmp(data, kSignature, sizeof(kSignature)) != 0)
        return std::nullopt;
    std::optional<Contents> contents = ReadChunks(data + sizeof(kSignature), length - sizeof(kSignature), limits);
    if (!contents)
        return std::nullopt;
    const Header& image = contents->Image;
    const std::uint64_t expected = static_cast<std::uint64_t>(image.Height) * (image.Stride + 1);
    if (expected > std::numeric_limits<std::size_t>::max())
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> rows =
        InflateExactly(contents->Compressed.data(), contents->Compressed.size(), static_cast<std::size_t>(expected));
    if (!rows || !Unfilter(*rows, image))
        return std::nullopt;
    Picture picture;
    picture.Width = static_cast<int>(image.Width);
    picture.Height = static_cast<int>(image.Height);
    if (!ToPixels(*contents, *rows, picture.Pixels))
        return std::nullopt;
    return picture;
}

} // namespace Engine
