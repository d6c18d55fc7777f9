#include "platform/archive/DeflateStreamCheck.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The symbol loop is also built for BMI2 and chosen when the processor runs
// it, as libdeflate does with its own.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(__BMI2__)
#define ZE6_CHECK_WITH_BMI2 1
#else
#define ZE6_CHECK_WITH_BMI2 0
#endif

namespace ze6 {

namespace {

constexpr unsigned kMaxCodeLength = 15;

// A table entry: bits 0-7 what the code and its extra bits take, 8-15 what
// the code alone takes, 16 on the literal, code length, or base of a length
// or distance. The flags are bits of their own, so the loop over the symbols
// needs one test for the rare cases.
enum Flag : std::uint32_t {
    kValue = 1u << 31, // a literal or a code length
    kEndOfBlock = 1u << 30,
    kLong = 1u << 29,         // a code longer than the table's index, or none
    kDistanceLong = 1u << 31, // the same among distances, whose bases take bits 16-30
};

// What a symbol stands for, before its code's length is added.
constexpr std::uint32_t Entry(std::uint32_t flags, std::uint32_t base, std::uint32_t extra)
{
    return base << 16 | flags | extra;
}
constexpr std::uint32_t WithCodeLength(std::uint32_t entry, unsigned length)
{
    return entry + (length << 8 | length);
}
// What the code and its extra bits take.
constexpr unsigned Taken(std::uint32_t entry)
{
    return entry & 0xFF;
}
// The extra bits after the code, from bits that start with the code.
constexpr std::uint64_t ExtraValue(std::uint32_t entry, std::uint64_t bits)
{
    return (bits & ((std::uint64_t{1} << Taken(entry)) - 1)) >> ((entry >> 8) & 0xFF);
}
constexpr std::uint32_t Base(std::uint32_t entry)
{
    return (entry >> 16) & 0x7FFF;
}
// A length: neither a value nor the end of the block.
constexpr std::uint32_t kLength = 0;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

enum class Alphabet { CodeLengths, LiteralsAndLengths, Distances };

std::uint32_t SymbolEntry(Alphabet alphabet, unsigned symbol)
{
    switch (alphabet) {
    case Alphabet::CodeLengths:
        return Entry(kValue, symbol, 0);
    case Alphabet::LiteralsAndLengths:
        if (symbol < 256)
            return Entry(kValue, symbol, 0);
        if (symbol == 256)
            return Entry(kEndOfBlock, 0, 0);
        if (symbol < 286)
            return Entry(kLength, kLengthBase[symbol - 257], kLengthExtra[symbol - 257]);
        return kLong;
    case Alphabet::Distances:
        if (symbol < 30)
            return Entry(0, kDistanceBase[symbol], kDistanceExtra[symbol]);
        return kDistanceLong;
    }
    return kLong;
}

// A canonical Huffman code: a table indexed by the next kTableBits bits of
// the stream for the short codes, which are nearly all of them, and the counts
// and symbols in code order for reading the rare long ones a bit at a time.
class Huffman {
public:
    static constexpr unsigned kTableBits = 10;

    // Accepts what zlib accepts: no length set over-subscribed, and none
    // incomplete except a code of one symbol, or none at all, for distances
    // and literals.
    bool Build(const std::uint8_t* lengths, unsigned count, Alphabet alphabet)
    {
        m_counts.fill(0);
        for (unsigned symbol = 0; symbol < count; ++symbol)
            ++m_counts[lengths[symbol]];
        m_counts[0] = 0;
        unsigned longest = 0;
        int left = 1;
        for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
            left = left * 2 - m_counts[length];
            if (left < 0)
                return false;
            if (m_counts[length] != 0)
                longest = length;
        }
        if (left > 0 && (alphabet == Alphabet::CodeLengths || longest > 1))
            return false;

        std::array<std::uint16_t, kMaxCodeLength + 2> offsets{};
        for (unsigned length = 1; length <= kMaxCodeLength; ++length)
            offsets[length + 1] = static_cast<std::uint16_t>(offsets[length] + m_counts[length]);
        for (unsigned symbol = 0; symbol < count; ++symbol) {
            if (lengths[symbol] != 0)
                m_symbols[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);
        }
        for (unsigned symbol = 0; symbol < count; ++symbol)
            m_entries[symbol] = SymbolEntry(alphabet, symbol);

