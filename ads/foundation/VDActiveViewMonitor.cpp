#include "ads/foundation/VDActiveViewMonitor.h"

#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDScheduler.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

std::shared_ptr<VDActiveViewMonitor>
VDActiveViewMonitor::createWithView(const std::shared_ptr<ui::View>& view,
                                    SamplingInterval interval) {
    if (!view)
        return nullptr;
    return std::make_shared<VDActiveViewMonitor>(Private(), view, std::move(interval));
}

VDActiveViewMonitor::VDActiveViewMonitor(Private, const std::shared_ptr<ui::View>& view,
                                         SamplingInterval interval)
    : monitoredView_(view)
    , samplingInterval_(std::move(interval)) {}

VDActiveViewMonitor::~VDActiveViewMonitor() {
    stopMonitoring();
}

void VDActiveViewMonitor::startMonitoring() {
    const base::Seconds interval =
        samplingInterval_ ? samplingInterval_() : base::Seconds(defaultSamplingInterval);
    std::shared_ptr<VDScheduler> created;
    {
        std::lock_guard guard(lock_);
        if (updateViewBoundsScheduler_)
            return;
        created = VDScheduler::createWithInterval(interval);
        updateViewBoundsScheduler_ = created;
    }
    VDRunAsyncOnMainThread([weakSelf = weak_from_this(), created] {
        created->taskIDScheduledOnQueueBlock(base::mainQueue(), [weakSelf] {
            if (auto self = weakSelf.lock())
                self->updateViewBounds();
        });
        created->start();
    });
}

void VDActiveViewMonitor::sample() {
    VDRunAsyncOnMainThread([weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock())
            self->updateViewBounds();
    });
}

void VDActiveViewMonitor::stopMonitoring() {
    std::shared_ptr<VDScheduler> scheduler;
    {
        std::lock_guard guard(lock_);
        scheduler = std::move(updateViewBoundsScheduler_);
    }
    if (scheduler)
        VDRunAsyncOnMainThread([scheduler] { scheduler->stop(); });
}

bool VDActiveViewMonitor::isMonitoring() const {
    std::lock_guard guard(lock_);
    return updateViewBoundsScheduler_ != nullptr;
}

std::pair<ui::Rect, bool>
VDActiveViewMonitor::visibleBoundsOfView(const std::shared_ptr<ui::View>& view) {
    if (!view)
        return {ui::Rect::zero(), false};
    auto window = view->window();
    bool visible = !view->isHidden() && window && !window->isHidden() &&
                   ui::Application::shared().applicationState() == ui::ApplicationState::Active;
    ui::Rect rect = view->convertRectToView(view->bounds(), nullptr);
    if (window) {
        for (ui::View* ancestor = view->superviewPointer(); ancestor;
             ancestor = ancestor->superviewPointer()) {
            if (visible && ancestor->isHidden())
                visible = false;
            if (ancestor->clipsToBounds()) {
                rect = ancestor->convertRectToView(ancestor->bounds(), nullptr).intersection(rect);
                if (rect.isNull()) {
                    rect = ui::Rect::zero();
                    break;
                }
            }
        }
        rect = rect.intersection(window->bounds());
    } else {
        rect = ui::Rect::zero();
    }
    // Rectangles that only touch (an ad scrolled just out of its scroll view) meet in a line:
    // nothing of the view is seen.
    if (rect.isEmpty())
        rect = ui::Rect::zero();
    if (rect == ui::Rect::zero())
        visible = false;
    return {rect, visible};
}

void VDActiveViewMonitor::updateViewBounds() {
    base::assertMainThread();
    const auto [rect, visible] = visibleBoundsOfView(monitoredView());
    {
        std::lock_guard guard(lock_);
        monitoredViewVisibleBounds_ = rect;
        monitoredViewVisible_ = visible;
    }
    if (auto delegate = this->delegate())
        delegate->didRefreshActiveViewMonitor(*this);
}

ui::Rect VDActiveViewMonitor::monitoredViewVisibleBounds() const {
    std::lock_guard guard(lock_);
    return monitoredViewVisibleBounds_;
}

bool VDActiveViewMonitor::isMonitoredViewVisible() const {
    std::lock_guard guard(lock_);
    return monitoredViewVisible_;
}

std::shared_ptr<VDActiveViewMonitorDelegate> VDActiveViewMonitor::delegate() const {
    std::lock_guard guard(lock_);
    return delegate_.lock();
}

void VDActiveViewMonitor::setDelegate(std::weak_ptr<VDActiveViewMonitorDelegate> delegate) {
    std::lock_guard guard(lock_);
    delegate_ = std::move(delegate);
}
