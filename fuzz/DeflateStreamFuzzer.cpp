// Any byte string as a raw deflate stream, read by zlib and by the archive
// writer's stream check side by side: the check must accept exactly the
// whole streams zlib reads to the end, must refuse any other expected bytes,
// and the stream it makes joinable must still read the same under zlib.
#include "platform/archive/DeflateStreamCheck.h"

#include <cstdint>
#include <cstdlib>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::vector<unsigned char>;

// zlib's reading: the output, and whether the stream ended where the input did.
bool Inflate(const Bytes& stream, int flush, Bytes& output)
{
    z_stream inflater{};
    if (inflateInit2(&inflater, -15) != Z_OK)
        std::abort();
    output.assign(256 * 1024, 0);
    inflater.next_in = const_cast<unsigned char*>(stream.data());
    inflater.avail_in = static_cast<uInt>(stream.size());
    inflater.next_out = output.data();
    inflater.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&inflater, flush);
    const bool whole = (flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK) && inflater.avail_in == 0;
    output.resize(inflater.total_out);
    inflateEnd(&inflater);
    return whole;
}

std::size_t Check(Bytes stream, const Bytes& expected, ze6::StreamEnd end, Bytes* changed = nullptr)
{
    const std::size_t size = stream.size();
    stream.resize(size + ze6::kStreamCheckSlack, 0xA5);
    const std::size_t checked = ze6::CheckDeflateStream(stream.data(), size, expected.data(), expected.size(), end);
    if (changed != nullptr)
        changed->assign(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(checked));
    return checked;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Bytes stream(data, data + size);
    Bytes output;
    const bool whole = Inflate(stream, Z_FINISH, output);
    // What zlib read, whole or not, is the expected content.
    if ((Check(stream, output, ze6::StreamEnd::Final) != 0) != whole)
        std::abort();
    if (!whole)
        return 0;
    if (!output.empty()) {
        Bytes other = output;
        other[other.size() / 2] ^= 1;
        if (Check(stream, other, ze6::StreamEnd::Final) != 0)
            std::abort();
    }
    Bytes joined;
    if (Check(stream, output, ze6::StreamEnd::Joinable, &joined) == 0)
        std::abort();
    Bytes again;
    if (!Inflate(joined, Z_SYNC_FLUSH, again) || again != output)
        std::abort();
    return 0;
}