        // Codes are sent first bit first, so the table is indexed by the
        // reversed code, repeated for every value of the bits after it.
        m_long = alphabet == Alphabet::Distances ? kDistanceLong : kLong;
        m_table.fill(m_long);
        unsigned code = 0;
        unsigned index = 0;
        for (unsigned length = 1; length <= std::min(longest, kTableBits); ++length) {
            for (unsigned n = 0; n < m_counts[length]; ++n, ++code, ++index) {
                const unsigned reversed = Reverse(code, length);
                const std::uint32_t entry = Coded(m_symbols[index], length);
                for (unsigned slot = reversed; slot < m_table.size(); slot += 1u << length)
                    m_table[slot] = entry;
            }
            code <<= 1;
        }
        return true;
    }

    // The entry for a short code at the start of `bits`, with its length
    // set; kLong (kDistanceLong) for a long one or none.
    std::uint32_t Lookup(std::uint64_t bits) const { return m_table[bits & (m_table.size() - 1)]; }

    // The same for a code of any length; kLong (kDistanceLong) when none matches.
    std::uint32_t Decode(std::uint64_t bits) const
    {
        const std::uint32_t entry = Lookup(bits);
        return (entry & m_long) == 0 ? entry : DecodeSlowly(bits);
    }

private:
    static unsigned Reverse(unsigned code, unsigned length)
    {
        unsigned reversed = 0;
        for (unsigned i = 0; i < length; ++i, code >>= 1)
            reversed = reversed << 1 | (code & 1);
        return reversed;
    }

    // An invalid symbol stays flagged long, whatever its code.
    std::uint32_t Coded(unsigned symbol, unsigned length) const
    {
        const std::uint32_t entry = m_entries[symbol];
        return (entry & m_long) != 0 ? m_long : WithCodeLength(entry, length);
    }

    std::uint32_t DecodeSlowly(std::uint64_t bits) const
    {
        int code = 0;
        int first = 0;
        int index = 0;
        for (unsigned length = 1; length <= kMaxCodeLength; ++length, bits >>= 1) {
            code |= static_cast<int>(bits & 1);
            const int count = m_counts[length];
            if (code - count < first)
                return Coded(m_symbols[static_cast<std::size_t>(index + code - first)], length);
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return m_long;
    }

    std::uint32_t m_long = kLong;
    std::array<std::uint32_t, 1u << kTableBits> m_table{};
    std::array<std::uint16_t, kMaxCodeLength + 1> m_counts{};
    std::array<std::uint16_t, 288> m_symbols{};
    std::array<std::uint32_t, 288> m_entries{};
};

class Checker {
public:
    Checker(unsigned char* stream, std::size_t size, const unsigned char* expected, std::size_t expectedSize)
        : m_stream(stream), m_size(size), m_expected(expected), m_expectedSize(expectedSize)
    {
    }

    std::size_t Run(StreamEnd end)
    {
        bool joined = false;
        for (;;) {
            if (!Available(3))
                return 0;
            const std::uint64_t header = Peek();
            bool final = (header & 1) != 0;
            const unsigned type = (header >> 1) & 3;
            // Only the compressor's final block can be the one made ordinary,
            // and nothing may follow the stored block written after it.
            if (final && end == StreamEnd::Joinable) {
                if (joined)
                    return 0;
                m_stream[m_position / 8] &= static_cast<unsigned char>(~(1u << (m_position % 8)));
                final = false;
                joined = true;
                m_appendAfterBlock = true;
            }
            m_position += 3;
            bool read = false;
            if (type == 0)
                read = StoredBlock();
            else if (type == 1)
                read = HuffmanBlock(FixedCodes().first, FixedCodes().second);
            else if (type == 2)
                read = DynamicBlock();
            if (!read)
                return 0;
            if (final || (joined && !m_appendAfterBlock))
                return m_position <= m_size * 8 && (m_position + 7) / 8 == m_size && m_out == m_expectedSize ? m_size
                                                                                                             : 0;
            if (m_appendAfterBlock) {
                if ((m_position + 7) / 8 != m_size)
                    return 0;
                AppendEmptyStoredBlock();
                m_appendAfterBlock = false;
            }
        }
    }

private:
    // At least 57 bits from the current position; the slack makes the load safe.
    std::uint64_t Peek() const { return Peek(m_position); }
    std::uint64_t Peek(std::size_t position) const
    {
        std::uint64_t word;
        std::memcpy(&word, m_stream + position / 8, sizeof word);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        return word >> (position % 8);
    }

    bool Available(std::size_t bits) const { return m_position + bits <= m_size * 8; }

