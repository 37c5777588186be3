#include "platform/ui/ActivityIndicatorView.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(ActivityIndicatorView, HiddenWhileStoppedUnlessToldOtherwise) {
    auto spinner = ActivityIndicatorView::create(ActivityIndicatorViewStyle::Gray);
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_EQ(spinner->frame().size, Size(20, 20));
    spinner->startAnimating();
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(spinner->isHidden());
    spinner->stopAnimating();
    EXPECT_TRUE(spinner->isHidden());

    spinner->setHidesWhenStopped(false);
    spinner->setHidden(false);
    spinner->startAnimating();
    spinner->stopAnimating();
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());
}

} // namespace
} // namespace ui
