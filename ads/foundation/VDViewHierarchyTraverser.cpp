#include "ads/foundation/VDViewHierarchyTraverser.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/View.h"

#include <vector>

std::shared_ptr<VDViewHierarchyTraverser> VDViewHierarchyTraverser::create() {
    return std::make_shared<VDViewHierarchyTraverser>(Private());
}

struct VDViewHierarchyTraverser::Walk {
    std::int64_t number = 0;
    // In visit order; held weakly, so that a view that goes away is not kept for its turn.
    std::vector<std::weak_ptr<ui::View>> views;
    std::size_t next = 0;
    TraversalBlock visit;
    CompletionBlock completion;
};

VDViewHierarchyTraverser::VDViewHierarchyTraverser(Private) {}

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
    auto walk = std::make_shared<Walk>();
    walk->number = ++sequenceNumber_;
    walk->visit = std::move(traversalBlock);
    walk->completion = std::move(completionBlock);
    std::vector<std::shared_ptr<ui::View>> stack{root};
    while (!stack.empty()) {
        std::shared_ptr<ui::View> view = std::move(stack.back());
        stack.pop_back();
        walk->views.push_back(view);
        for (const auto& subview : view->subviews())
            stack.push_back(subview);
    }
    base::mainQueue().async(
        [self = shared_from_this(), walk = std::move(walk)] { visitNext(self, walk); });
}

void VDViewHierarchyTraverser::visitNext(std::shared_ptr<VDViewHierarchyTraverser> self,
                                         std::shared_ptr<Walk> walk) {
    if (walk->next == walk->views.size()) {
        walk->completion(true);
        self->traversing_ = false;
        return;
    }
    if (auto view = walk->views[walk->next++].lock())
        walk->visit(view, walk->number);
    base::mainQueue().async(
        [self = std::move(self), walk = std::move(walk)] { visitNext(self, walk); });
}