    // Three zero bits - an ordinary stored block - then zeros to the byte
    // boundary, and the lengths of an empty block: what a sync flush writes.
    void AppendEmptyStoredBlock()
    {
        m_stream[m_position / 8] &= static_cast<unsigned char>((1u << (m_position % 8)) - 1);
        const std::size_t lengths = (m_position + 3 + 7) / 8;
        std::fill(m_stream + m_position / 8 + 1, m_stream + lengths, 0);
        constexpr unsigned char kEmptyLengths[] = {0x00, 0x00, 0xFF, 0xFF};
        std::memcpy(m_stream + lengths, kEmptyLengths, sizeof kEmptyLengths);
        m_size = lengths + sizeof kEmptyLengths;
    }

    bool StoredBlock()
    {
        m_position = (m_position + 7) / 8 * 8;
        if (!Available(32))
            return false;
        const std::size_t at = m_position / 8;
        const unsigned length = m_stream[at] | m_stream[at + 1] << 8;
        const unsigned complement = m_stream[at + 2] | m_stream[at + 3] << 8;
        if (length != (~complement & 0xFFFF))
            return false;
        m_position += 32;
        // An empty block, such as the one that ends a joinable stream, compares
        // nothing: the expected bytes of an empty file have no address.
        if (!Available(length * std::size_t{8}) || length > m_expectedSize - m_out ||
            (length != 0 && std::memcmp(m_stream + m_position / 8, m_expected + m_out, length) != 0))
            return false;
        m_out += length;
        m_position += length * std::size_t{8};
        return true;
    }

    static const std::pair<Huffman, Huffman>& FixedCodes()
    {
        static const std::pair<Huffman, Huffman> codes = [] {
            std::array<std::uint8_t, 288> literals{};
            std::fill(literals.begin(), literals.begin() + 144, 8);
            std::fill(literals.begin() + 144, literals.begin() + 256, 9);
            std::fill(literals.begin() + 256, literals.begin() + 280, 7);
            std::fill(literals.begin() + 280, literals.end(), 8);
            std::array<std::uint8_t, 32> distances{};
            distances.fill(5);
            std::pair<Huffman, Huffman> built;
            built.first.Build(literals.data(), 288, Alphabet::LiteralsAndLengths);
            built.second.Build(distances.data(), 32, Alphabet::Distances);
            return built;
        }();
        return codes;
    }

