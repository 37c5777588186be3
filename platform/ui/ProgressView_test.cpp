#include "platform/ui/ProgressView.h"

#include <gtest/gtest.h>
#include <limits>

namespace ui {
namespace {

TEST(ProgressView, ProgressIsClampedAndKeptWhileHidden) {
    auto bar = ProgressView::create(Rect(0, 0, 320, 2));
    bar->setProgress(0.25);
    // A tab's fetch: small steps up to 0.75 while the bar may be hidden and shown again.
    bar->setHidden(true);
    for (int i = 0; i < 20; ++i)
        if (bar->progress() < 0.75)
            bar->setProgress(bar->progress() + 0.05);
    bar->setHidden(false);
    EXPECT_NEAR(bar->progress(), 0.75, 1e-9);

    bar->setProgress(1.7, true);
    EXPECT_EQ(bar->progress(), 1.0);
    bar->setProgress(-0.2);
    EXPECT_EQ(bar->progress(), 0.0);
    bar->setProgress(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(bar->progress(), 0.0);
}

} // namespace
} // namespace ui
