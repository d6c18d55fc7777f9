#pragma once

#include <cstddef>

namespace ze6 {

// How a checked stream is to end.
enum class StreamEnd {
    Final,    // as the compressor left it: its last block is marked final
    Joinable, // like a sync flush, so that another stream can follow it
};

// Room a checked stream needs beyond its size: the check reads a word at a
// time, and a joinable stream grows by up to five bytes.
constexpr std::size_t kStreamCheckSlack = 16;

// Reads a raw deflate stream the way an inflater does and checks that it
// expands to exactly `expected`, without expanding it anywhere: a literal must
// be the expected byte, and a match must repeat bytes of `expected` that were
// already found equal to what the stream expands to. So one pass both checks
// the stream and finds its shape.
//
// With StreamEnd::Joinable the final block is marked ordinary and an empty
// stored block is written after it on a byte boundary as the check passes
// them, and the check reads on through what it wrote: what is checked is the
// stream exactly as it will be used.
//
// `stream` needs kStreamCheckSlack bytes of room beyond `size`; their content
// does not matter. Returns the stream's size afterwards, or 0 when it does
// not expand to `expected`, is not a valid stream, or has bytes after its end.
std::size_t CheckDeflateStream(unsigned char* stream, std::size_t size, const unsigned char* expected,
                               std::size_t expectedSize, StreamEnd end);

} // namespace ze6
