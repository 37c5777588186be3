#include "browser/ShareKit.h"
#include "chorus/ui/CHFriendPickerViewController.h"
#include "platform/testing/LogCapture.h"
#include "platform/ui/FakeShareService.h"
#include "platform/ui/Image.h"
#include "platform/ui/Pasteboard.h"
#include "platform/ui/PhotoAlbum.h"
#include "tests/fixtures/chorus/ChorusTest.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Outcomes = std::vector<std::string>;

class RecordingDelegate : public SimpleShareKitDelegate {
public:
    void shareKitSharingFinished(std::int32_t code) override {
        outcomes.push_back("finished " + std::to_string(code));
    }
    void shareKitSharingFailed(std::int32_t code) override {
        outcomes.push_back("failed " + std::to_string(code));
    }
    Outcomes outcomes;
};

class ShareKitTest : public ChorusTest {
protected:
    void SetUp() override {
        ChorusTest::SetUp();
        ui::ShareSheet::setService(ui::ShareServiceType::Twitter, twitter);
        ui::ShareSheet::setService(ui::ShareServiceType::Chorus, chorus);
        kit->setDelegate(delegate);
        screen = ui::ViewController::create();
        root->presentViewController(screen, false);
        settle();
    }
    void TearDown() override {
        ui::MailComposer::resetOutboxDirectory();
        ui::ShareSheet::resetServices();
        ui::Pasteboard::general().clear();
        ChorusTest::TearDown();
    }

    static std::shared_ptr<ui::Image> picture() { return ui::Image::named("bookmark.png"); }
    template <class T> std::shared_ptr<T> shown() const {
        return ui::Presentation::shared().topController<T>();
    }
    const Outcomes& outcomes() const { return delegate->outcomes; }

    std::shared_ptr<ui::FakeShareService> twitter = ui::FakeShareService::create();
    std::shared_ptr<ui::FakeShareService> chorus = ui::FakeShareService::create();

    std::shared_ptr<ShareKit> kit = ShareKit::create();
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    // The sharing screen: presented over the root, so that it is not the first window's root.
    std::shared_ptr<ui::ViewController> screen;
    testing_support::LogCapture log;
};

// --- Mail.

TEST_F(ShareKitTest, MailIsComposedFromTheGivenScreenWithItsDelegateInPlaceBeforeItShows) {
    kit->shareViaEmailWithSubjectAndBodyAndImageFromViewController("Subject", "Body <b>", picture(),
                                                                   screen);
    auto composer = shown<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_TRUE(composer->isBeingPresented());
    EXPECT_EQ(composer->mailComposeDelegate(), kit);
    EXPECT_EQ(composer->presentingViewController(), screen);
    EXPECT_EQ(composer->subject(), "Subject");
    EXPECT_EQ(composer->messageBody(), "Body <b>");
    EXPECT_FALSE(composer->isBodyHTML());
    ASSERT_EQ(composer->attachments().size(), 1u);
    EXPECT_EQ(composer->attachments()[0].fileName, "Attachment.jpg");
    EXPECT_EQ(composer->attachments()[0].MIMEType, "image/jpeg");
    EXPECT_EQ(composer->attachments()[0].data, picture()->jpegData(0.0));
    // Chosen even before the presentation has finished, the outcome is heard.
    composer->send();
    settle();
    EXPECT_EQ(outcomes(), Outcomes{"finished 1"});
    EXPECT_FALSE(shown<ui::MailComposer>());

    // Without an image nothing is attached; without a screen the first window's root shows it.
    kit->shareViaEmailWithSubjectAndBodyAndImageFromViewController("", "", nullptr, nullptr);
    EXPECT_EQ(shown<ui::MailComposer>(), nullptr) << "the root is presenting the screen";
    EXPECT_EQ(outcomes().back(), "failed 2");
    root->dismissViewControllerAnimated(false);
    settle();
    kit->shareViaEmailWithSubjectAndBodyAndImageFromViewController("", "", nullptr, nullptr);
    composer = shown<ui::MailComposer>();
    ASSERT_TRUE(composer);
    EXPECT_EQ(composer->presentingViewController(), root);
    EXPECT_TRUE(composer->attachments().empty());
}

