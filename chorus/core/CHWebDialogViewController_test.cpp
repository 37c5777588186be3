#include "chorus/core/CHError.h"
#include "chorus/core/CHWebDialogViewController.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Outcome = CHWebDialogViewController::Outcome;

class CHWebDialogTest : public ChorusTest {
protected:
    std::shared_ptr<CHWebDialogViewController> present() {
        auto dialog =
            CHWebDialogViewController::create(*base::URL::parse(server.url("/dialog/feed?x=1")),
                                              "Title", [this](const Outcome& outcome) {
                                                  // The dialog has gone when its handler hears.
                                                  EXPECT_FALSE(shownDialog());
                                                  outcomes.push_back(outcome);
                                              });
        dialog->presentModally(true);
        return dialog;
    }
    ui::FakeWebEngine& engine(CHWebDialogViewController& dialog) {
        return ui::FakeWebEngine::of(*dialog.webView());
    }

    std::vector<Outcome> outcomes;
};

TEST_F(CHWebDialogTest, ItShowsItsPageOverTheTopMostScreenAndEndsOnceAtTheRedirect) {
    auto cover = ui::ViewController::create();
    root->presentViewController(cover, false);
    settle();
    auto dialog = present();
    EXPECT_EQ(dialog->presentingViewController(), cover);
    ASSERT_EQ(engine(*dialog).loads().size(), 1u);
    EXPECT_EQ(std::get<net::URLRequest>(engine(*dialog).loads()[0]).url()->absoluteString(),
              server.url("/dialog/feed?x=1"));
    EXPECT_EQ(dialog->titleLabel()->text(), "Title");

    // The page's own steps load; other schemes never leave the dialog.
    EXPECT_EQ(engine(*dialog).raiseNavigation(*base::URL::parse(server.url("/next")),
                                              ui::WebViewNavigationType::LinkClicked),
              true);
    EXPECT_EQ(engine(*dialog).raiseNavigation(*base::URL::parse("mailto:a@b.c"),
                                              ui::WebViewNavigationType::LinkClicked),
              false);
    // A load replaced by another is no failure.
    engine(*dialog).raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorCancelled));
    EXPECT_FALSE(dialog->hasEnded());

    EXPECT_EQ(engine(*dialog).raiseNavigation(*base::URL::parse("chconnect://success?post_id=9"),
                                              ui::WebViewNavigationType::FormSubmitted),
              false);
    EXPECT_TRUE(outcomes.empty()) << "heard before the dialog went";
    // Whatever comes after the end changes nothing.
    dialog->close();
    engine(*dialog).raiseFailLoad(base::Error::make(base::URLErrorDomain, base::URLErrorTimedOut));
    settle();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, Outcome::Kind::Redirected);
    EXPECT_EQ(outcomes[0].url->absoluteString(), "chconnect://success?post_id=9");
    EXPECT_EQ(cover->presentedViewController(), nullptr);
}

TEST_F(CHWebDialogTest, ADialogThatCannotBeShownFailsOnTheNextTurn) {
    auto busy = ui::ViewController::create();
    root->presentViewController(busy, true); // still in its transition
    window->setRootViewController(nullptr);
    auto dialog = present();
    EXPECT_TRUE(outcomes.empty());
    base::RunLoop::main().runUntilIdle();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, Outcome::Kind::Failed);
    EXPECT_TRUE(dialog->hasEnded());
}

TEST(CHWebDialogRedirectTest, OnlyTheRedirectAddressEndsADialog) {
    const struct {
        const char* address;
        bool redirect;
    } cases[] = {
        {"chconnect://success", true},
        {"chconnect://success/?post_id=1", true},
        {"CHCONNECT://success#access_token=x", true},
        {"chconnect://successful", false},
        {"chconnect://success/more", false},
        {"https://success/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHWebDialogViewController::isRedirect(*base::URL::parse(c.address)), c.redirect)
            << c.address;
}

} // namespace
