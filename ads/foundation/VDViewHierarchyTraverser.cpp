#include "ads/foundation/VDViewHierarchyTraverser.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/View.h"

#include <vector>

std::shared_ptr<VDViewHierarchyTraverser> VDViewHierarchyTraverser::create() {
    return std::make_shared<VDViewHierarchyTraverser>(Private());
}

VDViewHierarchyTraverser::VDViewHierarchyTraverser(Private)
    : SDKLowPrioritySerialQueue_(queueLabel) {}

void VDViewHierarchyTraverser::traverseViewTraversalBlockCompletionBlock(
    const std::shared_ptr<ui::View>& root, TraversalBlock traversalBlock,
    CompletionBlock completionBlock) {
    base::assertMainThread();
    if (traversing_ || !root || !traversalBlock || !completionBlock) {
        if (completionBlock)
            base::mainQueue().async([completionBlock] { completionBlock(false); });
        return;
    }
    traversing_ = true;
    const std::int64_t walk = ++sequenceNumber_;

    auto visit = std::make_shared<TraversalBlock>(std::move(traversalBlock));
    // Every queued block holds the queue and the traverser: the queue is then never let go
    // (and joined) by the main thread while a visit waits for that thread.
    auto self = shared_from_this();
    const base::DispatchQueue queue = SDKLowPrioritySerialQueue_;
    std::vector<std::shared_ptr<ui::View>> stack{root};
    while (!stack.empty()) {
        std::shared_ptr<ui::View> view = std::move(stack.back());
        stack.pop_back();
        queue.async([queue, self, visit, walk, weakView = std::weak_ptr<ui::View>(view)] {
            base::mainQueue().sync([&] {
                if (auto view = weakView.lock())
                    (*visit)(view, walk);
            });
        });
        for (const auto& subview : view->subviews())
            stack.push_back(subview);
    }
    queue.async([queue, self, completionBlock = std::move(completionBlock)] {
        base::mainQueue().async([self, completionBlock] {
            completionBlock(true);
            self->traversing_ = false;
        });
    });
}