TEST_F(ShareKitTest, EveryMailResultHasItsCode) {
    const auto blocked = homeDirectory() / "not-a-folder";
    std::ofstream(blocked) << "a file where the outbox should be";
    const struct {
        std::function<void(ui::MailComposer&)> choose;
        const char* outcome;
    } cases[] = {
        {[](ui::MailComposer& mail) { mail.send(); }, "finished 1"},
        {[](ui::MailComposer& mail) { mail.saveDraft(); }, "finished 2"},
        {[](ui::MailComposer& mail) { mail.cancel(); }, "failed 1"},
        {[&](ui::MailComposer& mail) {
             ui::MailComposer::setOutboxDirectory(blocked / "Outbox");
             mail.send();
         },
         "failed 2"},
    };
    for (const auto& c : cases) {
        delegate->outcomes.clear();
        kit->shareViaEmailWithSubjectAndBodyAndImageFromViewController("s", "b", nullptr, screen);
        settle();
        auto composer = shown<ui::MailComposer>();
        ASSERT_TRUE(composer) << c.outcome;
        c.choose(*composer);
        settle();
        EXPECT_EQ(outcomes(), Outcomes{c.outcome});
        EXPECT_FALSE(shown<ui::MailComposer>()) << c.outcome;
    }
}

TEST_F(ShareKitTest, WithoutAMailAccountNothingIsShownAndTheMailFails) {
    ui::MailComposer::setOutboxDirectory(std::nullopt);
    kit->shareViaEmailWithSubjectAndBodyAndImageFromViewController("s", "b", picture(), screen);
    EXPECT_EQ(outcomes(), Outcomes{"failed 2"});
    EXPECT_FALSE(shown<ui::MailComposer>());
    EXPECT_TRUE(log.contains("This device cannot send email"));
}

// --- Share sheets.

TEST_F(ShareKitTest, TheShareSheetsPostTheirContentAndReportByService) {
    const struct {
        ui::ShareServiceType service;
        const char* posted;
        const char* cancelled;
    } services[] = {{ui::ShareServiceType::Twitter, "finished 3", "failed 3"},
                    {ui::ShareServiceType::Chorus, "finished 4", "failed 5"}};
    for (const auto& s : services) {
        for (const bool post : {true, false}) {
            delegate->outcomes.clear();
            const bool twitter = s.service == ui::ShareServiceType::Twitter;
            (kit.get()->*(twitter ? &ShareKit::shareOnTwitterWithTextAndURLFromViewController
                                  : &ShareKit::shareOnChorusWithTextAndURLFromViewController))(
                post ? picture() : nullptr, "Check",
                post ? std::optional<std::string>("https://a.test/x") : std::nullopt, screen);
            auto sheet = shown<ui::ShareSheet>();
            ASSERT_TRUE(sheet);
            EXPECT_EQ(sheet->serviceType(), s.service);
            EXPECT_EQ(sheet->presentingViewController(), screen);
            EXPECT_EQ(sheet->initialText(), "Check");
            EXPECT_EQ(sheet->urls().size(), post ? 1u : 0u);
            EXPECT_EQ(sheet->images().size(), post ? 1u : 0u);
            settle();
            post ? sheet->post() : sheet->cancel();
            settle();
            EXPECT_EQ(outcomes(), Outcomes{post ? s.posted : s.cancelled});
            EXPECT_FALSE(shown<ui::ShareSheet>());
        }
    }
    EXPECT_EQ(twitter->posts().size(), 1u);
    EXPECT_EQ(chorus->posts().size(), 1u);
}

// A post the service refuses is reported failed, never posted, and the sheet goes.
TEST_F(ShareKitTest, APostTheServiceRefusesIsReportedAsAFailure) {
    twitter->answerWith(base::Error::make("server", 503, "Unavailable"));
    chorus->answerWith(base::Error::make("server", 500, "Refused"));
    kit->shareOnChorusWithTextAndURLFromViewController(nullptr, "t", "https://a.test", screen);
    settle();
    shown<ui::ShareSheet>()->post();
    settle();
    kit->shareOnTwitterWithTextAndURLFromViewController(nullptr, "t", "https://a.test", screen);
    settle();
    shown<ui::ShareSheet>()->post();
    settle();
    EXPECT_EQ(outcomes(), (Outcomes{"failed 14", "failed 13"}));
    EXPECT_FALSE(shown<ui::ShareSheet>());
}

