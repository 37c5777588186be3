#pragma once

#include <string>

// Extras a host hands an ad network through a request: each kind is kept in the request under
// its class name, one object per kind.
class VDAdNetworkExtras {
public:
    virtual ~VDAdNetworkExtras() = default;
    virtual std::string className() const = 0;
};
