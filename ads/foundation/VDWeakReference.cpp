#include "ads/foundation/VDWeakReference.h"

#include <cstdio>

VDWeakReference::VDWeakReference(const std::shared_ptr<const void>& object, const void* address,
                                 const std::type_info& type)
    : object_(object)
    , uniqueID_(reinterpret_cast<std::uintptr_t>(address))
    , type_(&type) {}

bool VDWeakReference::isEqual(const VDWeakReference& other) const {
    if (uniqueID_ != other.uniqueID_)
        return false;
    // Same control block: the same object, not a later one at a reused address. The block
    // outlives the object while references hold it, so a dead reference still equals itself.
    return !object_.owner_before(other.object_) && !other.object_.owner_before(object_);
}

std::string VDWeakReference::description() const {
    auto object = object_.lock();
    char buffer[160];
    if (object)
        std::snprintf(buffer, sizeof buffer, "<VDWeakReference: %p weakObject:%p uniqueID:%p>",
                      static_cast<const void*>(this), object.get(),
                      reinterpret_cast<const void*>(uniqueID_));
    else
        std::snprintf(buffer, sizeof buffer, "<VDWeakReference: %p weakObject:(null) uniqueID:%p>",
                      static_cast<const void*>(this), reinterpret_cast<const void*>(uniqueID_));
    return buffer;
}