TEST_F(ShareKitTest, AServiceWithoutAnAccountFailsAtOnceAndShowsNothing) {
    ui::ShareSheet::resetServices();
    kit->shareOnTwitterWithTextAndURLFromViewController(picture(), "t", "https://a.test", screen);
    kit->shareOnChorusWithTextAndURLFromViewController(nullptr, "t", std::nullopt, screen);
    EXPECT_EQ(outcomes(), (Outcomes{"failed 4", "failed 6"}));
    EXPECT_FALSE(shown<ui::ShareSheet>());
}

// --- Images.

TEST_F(ShareKitTest, ImagesAreReportedStoredOnlyOnceTheyAre) {
    const auto image = picture();
    kit->saveImageToPhotosRoll(image);
    EXPECT_TRUE(outcomes().empty()) << "the album has not written the file yet";
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(ui::PhotoAlbum::savedFiles().size(), 1u);
    kit->copyImageToClipBoard(image);
    EXPECT_EQ(ui::Pasteboard::general().image(), image);
    kit->saveImageToPhotosRoll(ui::Image::blank(ui::Size(4, 4)));
    kit->copyImageToClipBoard(nullptr);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(outcomes(), (Outcomes{"finished 5", "finished 6", "failed 12", "failed 12"}));
    EXPECT_EQ(ui::PhotoAlbum::savedFiles().size(), 1u);
}

// --- The friend-wall post, against the loopback server.

class FriendWallTest : public ShareKitTest {
protected:
    void post(CHUtility::Parameters parameters = {{"link", "https://search.test/search?q=x"}}) {
        kit->postOnFriendsWallFromViewController(std::move(parameters), screen);
        settle();
    }
    std::shared_ptr<CHFriendPickerViewController> picker() const {
        return shown<CHFriendPickerViewController>();
    }
    // Waits for the shown picker's friends.
    void pickerLoaded() {
        auto shownPicker = picker();
        ASSERT_TRUE(shownPicker);
        ASSERT_TRUE(waitFor([&] { return !shownPicker->friends().empty(); }));
    }
    void pickRowThenDone(std::optional<std::size_t> row) {
        pickerLoaded();
        if (row)
            picker()->tableView()->simulateTapRow(*row);
        picker()->doneButton()->simulateTap();
        settle();
    }
    CHUtility::Parameters feedParameters() const {
        auto dialog = shownDialog();
        return dialog ? CHUtility::parametersOfURL(dialog->url()) : CHUtility::Parameters();
    }
};

TEST_F(FriendWallTest, ALoginThatFailsReportsSevenAndShowsNoPicker) {
    post();
    ASSERT_TRUE(shownDialog());
    answerLogin("deny");
    EXPECT_EQ(CHSession::activeSession()->state(), CHSessionState::ClosedLoginFailed);
    EXPECT_EQ(outcomes(), Outcomes{"failed 7"});
    EXPECT_FALSE(picker());
}

TEST_F(FriendWallTest, AfterTheLoginOnePickerShowsWhateverTheSessionDoesLater) {
    post();
    answerLogin("allow");
    auto session = CHSession::activeSession();
    EXPECT_EQ(session->state(), CHSessionState::Open);
    auto first = picker();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->presentingViewController(), screen);
    EXPECT_EQ(first->title(), "Pick a Friends");
    EXPECT_FALSE(first->allowsMultipleSelection());
    EXPECT_EQ(kit->callerClass(), screen);

    // The token is extended, then the session closes: the handler hears both, and neither
    // shows another picker or reports anything.
    session->refreshAccessTokenExpirationDate("EXTENDED", base::Date(2e9));
    EXPECT_EQ(session->state(), CHSessionState::OpenTokenExtended);
    session->close();
    EXPECT_EQ(session->state(), CHSessionState::Closed);
    settle();
    EXPECT_EQ(picker(), first);
    EXPECT_TRUE(outcomes().empty());
    first->cancelButton()->simulateTap();
    settle();
    EXPECT_EQ(outcomes(), Outcomes{"failed 8"});
    EXPECT_FALSE(picker());
}

