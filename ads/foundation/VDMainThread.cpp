#include "ads/foundation/VDMainThread.h"

#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"

void VDRunSyncOnMainThread(const std::function<void()>& block) {
    if (!block)
        return;
    if (base::isMainThread())
        block();
    else
        base::mainQueue().sync(block);
}

void VDRunAsyncOnMainThread(std::function<void()> block) {
    if (!block)
        return;
    if (base::isMainThread())
        block();
    else
        base::mainQueue().async(std::move(block));
}
