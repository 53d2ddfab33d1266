#include "engine/gfx/Inflater.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace Engine {

namespace {

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

// The stream's reader: the header, the blocks, then the Adler-32 of what they gave.
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
} // namespace

std::optional<std::vector<std::uint8_t>> InflateExactly(const std::uint8_t* data, std::size_t size, std::size_t expected)
{
    Inflater inflater(data, size, expected);
    if (!inflater.Run())
        return std::nullopt;
    return std::move(inflater.Output());
}

} // namespace Engine