TEST_F(FriendWallTest, APickedFriendGetsThePostAndANameWithACommaStaysWhole) {
    post();
    answerLogin("allow");
    pickRowThenDone(2); // "Smith, John"
    EXPECT_TRUE(log.contains("DONE PRESSED"));
    EXPECT_FALSE(picker());
    const auto parameters = feedParameters();
    EXPECT_EQ(parameters.at("to"), "1003");
    EXPECT_EQ(parameters.at("link"), "https://search.test/search?q=x");
    EXPECT_EQ(parameters.at("access_token"), testing_support::ChorusServer::token);
    answerFeed("post");
    EXPECT_EQ(outcomes(), Outcomes{"finished 7"});
    EXPECT_FALSE(shownDialog());
}

TEST_F(FriendWallTest, WithTheSessionOpenNoLoginShowsAndNoPickGoesToTheUsersOwnWall) {
    post();
    answerLogin("allow");
    picker()->cancelButton()->simulateTap();
    settle();
    delegate->outcomes.clear();

    post();
    EXPECT_FALSE(shownDialog()) << "no second login";
    pickRowThenDone(std::nullopt);
    EXPECT_EQ(feedParameters().count("to"), 0u);
    answerFeed("post");
    EXPECT_EQ(outcomes(), Outcomes{"finished 8"});
    EXPECT_EQ(server.requests("/dialog/oauth/answer").size(), 1u);
}

TEST_F(FriendWallTest, EachEndOfTheFeedDialogHasItsCode) {
    post();
    answerLogin("allow");
    picker()->cancelButton()->simulateTap();
    settle();
    delegate->outcomes.clear();
    const struct {
        const char* name;
        std::function<void(FriendWallTest&)> end;
        const char* outcome;
    } cases[] = {
        {"completed without a post", [](FriendWallTest& t) { t.answerFeed("skip"); }, "failed 10"},
        {"closed",
         [](FriendWallTest& t) {
             t.shownDialog()->closeButton()->simulateTap();
             t.settle();
         },
         "failed 9"},
        {"server error",
         [](FriendWallTest& t) {
             t.server.setFeedError(std::pair<std::string, std::string>("2", "Down"));
             t.answerFeed("post");
             t.server.setFeedError(std::nullopt);
         },
         "failed 11"},
        {"posted", [](FriendWallTest& t) { t.answerFeed("post"); }, "finished 7"},
    };
    for (const auto& c : cases) {
        delegate->outcomes.clear();
        post();
        pickRowThenDone(0);
        ASSERT_TRUE(shownDialog()) << c.name;
        c.end(*this);
        EXPECT_EQ(outcomes(), Outcomes{c.outcome}) << c.name;
    }
    EXPECT_TRUE(log.contains("Error publishing story."));
}

TEST_F(ShareKitTest, APostNeedsANonEmptyPostIDParameterNotTheTextAnywhere) {
    const struct {
        const char* result;
        std::optional<std::string> user;
        const char* outcome;
    } cases[] = {
        {"chconnect://success?post_id=5", "1003", "finished 7"},
        {"chconnect://success#post_id=5", std::nullopt, "finished 8"},
        {"chconnect://success?post_id=", "1003", "failed 10"},
        {"chconnect://success?not_post_id=5", "1003", "failed 10"},
        {"chconnect://success?x=post_id", std::nullopt, "failed 10"},
        {"chconnect://post_id/", "1003", "failed 10"},
        {"", std::nullopt, "failed 10"},
    };
    for (const auto& c : cases) {
        delegate->outcomes.clear();
        kit->checkmeWithResultUserid(c.result, c.user);
        EXPECT_EQ(outcomes(), Outcomes{c.outcome}) << c.result;
    }
}

} // namespace
