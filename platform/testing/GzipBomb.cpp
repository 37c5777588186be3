#include "platform/testing/GzipBomb.h"

#include <algorithm>
#include <stdexcept>
#include <zlib.h>

namespace testing_support {

namespace {

// Compresses `length` bytes produced by `fill` (called for each block) into gzip form.
template <class Fill> std::string gzip(std::size_t length, Fill&& fill) {
    z_stream stream{};
    // 15 window bits + 16: a gzip wrapper rather than zlib's.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out;
    std::string block;
    char buffer[64 * 1024];
    std::size_t done = 0;
    int flush = Z_NO_FLUSH;
    do {
        std::size_t size = fill(done, block);
        done += size;
        flush = done >= length ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(block.data());
        stream.avail_in = uInt(size);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&stream);
    return out;
}

} // namespace

GzipBomb::GzipBomb(std::size_t decodedLength, int layers)
    : decodedLength_(decodedLength)
    , layers_(layers) {
    constexpr std::size_t blockSize = 1 << 20;
    body_ = gzip(decodedLength, [&](std::size_t done, std::string& block) {
        std::size_t size = std::min(blockSize, decodedLength - done);
        block.assign(size, '\0');
        return size;
    });
    for (int layer = 1; layer < layers; ++layer) {
        std::string inner = std::move(body_);
        body_ = gzip(inner.size(), [&](std::size_t done, std::string& block) {
            std::size_t size = std::min(blockSize, inner.size() - done);
            block.assign(inner, done, size);
            return size;
        });
    }
}

std::string GzipBomb::layersHeader() const {
    std::string header;
    for (int layer = 0; layer < layers_; ++layer)
        header += layer ? ", gzip" : "gzip";
    return header;
}

} // namespace testing_support
