#include "engine/gfx/PngDecoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>

namespace Engine {

namespace {

// Follows the PNG format (W3C PNG, second edition) for chunks, filters and samples, and RFC 1950
// and 1951 for the zlib stream. It differs from them only in refusing more: whatever a reader may
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

std::uint32_t Adler32(const std::vector<std::uint8_t>& bytes)
{
    constexpr std::uint64_t kBase = 65521;
    std::uint64_t a = 1;
    std::uint64_t b = 0;
    // Sums of 64K bytes cannot overflow 64 bits, so the remainders are taken once a run.
    for (std::size_t start = 0; start < bytes.size(); start += 65536) {
        const std::size_t end = std::min(bytes.size(), start + 65536);
        for (std::size_t i = start; i < end; ++i) {
            a += bytes[i];
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return static_cast<std::uint32_t>(b << 16 | a);
}

// Deflate's bits, low bit first. Past the end they read as zeros and Overrun() says so, which
// the inflater looks at once per symbol.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint32_t Bits(int count)
    {
        if (m_count < count)
            Refill();
        const auto value = static_cast<std::uint32_t>(m_buffer & ((std::uint64_t{1} << count) - 1));
        m_buffer >>= count;
        m_count -= count;
        return value;
    }

    void AlignToByte() { static_cast<void>(Bits(m_count % 8)); }

    // Whole bytes after AlignToByte, or null when the data holds fewer.
    const std::uint8_t* TakeBytes(std::size_t count)
    {
        const std::size_t position = m_next - static_cast<std::size_t>(m_count / 8);
        if (position > m_size || m_size - position < count)
            return nullptr;
        m_buffer = 0;
        m_count = 0;
        m_next = position + count;
        return m_data + position;
    }

    [[nodiscard]] bool Overrun() const { return Consumed() > m_size * 8; }
    [[nodiscard]] bool AtEnd() const { return Consumed() == m_size * 8; }

private:
    void Refill()
    {
        while (m_count <= 56) {
            const std::uint64_t byte = m_next < m_size ? m_data[m_next] : 0;
            m_buffer |= byte << m_count;
            m_count += 8;
            ++m_next;
        }
    }
    [[nodiscard]] std::size_t Consumed() const { return m_next * 8 - static_cast<std::size_t>(m_count); }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
    std::uint64_t m_buffer = 0;
    int m_count = 0;
};

// Which codes may leave some of the code space unused: RFC 1951 allows it only for distances,
// one code of one bit when a single distance is used, or no code at all for literals only.
enum class UnusedCodes { Refused, AllowedForDistances };

// A canonical Huffman code as deflate sends it (RFC 1951, 3.2.2): codes of one length are
// consecutive numbers, and the shorter codes come first.
class HuffmanCode {
public:
    static constexpr int kMaxBits = 15;
    static constexpr int kMaxSymbols = 288;

    [[nodiscard]] bool Build(const std::uint8_t* lengths, int count, UnusedCodes unused)
    {
        m_counts.fill(0);
        for (int i = 0; i < count; ++i)
            ++m_counts[lengths[i]];
        const int used = count - m_counts[0];
        m_counts[0] = 0;
        int left = 1;
        for (int length = 1; length <= kMaxBits; ++length) {
            left = (left << 1) - m_counts[length];
            if (left < 0)
                return false;
        }
        if (left > 0 && !(unused == UnusedCodes::AllowedForDistances && (used == 0 || (used == 1 && m_counts[1] == 1))))
            return false;
        std::array<int, kMaxBits + 1> next{};
        for (int length = 1; length < kMaxBits; ++length)
            next[length + 1] = next[length] + m_counts[length];
        for (int i = 0; i < count; ++i) {
            if (lengths[i] != 0)
                m_symbols[next[lengths[i]]++] = static_cast<std::uint16_t>(i);
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code of this one.
    [[nodiscard]] int Decode(BitReader& bits) const
    {
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length <= kMaxBits; ++length) {
            code |= static_cast<int>(bits.Bits(1));
            const int count = m_counts[length];
            if (static_cast<unsigned>(code - first) < static_cast<unsigned>(count))
                return m_symbols[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    std::array<int, kMaxBits + 1> m_counts{};
    std::array<std::uint16_t, kMaxSymbols> m_symbols{};
};

HuffmanCode FixedCode(int count, const std::uint8_t* lengths)
{
    HuffmanCode code;
    static_cast<void>(code.Build(lengths, count, UnusedCodes::Refused));
    return code;
}

// RFC 1951, 3.2.6: literals and lengths of 7 to 9 bits, and 32 distance codes of 5 bits (30 and
// 31 never valid), which makes both codes complete.
const HuffmanCode& FixedLiterals()
{
    static const HuffmanCode code = [] {
        std::array<std::uint8_t, HuffmanCode::kMaxSymbols> lengths{};
        std::fill(lengths.begin(), lengths.begin() + 144, std::uint8_t{8});
        std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint8_t{9});
        std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint8_t{7});
        std::fill(lengths.begin() + 280, lengths.end(), std::uint8_t{8});
        return FixedCode(static_cast<int>(lengths.size()), lengths.data());
    }();
    return code;
}

const HuffmanCode& FixedDistances()
{
    static const HuffmanCode code = [] {
        std::array<std::uint8_t, 32> lengths{};
        lengths.fill(5);
        return FixedCode(static_cast<int>(lengths.size()), lengths.data());
    }();
    return code;
}

constexpr std::uint16_t kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                         31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                         2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                           33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                           6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A zlib stream (RFC 1950) of deflate blocks (RFC 1951) inflated into exactly the number of bytes
// the picture needs: a stream that would give more or fewer, or that goes on after its Adler-32,
// fails. The output grows as the data delivers, so a short file that claims a huge picture costs
// no more memory than it inflates to.
class Inflater {
public:
    Inflater(const std::uint8_t* data, std::size_t size, std::size_t expected)
        : m_data(data), m_size(size), m_bits(size < 2 ? data : data + 2, size < 2 ? 0 : size - 2), m_expected(expected)
    {
    }

    [[nodiscard]] bool Run()
    {
        if (m_size < 2)
            return false;
        const unsigned method = m_data[0];
        const unsigned flags = m_data[1];
        constexpr unsigned kDeflate = 8;
        constexpr unsigned kPresetDictionary = 0x20;
        if ((method & 0x0F) != kDeflate || (method >> 4) > 7 || (method << 8 | flags) % 31 != 0
            || (flags & kPresetDictionary) != 0)
            return false;
        m_window = std::size_t{1} << ((method >> 4) + 8);
        m_out.reserve(std::min<std::size_t>(m_expected, 64 * 1024));
        bool last = false;
        while (!last) {
            last = m_bits.Bits(1) != 0;
            if (!Block(m_bits.Bits(2)) || m_bits.Overrun())
                return false;
        }
        if (m_out.size() != m_expected)
            return false;
        m_bits.AlignToByte();
        std::uint32_t check = 0;
        for (int i = 0; i < 4; ++i)
            check = check << 8 | m_bits.Bits(8);
        return m_bits.AtEnd() && check == Adler32(m_out);
    }

    std::vector<std::uint8_t>& Output() { return m_out; }

private:
    bool Block(std::uint32_t type)
    {
        switch (type) {
        case 0:
            return StoredBlock();
        case 1:
            return CodedBlock(FixedLiterals(), FixedDistances());
        case 2: {
            HuffmanCode literals;
            HuffmanCode distances;
            return ReadCodes(literals, distances) && CodedBlock(literals, distances);
        }
        default:
            return false;
        }
    }

    bool StoredBlock()
    {
        m_bits.AlignToByte();
        const std::uint32_t length = m_bits.Bits(16);
        if ((m_bits.Bits(16) ^ 0xFFFFu) != length || !Room(length))
            return false;
        const std::uint8_t* bytes = m_bits.TakeBytes(length);
        if (!bytes)
            return false;
        m_out.insert(m_out.end(), bytes, bytes + length);
        return true;
    }

    bool ReadCodes(HuffmanCode& literals, HuffmanCode& distances)
    {
        const int literalCount = static_cast<int>(m_bits.Bits(5)) + 257;
        const int distanceCount = static_cast<int>(m_bits.Bits(5)) + 1;
        const int codeLengthCount = static_cast<int>(m_bits.Bits(4)) + 4;
        if (literalCount > 286 || distanceCount > 30)
            return false;
        std::array<std::uint8_t, 19> codeLengths{};
        for (int i = 0; i < codeLengthCount; ++i)
            codeLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(m_bits.Bits(3));
        HuffmanCode lengthCode;
        if (!lengthCode.Build(codeLengths.data(), static_cast<int>(codeLengths.size()), UnusedCodes::Refused))
            return false;

        // Lengths of both codes in one run: a repeat may reach from the literals into the distances.
        std::array<std::uint8_t, 286 + 30> lengths{};
        const int total = literalCount + distanceCount;
        for (int n = 0; n < total;) {
            const int symbol = lengthCode.Decode(m_bits);
            if (symbol < 0 || m_bits.Overrun())
                return false;
            if (symbol < 16) {
                lengths[n++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t value = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (n == 0)
                    return false;
                value = lengths[n - 1];
                repeat = 3 + static_cast<int>(m_bits.Bits(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(m_bits.Bits(3));
            } else {
                repeat = 11 + static_cast<int>(m_bits.Bits(7));
            }
            if (repeat > total - n)
                return false;
            std::fill_n(lengths.begin() + n, repeat, value);
            n += repeat;
        }
        constexpr int kEndOfBlock = 256;
        return lengths[kEndOfBlock] != 0 && literals.Build(lengths.data(), literalCount, UnusedCodes::Refused)
            && distances.Build(lengths.data() + literalCount, distanceCount, UnusedCodes::AllowedForDistances);
    }

    bool CodedBlock(const HuffmanCode& literals, const HuffmanCode& distances)
    {
        for (;;) {
            const int symbol = literals.Decode(m_bits);
            if (symbol < 0 || m_bits.Overrun())
                return false;
            if (symbol < 256) {
                if (!Room(1))
                    return false;
                m_out.push_back(static_cast<std::uint8_t>(symbol));
                continue;
            }
            if (symbol == 256)
                return true;
            const std::size_t lengthCode = static_cast<std::size_t>(symbol) - 257;
            if (lengthCode >= std::size(kLengthBase))
                return false;
            const std::size_t length = kLengthBase[lengthCode] + m_bits.Bits(kLengthExtra[lengthCode]);
            const int distanceCode = distances.Decode(m_bits);
            if (distanceCode < 0 || static_cast<std::size_t>(distanceCode) >= std::size(kDistanceBase))
                return false;
            const std::size_t distance = kDistanceBase[distanceCode] + m_bits.Bits(kDistanceExtra[distanceCode]);
            if (distance > m_out.size() || distance > m_window || !Room(length))
                return false;
            // Byte by byte: a match may overlap the bytes it makes.
            const std::size_t from = m_out.size() - distance;
            for (std::size_t i = 0; i < length; ++i)
                m_out.push_back(m_out[from + i]);
        }
    }

    // Whether count more bytes fit the picture; if so, room is made for them.
    bool Room(std::size_t count)
    {
        if (count > m_expected - m_out.size())
            return false;
        if (m_out.capacity() - m_out.size() < count)
            m_out.reserve(std::min(m_expected, std::max(m_out.size() + count, m_out.capacity() * 2)));
        return true;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    BitReader m_bits;
    std::size_t m_expected;
    std::size_t m_window = 0;
    std::vector<std::uint8_t> m_out;
};

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
    Inflater inflater(contents->Compressed.data(), contents->Compressed.size(), static_cast<std::size_t>(expected));
    if (!inflater.Run() || !Unfilter(inflater.Output(), image))
        return std::nullopt;
    Picture picture;
    picture.Width = static_cast<int>(image.Width);
    picture.Height = static_cast<int>(image.Height);
    if (!ToPixels(*contents, inflater.Output(), picture.Pixels))
        return std::nullopt;
    return picture;
}

} // namespace Engine
