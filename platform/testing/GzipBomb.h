#pragma once

#include <cstddef>
#include <string>

namespace testing_support {

// For tests and benchmarks: a body that is small on the wire and huge once decoded, as a
// hostile server sends it. `decodedLength` zero bytes, gzip-compressed `layers` times over, to
// be sent with "Content-Encoding" naming "gzip" once per layer (layersHeader()). Two layers
// turn a gibibyte into about two kilobytes.
class GzipBomb {
public:
    GzipBomb(std::size_t decodedLength, int layers = 2);

    const std::string& body() const { return body_; }
    // "gzip, gzip" for two layers.
    std::string layersHeader() const;
    std::size_t decodedLength() const { return decodedLength_; }

private:
    std::size_t decodedLength_;
    int layers_;
    std::string body_;
};

} // namespace testing_support
