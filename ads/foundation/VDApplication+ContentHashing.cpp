#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDContent.h"
#include "ads/foundation/VDContentQueue.h"
#include "ads/foundation/VDNumberStrings.h"
#include "ads/foundation/VDScheduler.h"
#include "ads/foundation/VDViewHierarchyTraverser.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebView.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>

namespace {

// The script that reads a page's visible text; read once. Without it web views give no text.
const std::string& webViewTextScript() {
    static const std::string script = [] {
        auto text = base::Bundle::main().textOfResource(VDApplication::webViewTextScriptName, "js");
        if (!text) {
            base::log("The page text script is missing: " + text.error().localizedDescription());
            return std::string();
        }
        return std::move(text).value();
    }();
    return script;
}

// What a view shows of text to a walk: a web view's body text, a text view's text, else
// nothing.
std::string textOfView(ui::View& view) {
    if (auto* webView = dynamic_cast<ui::WebView*>(&view)) {
        const std::string& script = webViewTextScript();
        return script.empty() ? std::string()
                              : webView->stringByEvaluatingJavaScriptFromString(script);
    }
    if (auto* textView = dynamic_cast<ui::TextView*>(&view))
        return textView->text();
    return {};
}

std::shared_ptr<ui::View> rootViewOfKeyWindow() {
    auto window = ui::Application::shared().keyWindow();
    if (!window || !window->rootViewController() || !window->rootViewController()->isViewLoaded())
        return nullptr;
    return window->rootViewController()->view();
}

// One walk: its content is made at its first visit; the texts go to the content-hashing queue
// in visit order, and a completed walk with a fingerprint enters the content queue after them.
// The blocks run on the main thread and hold the hashing queue weakly (see
// contentQueueSerialQueue_): once the application has let it go, the rest of the walk is
// dropped.
void walk(const std::shared_ptr<VDViewHierarchyTraverser>& traverser,
          const std::weak_ptr<const base::DispatchQueue>& weakSerialQueue,
          const std::shared_ptr<VDContentQueue>& contentQueue) {
    auto content = std::make_shared<std::shared_ptr<VDContent>>();
    traverser->traverseViewTraversalBlockCompletionBlock(
        rootViewOfKeyWindow(),
        [content, weakSerialQueue](const std::shared_ptr<ui::View>& view, std::int64_t number) {
            auto serialQueue = weakSerialQueue.lock();
            if (!serialQueue)
                return;
            if (!*content)
                *content = std::make_shared<VDContent>(std::uint64_t(number));
            serialQueue->async([content = *content, text = textOfView(*view)] {
                content->updateContentWithText(text);
            });
        },
        [content, weakSerialQueue, contentQueue](bool finished) {
            auto serialQueue = weakSerialQueue.lock();
            if (!finished || !*content || !serialQueue)
                return;
            serialQueue->async([content = *content, contentQueue] {
                if (content->fingerprint().empty())
                    return;
                contentQueue->deduplicate(content);
                contentQueue->enqueueContent(content);
            });
        });
}

} // namespace

void VDApplication::startContentHashing() {
    base::assertMainThread();
    std::lock_guard lock(contentHashingLock_);
    if (scheduler_)
        return;
    const auto capacity = vd_numberFromUserDefaults(contentQueueCapacityKey);
    const auto interval = vd_numberFromUserDefaults(traversalIntervalKey);
    const auto size = capacity ? std::uint64_t(std::clamp(std::trunc(*capacity), 0.0,
                                                          double(maximumContentQueueCapacity)))
                               : defaultContentQueueCapacity;
    const double seconds =
        interval ? std::clamp(*interval, minimumTraversalInterval, maximumTraversalInterval)
                 : defaultTraversalInterval;

    // Everything a walk uses is made here and held by the walk task, so that a stop or a
    // restart never pulls anything from under a walk under way.
    auto queue = std::make_shared<const base::DispatchQueue>(contentHashingQueueLabel);
    auto contentQueue = std::make_shared<VDContentQueue>(size);
    auto traverser = VDViewHierarchyTraverser::create();
    serialQueue_ = *queue;
    contentQueue_ = contentQueue;
    contentQueueSerialQueue_ = queue;
    walkTask_ = [traverser, weakQueue = std::weak_ptr<const base::DispatchQueue>(queue),
                 contentQueue] { walk(traverser, weakQueue, contentQueue); };
    scheduler_ = VDScheduler::createWithInterval(base::Seconds(seconds));
    scheduler_->taskIDScheduledOnQueueBlock(base::mainQueue(), walkTask_);
    scheduler_->start();
}

void VDApplication::stopContentHashing() {
    std::shared_ptr<VDScheduler> scheduler;
    {
        std::lock_guard lock(contentHashingLock_);
        serialQueue_.reset();
        walkTask_ = nullptr;
        scheduler = std::move(scheduler_);
    }
    if (scheduler)
        scheduler->stop();
}

bool VDApplication::isContentHashingOn() const {
    std::lock_guard lock(contentHashingLock_);
    return scheduler_ != nullptr;
}

std::optional<std::string> VDApplication::fingerprintWithServedPenaltyDeduction() {
    std::shared_ptr<VDContentQueue> contentQueue;
    std::shared_ptr<const base::DispatchQueue> queue;
    {
        std::lock_guard lock(contentHashingLock_);
        contentQueue = contentQueue_;
        queue = contentQueueSerialQueue_;
    }
    if (!contentQueue || !queue)
        return std::nullopt;
    return queue->syncResult([&]() -> std::optional<std::string> {
        auto content = contentQueue->contentWithHighestScore();
        if (!content)
            return std::nullopt;
        content->deductServedPenalty();
        return content->fingerprint();
    });
}

std::shared_ptr<VDContentQueue> VDApplication::contentQueue() const {
    std::lock_guard lock(contentHashingLock_);
    return contentQueue_;
}

std::optional<base::DispatchQueue> VDApplication::contentQueueSerialQueue() const {
    std::lock_guard lock(contentHashingLock_);
    if (!contentQueueSerialQueue_)
        return std::nullopt;
    return *contentQueueSerialQueue_;
}

void VDApplication::walkViewHierarchyForTesting() {
    std::function<void()> task;
    {
        std::lock_guard lock(contentHashingLock_);
        task = walkTask_;
    }
    if (task)
        task();
}
