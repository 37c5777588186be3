#include "ads/foundation/VDViewHierarchyTraverser.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/View.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class VDViewHierarchyTraverserTest : public testing_support::PlatformTest {
protected:
    static std::shared_ptr<ui::View> tagged(std::int64_t tag) {
        auto view = ui::View::create();
        view->setTag(tag);
        return view;
    }
    // Turns the main loop (the visits take a turn each) until the completion has run.
    static void waitFor(const std::optional<bool>& finished) {
        ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return finished.has_value(); }, 10s));
    }
};

TEST_F(VDViewHierarchyTraverserTest, VisitsDepthFirstFrontMostSubviewFirst) {
    // 1 ── 2 ── 4
    //   │    └─ 5
    //   └─ 3
    auto root = tagged(1);
    auto back = tagged(2);
    back->addSubview(tagged(4));
    back->addSubview(tagged(5));
    root->addSubview(back);
    root->addSubview(tagged(3));

    auto traverser = VDViewHierarchyTraverser::create();
    for (std::int64_t walk = 1; walk <= 2; ++walk) {
        std::vector<std::int64_t> visited;
        std::optional<bool> finished;
        traverser->traverseViewTraversalBlockCompletionBlock(
            root,
            [&](const std::shared_ptr<ui::View>& view, std::int64_t number) {
                EXPECT_TRUE(base::isMainThread());
                EXPECT_EQ(number, walk);
                visited.push_back(view->tag());
            },
            [&](bool done) { finished = done; });
        EXPECT_TRUE(traverser->isTraversing());
        waitFor(finished);
        EXPECT_EQ(finished, true);
        EXPECT_EQ(visited, (std::vector<std::int64_t>{1, 3, 2, 5, 4}));
        EXPECT_FALSE(traverser->isTraversing());
        EXPECT_EQ(traverser->sequenceNumber(), walk);
    }
}

TEST_F(VDViewHierarchyTraverserTest, AWalkThatCannotStartCompletesUnfinishedLater) {
    auto traverser = VDViewHierarchyTraverser::create();
    auto root = tagged(1);
    root->addSubview(tagged(2));
    std::optional<bool> first;
    int visits = 0;
    traverser->traverseViewTraversalBlockCompletionBlock(
        root, [&](const auto&, std::int64_t) { ++visits; }, [&](bool done) { first = done; });

    std::optional<bool> busy;
    std::optional<bool> noView;
    std::optional<bool> noBlock;
    traverser->traverseViewTraversalBlockCompletionBlock(
        root, [&](const auto&, std::int64_t) { ADD_FAILURE(); }, [&](bool done) { busy = done; });
    traverser->traverseViewTraversalBlockCompletionBlock(
        nullptr, [&](const auto&, std::int64_t) {}, [&](bool done) { noView = done; });
    traverser->traverseViewTraversalBlockCompletionBlock(root, nullptr,
                                                         [&](bool done) { noBlock = done; });
    EXPECT_FALSE(busy.has_value()); // not before a later turn
    waitFor(first);
    waitFor(busy);
    waitFor(noView);
    waitFor(noBlock);
    EXPECT_EQ(first, true);
    EXPECT_EQ(busy, false);
    EXPECT_EQ(noView, false);
    EXPECT_EQ(noBlock, false);
    EXPECT_EQ(visits, 2);
    EXPECT_EQ(traverser->sequenceNumber(), 1);
}

TEST_F(VDViewHierarchyTraverserTest, ViewsGoneBeforeTheirTurnAreSkipped) {
    auto root = tagged(1);
    auto child = tagged(2);
    root->addSubview(child);
    std::weak_ptr<ui::View> weakChild = child;
    child.reset();
    std::vector<std::int64_t> visited;
    std::optional<bool> finished;
    {
        auto traverser = VDViewHierarchyTraverser::create();
        traverser->traverseViewTraversalBlockCompletionBlock(
            root,
            [&](const std::shared_ptr<ui::View>& view, std::int64_t) {
                visited.push_back(view->tag());
                // The child goes away while the walk is under way.
                root->subviews().front()->removeFromSuperview();
            },
            [&](bool done) { finished = done; });
    } // the walk keeps its traverser
    waitFor(finished);
    EXPECT_EQ(finished, true);
    EXPECT_EQ(visited, std::vector<std::int64_t>{1});
    EXPECT_TRUE(weakChild.expired());
}

TEST_F(VDViewHierarchyTraverserTest, AWalkUnderWayEndsWithTheMainLoopsWork) {
    auto root = tagged(1);
    for (int i = 0; i < 20; ++i)
        root->addSubview(tagged(i + 2));
    int visits = 0;
    bool completed = false;
    std::weak_ptr<VDViewHierarchyTraverser> watcher;
    {
        auto traverser = VDViewHierarchyTraverser::create();
        watcher = traverser;
        traverser->traverseViewTraversalBlockCompletionBlock(
            root, [&](const auto&, std::int64_t) { ++visits; }, [&](bool) { completed = true; });
    }
    // The loop's work is dropped, as when the process ends.
    base::RunLoop::main().reset();
    // Nothing elsewhere holds the walk or will post the rest of it.
    EXPECT_TRUE(watcher.expired());
    EXPECT_FALSE(base::RunLoop::main().hasReadyWork());
    EXPECT_EQ(visits, 0);
    EXPECT_FALSE(completed);
}

} // namespace
