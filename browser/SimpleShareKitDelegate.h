#pragma once

#include <cstdint>

// What a sharing screen hears from its ShareKit: each share's outcome as a numbered code (see
// ShareKit.h for the codes).
class SimpleShareKitDelegate {
public:
    virtual ~SimpleShareKitDelegate() = default;
    // The share was done; the code says which.
    virtual void shareKitSharingFinished(std::int32_t code) = 0;
    // The share did not happen; the code says why.
    virtual void shareKitSharingFailed(std::int32_t code) = 0;
};