    bool DynamicBlock()
    {
        static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        if (!Available(14))
            return false;
        std::uint64_t bits = Peek();
        const unsigned literalCount = static_cast<unsigned>(bits & 31) + 257;
        const unsigned distanceCount = static_cast<unsigned>((bits >> 5) & 31) + 1;
        const unsigned codeLengthCount = static_cast<unsigned>((bits >> 10) & 15) + 4;
        m_position += 14;
        if (literalCount > 286 || distanceCount > 30 || !Available(3 * codeLengthCount))
            return false;
        std::array<std::uint8_t, 19> codeLengthLengths{};
        for (unsigned i = 0; i < codeLengthCount; ++i, m_position += 3)
            codeLengthLengths[kOrder[i]] = static_cast<std::uint8_t>(Peek() & 7);
        if (!m_codeLengths.Build(codeLengthLengths.data(), 19, Alphabet::CodeLengths))
            return false;

        std::array<std::uint8_t, 286 + 30> lengths{};
        const unsigned total = literalCount + distanceCount;
        for (unsigned filled = 0; filled < total;) {
            if (m_position > m_size * 8)
                return false;
            bits = Peek();
            const std::uint32_t entry = m_codeLengths.Decode(bits);
            if ((entry & kLong) != 0)
                return false;
            const unsigned symbol = Base(entry);
            bits >>= Taken(entry);
            m_position += Taken(entry);
            if (symbol < 16) {
                lengths[filled++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            unsigned repeat = 0;
            std::uint8_t value = 0;
            if (symbol == 16) {
                if (filled == 0)
                    return false;
                value = lengths[filled - 1];
                repeat = 3 + static_cast<unsigned>(bits & 3);
                m_position += 2;
            } else if (symbol == 17) {
                repeat = 3 + static_cast<unsigned>(bits & 7);
                m_position += 3;
            } else {
                repeat = 11 + static_cast<unsigned>(bits & 127);
                m_position += 7;
            }
            if (repeat > total - filled)
                return false;
            std::fill_n(lengths.begin() + filled, repeat, value);
            filled += repeat;
        }
        // A block that cannot end is no block.
        if (lengths[256] == 0)
            return false;
        if (!m_literals.Build(lengths.data(), literalCount, Alphabet::LiteralsAndLengths) ||
            !m_distances.Build(lengths.data() + literalCount, distanceCount, Alphabet::Distances))
            return false;
        return HuffmanBlock(m_literals, m_distances);
    }

    bool HuffmanBlock(const Huffman& literals, const Huffman& distances)
    {
#if ZE6_CHECK_WITH_BMI2
        // Nearly every processor of the last ten years has BMI2; its shifts
        // take the count from any register, which the loop below does for
        // every symbol.
        static const bool bmi2 = [] {
            __builtin_cpu_init();
            return __builtin_cpu_supports("bmi2") != 0;
        }();
        if (bmi2)
            return HuffmanBlockWithBmi2(literals, distances);
#endif
        return DecodeHuffmanBlock(literals, distances);
    }

#if ZE6_CHECK_WITH_BMI2
    [[gnu::target("bmi2")]] bool HuffmanBlockWithBmi2(const Huffman& literals, const Huffman& distances)
    {
        return DecodeHuffmanBlock(literals, distances);
    }
#endif

    // Decodes as libdeflate's own loop does: a 64-bit buffer refilled
    // without a branch to at least 56 bits, which hold three literals, or a
    // length and its distance with their extra bits (48 at most), and one
    // shift takes a code with its extra bits.
    [[gnu::always_inline]] inline bool DecodeHuffmanBlock(const Huffman& literals, const Huffman& distances)
    {
        // Kept in locals: the calls to memcmp would otherwise make the
        // compiler store the members on every match.
        const unsigned char* const expected = m_expected;
        const std::size_t expectedSize = m_expectedSize;
        std::size_t out = m_out;
        // The bits not yet taken are the low `left` of `bits`; `in` is the
        // first byte none of them came from. Bits taken past the stream's end
        // come from the slack and fail the block, at the latest when its end
        // is found past the stream's.
        const unsigned char* in = m_stream + m_position / 8;
        const unsigned char* const lastLoad = m_stream + m_size + 8;
        std::uint64_t bits = 0;
        unsigned left = 0;
        const auto refill = [&] {
            bits |= Load(in) << left;
            in += (63 - left) >> 3;
            left |= 56;
        };
        const auto take = [&](unsigned count) {
            bits >>= count;
            left -= count;
        };
        const auto literal = [&](std::uint32_t entry) {
            if (out == expectedSize || expected[out] != Base(entry))
                return false;
            ++out;
            take(Taken(entry));
            return true;
        };
        refill();
        take(m_position % 8);
        bool ended = false;
        // The fast loop: far enough from both ends that no step can pass
        // either, so it needs none of the careful loop's bounds. Each refill
        // leaves at least 56 bits: three literals (10 bits at most from the
        // table) leave enough to look up the next symbol, one or two enough
        // for a length with its extra bits and a look at the distance, which
        // gets a refill of its own. The next symbol is looked up before a
        // match is compared, so the two overlap.
        if (expectedSize - out > kFastOutSlack && lastLoad - in > 24) {
            const unsigned char* const fastInEnd = lastLoad - 24;
            const std::size_t fastOutEnd = expectedSize - kFastOutSlack;
            std::uint32_t entry = literals.Lookup(bits);
            while (in < fastInEnd && out < fastOutEnd) {
                refill();
                if ((entry & kValue) != 0) {
                    unsigned differ = expected[out] ^ Base(entry);
                    take(Taken(entry));
                    entry = literals.Lookup(bits);
                    if ((entry & kValue) != 0) {
                        differ |= expected[out + 1] ^ Base(entry);
                        take(Taken(entry));
                        entry = literals.Lookup(bits);
                        if ((entry & kValue) != 0) {
                            differ |= expected[out + 2] ^ Base(entry);
                            take(Taken(entry));
                            entry = literals.Lookup(bits);
                            out += 3;
                            if (differ != 0)
                                return false;
                            continue;
                        }
                        out += 2;
                    } else {
                        out += 1;
                    }
                    if (differ != 0)
                        return false;
                }
                if ((entry & (kEndOfBlock | kLong)) != 0) {
                    if ((entry & kLong) != 0) {
                        entry = literals.Decode(bits);
                        if ((entry & kLong) != 0)
                            return false;
                    }
                    if ((entry & kEndOfBlock) != 0) {
                        take(Taken(entry));
                        ended = true;
                        break;
                    }
                    if ((entry & kValue) != 0) {
                        if (expected[out] != Base(entry))
                            return false;
                        ++out;
                        take(Taken(entry));
                        entry = literals.Lookup(bits);
                        continue;
                    }
                }
                const std::size_t matchLength = Base(entry) + ExtraValue(entry, bits);
                take(Taken(entry));
                std::uint32_t distanceEntry = distances.Lookup(bits);
                refill();
                if ((distanceEntry & kDistanceLong) != 0) {
                    distanceEntry = distances.Decode(bits);
                    if ((distanceEntry & kDistanceLong) != 0)
                        return false;
                }
                const std::size_t distance = Base(distanceEntry) + ExtraValue(distanceEntry, bits);
                take(Taken(distanceEntry));
                entry = literals.Lookup(bits);
                if (distance > out || !SameBytes(expected + out, expected + out - distance, matchLength))
                    return false;
                out += matchLength;
            }
        }
        while (!ended && in <= lastLoad) {
            refill();
            std::uint32_t entry = literals.Lookup(bits);
            if ((entry & kValue) != 0) {
                if (!literal(entry))
                    break;
                entry = literals.Lookup(bits);
                if ((entry & kValue) == 0)
                    continue;
                if (!literal(entry))
                    break;
                entry = literals.Lookup(bits);
                if ((entry & kValue) != 0 && !literal(entry))
                    break;
                continue;
            }
            if ((entry & (kEndOfBlock | kLong)) != 0) {
                if ((entry & kLong) != 0) {
                    entry = literals.Decode(bits);
                    if ((entry & kLong) != 0)
                        break;
                }
                if ((entry & kEndOfBlock) != 0) {
                    take(Taken(entry));
                    ended = true;
                    break;
                }
                if ((entry & kValue) != 0) {
                    if (!literal(entry))
                        break;
                    continue;
                }
            }
            const std::size_t matchLength = Base(entry) + ExtraValue(entry, bits);
            take(Taken(entry));
            std::uint32_t distanceEntry = distances.Lookup(bits);
            if ((distanceEntry & kDistanceLong) != 0) {
                distanceEntry = distances.Decode(bits);
                if ((distanceEntry & kDistanceLong) != 0)
                    break;
            }
            const std::size_t distance = Base(distanceEntry) + ExtraValue(distanceEntry, bits);
            take(Taken(distanceEntry));
            if (distance > out || matchLength > expectedSize - out ||
                std::memcmp(expected + out, expected + out - distance, matchLength) != 0)
                break;
            out += matchLength;
        }
        m_position = static_cast<std::size_t>(in - m_stream) * 8 - left;
        m_out = out;
        return ended && m_position <= m_size * 8;
    }

    // Room the fast loop keeps before the end of the expected bytes: the
    // longest match, compared in whole pieces of 32 bytes.
    static constexpr std::size_t kFastOutSlack = 258 + 32;

    // What was already matched equals what the stream expanded to, so a copy
    // from it is checked against the expected bytes themselves, also when it
    // overlaps itself: each byte is only compared with the one `distance`
    // before it, in any order.
    //
    // Whether `length` bytes at `a` equal those at `b`, reading whole pieces
    // of 32 bytes, up to 31 past the end, which the caller leaves room for.
    static bool SameBytes(const unsigned char* a, const unsigned char* b, std::size_t length)
    {
        for (;;) {
            const std::uint32_t differ = Differing32(a, b);
            if (length <= 32)
                return (differ & static_cast<std::uint32_t>((std::uint64_t{1} << length) - 1)) == 0;
            if (differ != 0)
                return false;
            a += 32;
            b += 32;
            length -= 32;
        }
    }
    // A bit for each of the 32 bytes at `a` that differs from the one at `b`.
    static std::uint32_t Differing32(const unsigned char* a, const unsigned char* b)
    {
#if defined(__SSE2__)
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16));
        const auto low = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a0, b0)));
        const auto high = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(a1, b1)));
        return ~(low | high << 16);
#else
        std::uint32_t differ = 0;
        for (unsigned i = 0; i < 32; ++i)
            differ |= static_cast<std::uint32_t>(a[i] != b[i]) << i;
        return differ;
#endif
    }

    static std::uint64_t Load(const unsigned char* at)
    {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        return word;
    }

    unsigned char* m_stream;
    std::size_t m_size;
    const unsigned char* m_expected;
    std::size_t m_expectedSize;
    std::size_t m_position = 0; // in bits
    std::size_t m_out = 0;      // bytes of `expected` matched
    bool m_appendAfterBlock = false;
    Huffman m_codeLengths;
    Huffman m_literals;
    Huffman m_distances;
};

} // namespace

std::size_t CheckDeflateStream(unsigned char* stream, std::size_t size, const unsigned char* expected,
                               std::size_t expectedSize, StreamEnd end)
{
    return Checker(stream, size, expected, expectedSize).Run(end);
}

} // namespace ze6
