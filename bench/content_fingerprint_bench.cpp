// One content-fingerprint walk over a tree of 1,000 views, a third of them text views with a
// paragraph of text, as the ads client runs it (the tree listed, each view visited in a main
// thread turn of its own through the low-priority queue, the text hashed on the
// content-hashing queue, the walk queued), beside a bare recursive walk of the same tree that
// hashes the same texts in place; the ratio of the two (ours / bare walk).

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDContentQueue.h"
#include "bench/RatioReporter.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr int kViews = 1000;

std::string paragraph(int index) {
    static const char* words[] = {"river",  "bridge",  "market", "council", "weather",
                                  "school", "harbour", "train",  "garden",  "festival"};
    std::string text;
    for (int i = 0; i < 24; ++i) {
        text += words[(index * 7 + i * 3) % 10];
        text += i % 6 == 5 ? ". " : " ";
    }
    return text;
}

// 1,000 views: ten columns of ten rows of ten views (counting the containers), every third
// leaf a text view.
struct Tree {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::View> root;

    Tree() {
        window = ui::Window::create(ui::Rect(0, 0, 320, 480));
        auto controller = std::make_shared<ui::ViewController>();
        window->setRootViewController(controller);
        window->makeKeyAndVisible();
        root = controller->view();
        int made = 1;
        int leaf = 0;
        while (made < kViews) {
            auto column = ui::View::create();
            root->addSubview(column);
            ++made;
            for (int row = 0; row < 10 && made < kViews; ++row) {
                auto line = ui::View::create();
                column->addSubview(line);
                ++made;
                for (int i = 0; i < 8 && made < kViews; ++i, ++made, ++leaf) {
                    if (leaf % 3 == 0) {
                        auto text = std::make_shared<ui::TextView>();
                        text->setText(paragraph(leaf));
                        line->addSubview(text);
                    } else {
                        line->addSubview(ui::View::create());
                    }
                }
            }
        }
    }
};

Tree& tree() {
    static Tree shared;
    return shared;
}

void BM_Walk_ContentHashing(benchmark::State& state) {
    tree();
    auto application = VDApplication::sharedInstance();
    application->startContentHashing();
    std::uint64_t walk = 0;
    for (auto _ : state) {
        ++walk;
        application->walkViewHierarchyForTesting();
        // The walk is done once its content is queued (it replaces the previous, a duplicate).
        const bool done = base::RunLoop::main().runUntil(
            [&] {
                return application->contentQueueSerialQueue()->syncResult([&] {
                    return application->contentQueue()->contentWithSequenceNumber(walk) != nullptr;
                });
            },
            60s);
        if (!done) {
            state.SkipWithError("the walk did not complete");
            break;
        }
    }
    application->stopContentHashing();
    base::resetProcessServicesForTesting();
}

void collect(ui::View& view, VDContent& content) {
    if (auto* text = dynamic_cast<ui::TextView*>(&view))
        content.updateContentWithText(text->text());
    for (auto it = view.subviews().rbegin(); it != view.subviews().rend(); ++it)
        collect(**it, content);
}

void BM_Walk_BareAndHash(benchmark::State& state) {
    auto& views = tree();
    std::uint64_t walk = 0;
    for (auto _ : state) {
        VDContent content(++walk);
        collect(*views.root, content);
        benchmark::DoNotOptimize(content.fingerprint());
    }
}

BENCHMARK(BM_Walk_ContentHashing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Walk_BareAndHash)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("walk / bare walk + hashing, 1,000 views",
                  {{"BM_Walk_ContentHashing/real_time", "BM_Walk_BareAndHash/real_time"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
