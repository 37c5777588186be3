#include "browser/BrowserViewController.h"
#include "browser/Tab.h"

#include <cstdint>

namespace {

// A scroll step back toward the top longer than this brings the toolbar back at once.
constexpr double quickScrollBack = 20.0;

// The web view keeps its origin and width and takes the height.
void setHeight(ui::View& view, double height) {
    ui::Rect frame = view.frame();
    frame.size.height = height;
    view.setFrame(frame);
}

} // namespace

void BrowserViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
    auto web = webView();
    if (!web || web->scrollView().get() != &scrollView)
        return;
    // The web view's height with the toolbar shown, and with it hidden.
    const auto shownHeight = static_cast<std::int32_t>(webViewTemplate_->frame().size.height);
    const auto hiddenHeight =
        static_cast<std::int32_t>(shownHeight + bottomBar_->frame().size.height);
    const double y = scrollView.contentOffset().y;
    const bool towardTop = static_cast<double>(lastScrollContentOffset_) > y;

    if (saveScrollPosition_)
        selectedTab_->setScrollPosition(static_cast<std::int32_t>(y));

    if (!isPad()) {
        // The toolbar's alpha is 1 while shown and 0 while hidden; animations set their target
        // at once, so a fade under way already counts as done.
        std::weak_ptr<ui::WebView> weakWeb = web;
        const double alpha = bottomBar_->alpha();
        if (towardTop && y - static_cast<double>(lastScrollContentOffset_) < -quickScrollBack &&
            alpha == 0.0) {
            ui::View::animate(
                0.5, 0, ui::ViewAnimationOptionCurveEaseOut,
                [bar = bottomBar_] { bar->setAlpha(1.0); },
                [weakWeb, shownHeight](bool finished) {
                    if (auto view = weakWeb.lock(); view && finished)
                        setHeight(*view, shownHeight);
                });
            topBar_->setFrame(ui::Rect(ui::Point(0, 0), topBar_->frame().size));
        } else if (y > 0.0 &&
                   y + scrollView.frame().size.height < scrollView.contentSize().height) {
            if (!towardTop && alpha == 1.0) {
                setHeight(*web, hiddenHeight);
                ui::View::animate(1.0, 0, ui::ViewAnimationOptionCurveEaseIn,
                                  [bar = bottomBar_] { bar->setAlpha(0.0); });
            }
        } else if (alpha == 0.0) {
            // At the page's top or end: the toolbar comes back, and at the end the page is
            // scrolled so that its end stays in view above it.
            ui::View::animate(
                0.5, 0, ui::ViewAnimationOptionCurveEaseOut,
                [bar = bottomBar_] { bar->setAlpha(1.0); },
                [weakWeb, shownHeight](bool finished) {
                    auto view = weakWeb.lock();
                    if (!view || !finished)
                        return;
                    setHeight(*view, shownHeight);
                    const auto& scroll = view->scrollView();
                    if (scroll->contentOffset().y > 0.0)
                        scroll->setContentOffset(
                            ui::Point(0, scroll->contentSize().height - view->frame().size.height),
                            false);
                });
        }

        // The top bar follows the top of the page: fully shown at the offset of scrollToTop,
        // just above the screen at 0, and left where it is while the page goes back toward the
        // top below that.
        const ui::Size bar = topBar_->frame().size;
        if (y >= -bar.height && (y <= 0.0 || !towardTop))
            topBar_->setFrame(ui::Rect(0, -bar.height - y, bar.width, bar.height));
    }
    lastScrollContentOffset_ = static_cast<std::int64_t>(y);
}

void BrowserViewController::showHideView() {
    ui::View::animate(
        1.0, 0, ui::ViewAnimationOptionCurveEaseIn, [bar = bottomBar_] { bar->setAlpha(0.0); },
        [bar = bottomBar_](bool) {
            ui::View::animate(1.0, 1.0, ui::ViewAnimationOptionCurveEaseOut,
                              [bar] { bar->setAlpha(1.0); });
        });
}
