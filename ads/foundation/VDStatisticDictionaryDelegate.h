#pragma once

#include "platform/base/DispatchQueue.h"

#include <memory>
#include <optional>

class VDStatisticDictionary;

// What a statistics dictionary tells about its notifying changes.
class VDStatisticDictionaryDelegate {
public:
    virtual ~VDStatisticDictionaryDelegate() = default;

    // The serial queue on which the delegate wants to be told; nullopt: never tell it.
    virtual std::optional<base::DispatchQueue> notificationQueue() = 0;
    // One call, on notificationQueue(), for each burst of notifying changes.
    virtual void didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>&) = 0;
};
