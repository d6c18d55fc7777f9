#include "platform/archive/DeflateStreamCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace ze6 {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes ToBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes Words(std::size_t size)
{
    std::string text;
    for (unsigned i = 0; text.size() < size; ++i)
        text += "ledger " + std::to_string(i * 7919 % 1000) + (i % 3 ? " invoice " : " payment due ");
    text.resize(size);
    return ToBytes(text);
}

// zlib writes every kind of block: stored at level 0, fixed codes with
// Z_FIXED, dynamic ones otherwise, and long codes for skewed data.
Bytes ZlibDeflate(const Bytes& input, int level, int strategy)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    Bytes output(deflateBound(&stream, static_cast<uLong>(input.size())) + kStreamCheckSlack);
    stream.next_in = const_cast<unsigned char*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    return output;
}

// What zlib makes of a stream: its output, and whether it was one whole
// stream (or, for a joinable one, ended on a sync flush) with nothing after it.
std::pair<Bytes, bool> ZlibInflate(const Bytes& stream, bool joinable)
{
    z_stream inflater{};
    EXPECT_EQ(inflateInit2(&inflater, -15), Z_OK);
    Bytes output(4 * 1024 * 1024);
    inflater.next_in = const_cast<unsigned char*>(stream.data());
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = output.data();
    inflater.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&inflater, joinable ? Z_SYNC_FLUSH : Z_FINISH);
    const bool whole = (joinable ? result == Z_OK : result == Z_STREAM_END) && inflater.avail_in == 0;
    output.resize(inflater.total_out);
    inflateEnd(&inflater);
    return {output, whole};
}

std::size_t Check(Bytes& stream, const Bytes& expected, StreamEnd end)
{
    const std::size_t size = stream.size();
    stream.resize(size + kStreamCheckSlack);
    const std::size_t checked = CheckDeflateStream(stream.data(), size, expected.data(), expected.size(), end);
    stream.resize(checked != 0 ? checked : size);
    return checked;
}

TEST(DeflateStreamCheck, AcceptsEveryKindOfBlockAndJoinsItSoZlibReadsOnAfterIt)
{
    const Bytes random = ToBytes(test::RandomBytes(200000, 3));
    Bytes skewed(300000, 'a');
    for (std::size_t i = 0; i < skewed.size(); i += 997)
        skewed[i] = static_cast<unsigned char>(i / 997);
    const std::pair<int, int> settings[] = {{0, Z_DEFAULT_STRATEGY}, {6, Z_FIXED}, {6, Z_DEFAULT_STRATEGY},
                                            {9, Z_HUFFMAN_ONLY},     {9, Z_RLE},   {1, Z_FILTERED}};
    for (const Bytes& input : {Bytes(), Bytes{'x'}, Words(300000), random, skewed}) {
        for (const auto& [level, strategy] : settings) {
            SCOPED_TRACE(std::to_string(input.size()) + " bytes, level " + std::to_string(level) + ", strategy " +
                         std::to_string(strategy));
            Bytes whole = ZlibDeflate(input, level, strategy);
            const std::size_t size = whole.size();
            EXPECT_EQ(Check(whole, input, StreamEnd::Final), size);

            Bytes joined = ZlibDeflate(input, level, strategy);
            ASSERT_NE(Check(joined, input, StreamEnd::Joinable), 0u);
            const auto [output, synced] = ZlibInflate(joined, true);
            EXPECT_TRUE(synced);
            EXPECT_EQ(output, input);
        }
    }
}

// The check must refuse what does not expand to the expected bytes, and must
// never accept a stream zlib reads differently: every accepted corruption
// has to be one zlib expands to the same bytes.
TEST(DeflateStreamCheck, RefusesWhatDiffersAndAgreesWithZlibOnCorruptStreams)
{
    // A fixed-code block whose first symbol copies from before the start
    // ("aaa" at distance 1), checked against bytes that do follow an "a".
    const Bytes buffer{'a', 'a', 'a', 'a'};
    Bytes tooFarBack{0x03, 0x02, 0x00};
    tooFarBack.resize(3 + kStreamCheckSlack);
    EXPECT_EQ(CheckDeflateStream(tooFarBack.data(), 3, buffer.data() + 1, 3, StreamEnd::Final), 0u);

    const Bytes input = Words(20000);
    for (const int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
        const Bytes stream = ZlibDeflate(input, 6, strategy);
        for (std::size_t at : {std::size_t{0}, input.size() / 2, input.size() - 1}) {
            Bytes other = input;
            other[at] ^= 0x20;
            Bytes copy = stream;
            EXPECT_EQ(Check(copy, other, StreamEnd::Final), 0u) << "byte " << at << " changed";
        }
        Bytes shorter(input.begin(), input.end() - 1);
        Bytes copy = stream;
        EXPECT_EQ(Check(copy, shorter, StreamEnd::Final), 0u);
        Bytes trailing = stream;
        trailing.push_back(0);
        EXPECT_EQ(Check(trailing, input, StreamEnd::Final), 0u);
        Bytes truncated(stream.begin(), stream.end() - 1);
        EXPECT_EQ(Check(truncated, input, StreamEnd::Final), 0u);

        for (std::size_t bit = 0; bit < stream.size() * 8; bit += 7) {
            Bytes flipped = stream;
            flipped[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
            const Bytes original = flipped;
            if (Check(flipped, input, StreamEnd::Final) != 0) {
                const auto [output, whole] = ZlibInflate(original, false);
                EXPECT_TRUE(whole && output == input) << "bit " << bit << " accepted, zlib reads it otherwise";
            }
        }
    }
}

} // namespace
} // namespace ze6
