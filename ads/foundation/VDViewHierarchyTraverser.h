#pragma once

#include "platform/base/DispatchQueue.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace ui {
class View;
}

// Walks a view tree for content fingerprints without holding up the main thread: the tree is
// listed at once (depth-first, front-most subview first), then each view is visited in a main
// thread turn of its own, each visit posting the next behind whatever the main loop has
// waiting, so that other main-thread work runs between visits. A view that has gone away by
// its turn is skipped.
//
// traverseViewTraversalBlockCompletionBlock is called on the main thread, where the blocks
// run. Pending visits keep the traverser alive until the walk has completed; a walk under way
// when the main loop goes away goes with it, and no other thread is left to post to it.
class VDViewHierarchyTraverser : public std::enable_shared_from_this<VDViewHierarchyTraverser> {
    struct Private {};

public:
    using TraversalBlock =
        std::function<void(const std::shared_ptr<ui::View>& view, std::int64_t sequenceNumber)>;
    using CompletionBlock = std::function<void(bool finished)>;

    static std::shared_ptr<VDViewHierarchyTraverser> create();
    explicit VDViewHierarchyTraverser(Private);
    VDViewHierarchyTraverser(const VDViewHierarchyTraverser&) = delete;
    VDViewHierarchyTraverser& operator=(const VDViewHierarchyTraverser&) = delete;

    // Starts walk number sequenceNumber() + 1 from the view: every visit runs the traversal
    // block, then the completion block gets true. When a walk is already running, or the view
    // or a block is missing, the completion block gets false in a later main-thread turn and
    // nothing else happens.
    void traverseViewTraversalBlockCompletionBlock(const std::shared_ptr<ui::View>& view,
                                                   TraversalBlock traversalBlock,
                                                   CompletionBlock completionBlock);

    // Main thread.
    bool isTraversing() const { return traversing_; }
    std::int64_t sequenceNumber() const { return sequenceNumber_; }

private:
    struct Walk;
    static void visitNext(std::shared_ptr<VDViewHierarchyTraverser> self,
                          std::shared_ptr<Walk> walk);

    bool traversing_ = false;
    std::int64_t sequenceNumber_ = 0;
};
